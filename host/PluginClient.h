#pragma once

#include <cstdint>
#include <exception>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/NativeTypeRegistration.h"
#include "abi/MethodNumbers.h"
#include "host/client/OutboundResponse.h"
#include "abi/PluginAbi.h"
#include "host/client/PluginManagerTypes.h"
#include "host/client/RequestError.h"
#include "host/client/RequestParameter.h"
#include "host/client/RequestResult.h"
#include "host/client/ResourceEvents.h"
#include "host/client/ResourceListeners.h"
#include "host/client/ResponseStreamHandle.h"
#include "host/client/ServiceProxy.h"

namespace kor {

class BindingRegistry;
class TelemetrySink;

// The abstract base of every plug-in: the bookkeeping that does not depend on
// how the host is reached (host handle, name, registry, event handlers and
// subscription counts, resource listeners, the service proxy, the telemetry
// sink, the shutting-down flag), and the operations built on it: outbound
// requests (PluginRequests.cpp), events (PluginEvents.cpp), the service
// proxy and telemetry. It reaches the host only through the nine pure
// primitives (slots 4-12), which `Plugin` forwards to the host function
// table.
//
// The virtual slots are declared in their fixed order; derived classes must
// not reorder them.
//
// The event tables take no lock: subscription, listener and handler
// registration and the host's dispatch calls must not overlap. The
// service-proxy tables have their own lock (ServiceProxy).
class PluginClient {
public:
    // The two forms of a named event handler, by payload type.
    using ResourceEventHandler = std::function<void(const PluginResourceEvent& event)>;
    using ServiceProxyEventHandler = std::function<void(const PluginServiceProxyResponse& response)>;

    // The flags each form is subscribed with.
    static constexpr uint32_t kResourceEventFlags = 0;
    static constexpr uint32_t kServiceProxyEventFlags = 1;

    PluginClient();
    PluginClient(const PluginClient&) = delete;
    PluginClient& operator=(const PluginClient&) = delete;

    // Slot 0: counts a subscription to the host event of a resource path; the
    // first one for the path's event key subscribes at the host.
    virtual void Subscribe(std::string_view resourcePath);
    // Slot 1: drops one; the last one for the key unsubscribes at the host.
    // Every Unsubscribe must follow a Subscribe of a path with the same key.
    virtual void Unsubscribe(std::string_view resourcePath);
    // Slot 2.
    virtual ~PluginClient();
    // Slot 3: unsubscribes every named handler at the host and clears all
    // tables.
    virtual void Shutdown();
    // Slots 4-12: the host primitives.
    virtual void SendRequest(PluginResponse* response, const PluginRequest* request) = 0;
    virtual void HostEntry1(uintptr_t first, uintptr_t second) = 0;
    virtual void FireEvent(const PluginEvent* event) = 0;
    virtual void SubscribeEvent(const char* name, uintptr_t handle, PluginDispatchFn dispatch, void* context,
                                uint32_t flags) = 0;
    virtual void UnsubscribeEvent(const char* name, uintptr_t handle) = 0;
    virtual void HostEntry5(uintptr_t first, uintptr_t second, uintptr_t third, uint64_t value,
                            uintptr_t fifth) = 0;
    virtual void Yield() = 0;
    virtual void BeginWait(const char* label, uintptr_t word) = 0;
    virtual uint64_t EndWait() = 0;

    // ---- Events ----

    // Stores `handler` under `name` (replacing an earlier handler of either
    // form), then asks the host to deliver the event through the form's
    // dispatch function with `flags`.
    void RegisterEventHandler(const std::string& name, ResourceEventHandler handler,
                              uint32_t flags = kResourceEventFlags);
    void RegisterEventHandler(const std::string& name, ServiceProxyEventHandler handler,
                              uint32_t flags = kServiceProxyEventFlags);
    bool HasEventHandler(std::string_view name) const;
    // The names that have a handler, in byte order.
    std::vector<std::string> EventHandlerNames() const;
    // The current count of an event key (0 when unknown).
    uint32_t SubscriptionCount(std::string_view key) const;

    // The dispatch functions given to the host, one per payload form: each
    // finds the handler of the record's name on the client in the record's
    // context, converts the payload into the form's record with the
    // client's registry and calls the handler. An unknown name, a handler of
    // the other form, a null record, name or context are ignored; a payload
    // that does not convert is dropped after a trace line. Never lets an
    // exception out.
    static void DispatchResourceEvent(const PluginEvent* event);
    static void DispatchServiceProxyEvent(const PluginEvent* event);

    // See kor::EventKeyOf (host/EventKey.h).
    static std::string EventKeyOf(std::string_view resourcePath);

    // Registers `callback` for the resource at `pathOrPattern` (a path with
    // "*" is a pattern) and subscribes to its event key. For an exact path
    // the resource is read at once (GET) and, when that succeeds, the
    // callback receives it as a "Create" event. T: BindingProperty, bool, or
    // a registered struct or enum (see MakeTypedResourceListener).
    template <class T>
    void ObserveResource(std::string_view pathOrPattern, std::function<void(const TypedResourceEvent<T>&)> callback);
    // The untyped form: `listener` receives the resource events as they are.
    void ObserveResourceEvents(std::string_view pathOrPattern, ResourceListener listener);

    // Announces a change of one of the plug-in's resources: a
    // PluginResourceEvent {uri, type, value} sent with SendEvent under
    // "OnJsonApiEvent" (so the host receives it under the uri's event key
    // and under "OnJsonApiEvent").
    RequestResult<void> FireResourceEvent(PluginResourceEventType type, std::string_view uri,
                                          const BindingProperty& value);
    RequestResult<void> FireResourceEvent(PluginResourceEventType type, std::string_view uri, bool value);

    // Fires `payload` (converted with the registry) to the host under the
    // event key of its "uri" member, then again under `name` when that
    // differs. A payload that does not convert or flatten sends nothing and
    // gives a request error with the conversion's message.
    template <class T>
    RequestResult<void> SendEvent(std::string_view name, const T& payload);
    RequestResult<void> SendEventValue(std::string_view name, const BindingProperty& payload);

    // Delivers a resource event to the listeners of its uri ("/" is put in
    // front of a uri without one): the handler of every subscribed key.
    void DeliverResourceEvent(const PluginResourceEvent& event);

    const ResourceListeners& resourceListeners() const { return listeners_; }

    // ---- Service proxy and telemetry ----

    ServiceProxy& serviceProxy() { return serviceProxy_; }
    const ServiceProxy& serviceProxy() const { return serviceProxy_; }

    // Registers the handlers of "OnServiceProxyUuidEvent",
    // "OnServiceProxyMethodEvent" and "OnServiceProxyAsyncEvent" (flags 1).
    void RegisterServiceProxyHandlers();

    // The telemetry sink; created at initialize (or on first use).
    TelemetrySink& telemetry();
    // See TelemetrySink::SendTelemetryEvent.
    std::future<RequestResult<void>> SendTelemetryEvent(std::string_view name,
                                                        const std::map<std::string, std::string>& payload);

    // ---- Outbound requests ----
    //
    // Synchronous requests on the host's resources through SendRequest. The
    // request record carries the method, the URL as given, the parameter
    // (when there is one) as a single unnamed argument and the host handle
    // as call word. Every outcome is a RequestResult; nothing throws. The
    // host's response record is released once the operation has finished
    // with it, on every path.

    // The name under which answers are converted, in their messages.
    static constexpr std::string_view kResultName = "<result>";

    // Sends and leaves the answer in `response` for the caller (which
    // releases it, at the latest when `response` is destroyed). Fails with
    // 400 "Request not sent: ..." when the parameter does not convert (the
    // host is then not called), or with the host's status and "Error
    // response for ..." when the host reports a failure.
    RequestResult<void> Send(PluginMethod method, std::string_view url, OutboundResponse& response);
    RequestResult<void> Send(PluginMethod method, std::string_view url, const RequestParameter& parameter,
                             OutboundResponse& response);

    // Sends and converts the answer into T: BindingProperty ("object"),
    // bool, an integer type, double, std::string, or a struct or enum
    // registered in the client's registry. A streamed answer is read whole
    // and parsed as JSON first.
    template <class T>
    RequestResult<T> Request(PluginMethod method, std::string_view url);
    template <class T>
    RequestResult<T> Request(PluginMethod method, std::string_view url, const RequestParameter& parameter);

    // The answer as a generic value; `parameter` may be null.
    RequestResult<BindingProperty> RequestValue(PluginMethod method, std::string_view url,
                                                const RequestParameter* parameter);

    // Sends and drops the answer at once; success or the send's error.
    RequestResult<void> RequestDiscardResult(PluginMethod method, std::string_view url,
                                             const RequestParameter& parameter);
    RequestResult<void> RequestDiscardResult(PluginMethod method, std::string_view url);

    // Sends and hands the streamed answer over to the caller; fails with
    // "Stream response was requested but the response wasn't a stream for
    // ..." when the answer is no stream.
    RequestResult<ResponseStreamHandle> RequestStream(PluginMethod method, std::string_view url);

    // Reads the rest of `stream` in 4096-byte chunks, yielding to the host
    // between short chunks. A failed read gives "Stream read error at offset
    // N" and no bytes. The stream stays with its handle.
    RequestResult<std::vector<uint8_t>> ReadStreamIntoBytes(ResponseStreamHandle& stream);

    // The labelled wait: BeginWait("Wait: yield", 0), Yield, EndWait, whose
    // value is returned.
    uint64_t WaitForHost();

    uintptr_t hostHandle() const { return hostHandle_; }
    const std::string& shortName() const { return shortName_; }
    BindingRegistry* clientRegistry() const { return registry_; }
    bool shuttingDown() const { return shuttingDown_; }
    void MarkShuttingDown() { shuttingDown_ = true; }

protected:
    void SetHostHandle(uintptr_t handle, std::string shortName);
    void SetClientRegistry(BindingRegistry* registry) { registry_ = registry; }
    // The client's part of initialize, once the host is known: the host
    // handle and name, the telemetry sink, the service-proxy handlers.
    void AttachToHost(uintptr_t handle, std::string shortName);

private:
    RequestResult<void> SendWith(PluginMethod method, std::string_view url, const RequestParameter* parameter,
                                 OutboundResponse& response);
    RequestResult<BindingProperty> ParseStreamedAnswer(PluginMethod method, std::string_view url,
                                                       ResponseStreamHandle& stream);
    template <class T>
    RequestResult<T> ConvertAnswer(PluginMethod method, std::string_view url, RequestResult<BindingProperty> answer);
    template <class Payload>
    static void Dispatch(const PluginEvent* event, std::string_view payloadTypeName);
    void StoreEventHandler(const std::string& name, PluginDispatchFn dispatch, uint32_t flags,
                           std::variant<ResourceEventHandler, ServiceProxyEventHandler> handler);
    RequestResult<void> ConversionFailure(std::string_view typeName, std::string_view uri,
                                          std::string_view message);

    using EventHandler = std::variant<ResourceEventHandler, ServiceProxyEventHandler>;

    uintptr_t hostHandle_ = 0;
    std::string shortName_;
    BindingRegistry* registry_ = nullptr;
    std::map<std::string, EventHandler, std::less<>> handlers_;
    std::map<std::string, uint32_t, std::less<>> subscriptionCounts_;
    ResourceListeners listeners_;
    ServiceProxy serviceProxy_;
    std::unique_ptr<TelemetrySink> telemetry_;
    bool shuttingDown_ = false;
};

// ---- Template members ----

template <class T>
void PluginClient::ObserveResource(std::string_view pathOrPattern,
                                   std::function<void(const TypedResourceEvent<T>&)> callback) {
    ObserveResourceEvents(pathOrPattern, MakeTypedResourceListener<T>(std::move(callback), registry_));
}

template <class T>
RequestResult<void> PluginClient::SendEvent(std::string_view name, const T& payload) {
    if constexpr (std::is_same_v<T, BindingProperty>) {
        return SendEventValue(name, payload);
    } else {
        BindingResult converted;
        ConvertToProperty(converted, payload, registry_);
        if (!converted.ok()) return RequestError{0, std::string(converted.ErrorText()), {}};
        return SendEventValue(name, converted.value());
    }
}

template <class T>
RequestResult<T> PluginClient::Request(PluginMethod method, std::string_view url) {
    return ConvertAnswer<T>(method, url, RequestValue(method, url, nullptr));
}

template <class T>
RequestResult<T> PluginClient::Request(PluginMethod method, std::string_view url, const RequestParameter& parameter) {
    return ConvertAnswer<T>(method, url, RequestValue(method, url, &parameter));
}

template <class T>
RequestResult<T> PluginClient::ConvertAnswer(PluginMethod method, std::string_view url,
                                             RequestResult<BindingProperty> answer) {
    if (!answer.ok()) return answer.error();
    if constexpr (std::is_same_v<T, BindingProperty>) {
        return std::move(answer.value());
    } else {
        try {
            BindingResult converted;
            T value{};
            ConvertToNative(converted, value, answer.value(), kResultName, registry_);
            if (!converted.ok()) return ResponseConversionError(method, url, converted.ErrorText());
            return value;
        } catch (const std::exception& failure) {
            return ResponseConversionError(method, url, failure.what());
        } catch (...) {
            return ResponseConversionError(method, url, "unknown failure");
        }
    }
}

}  // namespace kor
