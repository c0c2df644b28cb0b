#include "host/PluginClient.h"

#include "host/client/TelemetrySink.h"

namespace kor {

PluginClient::PluginClient() = default;

PluginClient::~PluginClient() = default;

void PluginClient::Subscribe(std::string_view resourcePath) { events_.Subscribe(resourcePath); }

void PluginClient::Unsubscribe(std::string_view resourcePath) { events_.Unsubscribe(resourcePath); }

void PluginClient::Shutdown() {
    events_.Clear();
    serviceProxy_.Clear();
}

void PluginClient::AttachToHost(uintptr_t handle, std::string shortName) {
    identity_.hostHandle = handle;
    identity_.shortName = std::move(shortName);
    telemetry_ = std::make_unique<TelemetrySink>(requests_);
    RegisterServiceProxyHandlers();
}

// ---- Service proxy ----

void PluginClient::RegisterServiceProxyHandlers() {
    using Handler = EventTable::ServiceProxyEventHandler;
    events_.RegisterEventHandler("OnServiceProxyUuidEvent", Handler([this](const auto& response) {
                                     serviceProxy_.StoreAnswer(response.uuid, response);
                                     serviceProxy_.Fulfil(identity_.shortName);
                                 }));
    events_.RegisterEventHandler("OnServiceProxyMethodEvent", Handler([this](const auto& response) {
                                     serviceProxy_.StoreAnswer(
                                         ServiceProxyKeyOf(response.serviceName, response.methodName), response);
                                     serviceProxy_.Fulfil(identity_.shortName);
                                 }));
    events_.RegisterEventHandler("OnServiceProxyAsyncEvent", Handler([this](const auto& response) {
                                     serviceProxy_.DeliverAsync(
                                         identity_.shortName,
                                         ServiceProxyKeyOf(response.serviceName, response.methodName), response);
                                 }));
}

// ---- Telemetry ----

TelemetrySink& PluginClient::telemetry() {
    if (!telemetry_) telemetry_ = std::make_unique<TelemetrySink>(requests_);
    return *telemetry_;
}

}  // namespace kor
