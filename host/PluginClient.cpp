#include "host/PluginClient.h"

#include "abi/EventKey.h"
#include "host/client/TelemetrySink.h"

namespace kor {

PluginClient::PluginClient() = default;

PluginClient::~PluginClient() = default;

std::string PluginClient::EventKeyOf(std::string_view resourcePath) { return kor::EventKeyOf(resourcePath); }

void PluginClient::SetHostHandle(uintptr_t handle, std::string shortName) {
    hostHandle_ = handle;
    shortName_ = std::move(shortName);
}

void PluginClient::AttachToHost(uintptr_t handle, std::string shortName) {
    SetHostHandle(handle, std::move(shortName));
    telemetry_ = std::make_unique<TelemetrySink>(*this);
    RegisterServiceProxyHandlers();
}

// ---- Service proxy ----

void PluginClient::RegisterServiceProxyHandlers() {
    RegisterEventHandler("OnServiceProxyUuidEvent", ServiceProxyEventHandler([this](const auto& response) {
                             serviceProxy_.StoreAnswer(response.uuid, response);
                             serviceProxy_.Fulfil(shortName_);
                         }));
    RegisterEventHandler("OnServiceProxyMethodEvent", ServiceProxyEventHandler([this](const auto& response) {
                             serviceProxy_.StoreAnswer(ServiceProxyKeyOf(response.serviceName, response.methodName),
                                                       response);
                             serviceProxy_.Fulfil(shortName_);
                         }));
    RegisterEventHandler("OnServiceProxyAsyncEvent", ServiceProxyEventHandler([this](const auto& response) {
                             serviceProxy_.DeliverAsync(
                                 shortName_, ServiceProxyKeyOf(response.serviceName, response.methodName), response);
                         }));
}

// ---- Telemetry ----

TelemetrySink& PluginClient::telemetry() {
    if (!telemetry_) telemetry_ = std::make_unique<TelemetrySink>(*this);
    return *telemetry_;
}

std::future<RequestResult<void>> PluginClient::SendTelemetryEvent(std::string_view name,
                                                                  const std::map<std::string, std::string>& payload) {
    return telemetry().SendTelemetryEvent(name, payload);
}

}  // namespace kor
