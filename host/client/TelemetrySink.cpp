#include "host/client/TelemetrySink.h"

#include "host/client/RequestClient.h"

namespace kor {
namespace {

constexpr std::string_view kTelemetryEventsUrl = "/telemetry/v1/events/";

}  // namespace

std::future<RequestResult<void>> TelemetrySink::SendTelemetryEvent(
    std::string_view name, const std::map<std::string, std::string>& payload) {
    std::promise<RequestResult<void>> outcome;
    std::future<RequestResult<void>> result = outcome.get_future();
    std::string url(kTelemetryEventsUrl);
    url += name;
    outcome.set_value(requests_.RequestDiscardResult(PluginMethod::Post, url, RequestParameter(payload)));
    return result;
}

}  // namespace kor
