#pragma once

#include "host/router/HandlerOutcome.h"
#include "abi/PluginAbi.h"

#include <string_view>

namespace kor {

class BindingRegistry;

// Writes a call's outcome into a response record readied by
// PreparePluginResponse. A failure gives the error text, the error flag and
// the outcome's status; a success gives the value flattened for the host
// (enumerators named through `registry`). A value that cannot be flattened
// fails the call with status 400 (the outcome's own status wins when it set
// one). Then come the flag byte, the format code (0 unless 1-3), the status
// message, the headers and the stream, which the record takes over.
//
// Everything written is owned by the record and freed by its release
// function. When memory runs out part way, what could be written stays and
// the rest is left out. Never throws.
void WriteOutcome(PluginResponse& response, HandlerOutcome& outcome, const BindingRegistry* registry,
                  std::string_view functionName) noexcept;

}  // namespace kor
