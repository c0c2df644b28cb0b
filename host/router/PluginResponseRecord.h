#pragma once

#include <cstdint>
#include <string_view>

#include "abi/PluginAbi.h"

namespace kor {

// The response records the plug-in fills for the host (calls into the
// plug-in). Everything the plug-in puts into a record is allocated with its
// counting allocator and freed by ReleasePluginResponse, which every such
// record carries as its release function; the host calls it once it has read
// the record.

// The plug-in's release function: frees the value's owned parts, the error
// text when the error flag is set, the status message when it is not empty,
// every header name and value and the header array, then zeroes all of the
// record. The stream is left to its own destroy function. Null does nothing.
void ReleasePluginResponse(PluginResponse* response) noexcept;

// Readies a record handed over by the host for filling: releases what the
// plug-in itself put there before (a record whose release function is
// ReleasePluginResponse), zeroes the record and sets the release function.
// A record that holds anything else is only zeroed: the plug-in never frees
// memory it did not allocate, so a host that hands over a used record of its
// own loses nothing but that record's contents.
void PreparePluginResponse(PluginResponse* response) noexcept;

// Copies `text` into a zero-terminated block of the counting allocator, as
// the record's texts must be; null when memory runs out.
char* DuplicateResponseText(std::string_view text) noexcept;

// Records a failure: the error text (an owned copy), the error flag and the
// status. The value is left as it is. False when the copy could not be
// made; the flag and status are set all the same.
bool SetResponseError(PluginResponse* response, std::string_view message, uint32_t status) noexcept;

// Sets the status message: an owned copy for a non-empty text, the shared
// empty text (which the release function leaves alone) otherwise. False when
// the copy could not be made, in which case the empty text is set.
bool SetResponseStatusMessage(PluginResponse* response, std::string_view message) noexcept;

}  // namespace kor
