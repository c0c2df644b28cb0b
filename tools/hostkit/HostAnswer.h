#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "abi/HttpStatus.h"
#include "abi/PluginAbi.h"
#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/ResponseHolder.h"
#include "tools/hostkit/ScriptedStream.h"

namespace kor::hostkit {

// What the host answers to one of the plug-in's outbound requests.
struct HostAnswer {
    HostValue value;
    std::optional<std::string> error;  // set: the request failed
    uint32_t status = http::kOk;
    std::string statusMessage;
    HeaderList headers;
    std::optional<StreamScript> stream;
};

// Fills `response` with `answer`, overwriting whatever it held. Everything
// the record points to is allocated for it (owned plain value, error text,
// status message, headers) and freed by ReleaseHostResponse, which becomes
// the record's release function; a stream is handed over to the plug-in,
// which ends it with the record's destroy function. Throws std::bad_alloc
// (leaving the record untouched) when memory runs out.
void FillResponse(PluginResponse* response, const HostAnswer& answer);

// The common answers.
void AnswerValue(PluginResponse* response, const HostValue& value, uint32_t status = http::kOk);
void AnswerError(PluginResponse* response, std::string_view message, uint32_t status);
void AnswerStream(PluginResponse* response, StreamScript script, uint32_t status = http::kOk);

// The release function of every record filled above: frees what FillResponse
// allocated and zeroes the record. The stream is not touched.
void ReleaseHostResponse(PluginResponse* response);

}  // namespace kor::hostkit
