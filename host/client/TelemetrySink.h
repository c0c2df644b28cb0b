#pragma once

#include <future>
#include <map>
#include <string>
#include <string_view>

#include "host/client/RequestResult.h"

namespace kor {

class PluginClient;

// Posts telemetry events to the host's telemetry resource through its
// client. Created when the plug-in is initialized; lives as long as the
// client.
class TelemetrySink {
public:
    explicit TelemetrySink(PluginClient& client) : client_(client) {}

    // POSTs `payload` (one structure with a string member per field) to
    // "/telemetry/v1/events/" + `name`. The request is made before the call
    // returns: the future is already satisfied, with success or the
    // request's error, and waiting on it never blocks.
    std::future<RequestResult<void>> SendTelemetryEvent(std::string_view name,
                                                        const std::map<std::string, std::string>& payload);

private:
    PluginClient& client_;
};

}  // namespace kor
