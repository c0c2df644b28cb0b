#pragma once

#include <future>
#include <map>
#include <string>
#include <string_view>

#include "host/client/RequestResult.h"

namespace kor {

class RequestClient;

// Posts telemetry events to the host's telemetry resource through the
// client's requests. Created when the plug-in is initialized; lives as long
// as the client.
class TelemetrySink {
public:
    explicit TelemetrySink(RequestClient& requests) : requests_(requests) {}

    // POSTs `payload` (one structure with a string member per field) to
    // "/telemetry/v1/events/" + `name`. The request is made before the call
    // returns: the future is already satisfied, with success or the
    // request's error, and waiting on it never blocks.
    std::future<RequestResult<void>> SendTelemetryEvent(std::string_view name,
                                                        const std::map<std::string, std::string>& payload);

private:
    RequestClient& requests_;
};

}  // namespace kor
