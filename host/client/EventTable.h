#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/NativeTypeRegistration.h"
#include "host/client/HostLink.h"
#include "host/client/PluginManagerTypes.h"
#include "host/client/RequestClient.h"
#include "host/client/RequestResult.h"
#include "host/client/ResourceEvents.h"
#include "host/client/ResourceListeners.h"

namespace kor {

// The client's events: subscriptions counted per event key, the named
// handlers with the dispatch functions the host calls them through, the
// resource listeners, and the events the plug-in fires.
//
// No lock: subscription, listener and handler registration and the host's
// dispatch calls must not overlap.
class EventTable {
public:
    // The two forms of a named event handler, by payload type.
    using ResourceEventHandler = std::function<void(const PluginResourceEvent& event)>;
    using ServiceProxyEventHandler = std::function<void(const PluginServiceProxyResponse& response)>;

    // The flags each form is subscribed with.
    static constexpr uint32_t kResourceEventFlags = 0;
    static constexpr uint32_t kServiceProxyEventFlags = 1;

    // `link`, `identity` and `requests` (which reads an observed resource
    // at once) outlive the table.
    EventTable(HostLink& link, const ClientIdentity& identity, RequestClient& requests)
        : link_(link), identity_(identity), requests_(requests) {}
    EventTable(const EventTable&) = delete;
    EventTable& operator=(const EventTable&) = delete;

    // Counts a subscription to the host event of a resource path; the first
    // one for the path's event key subscribes at the host.
    void Subscribe(std::string_view resourcePath);
    // Drops one; the last one for the key unsubscribes at the host. An
    // Unsubscribe without a Subscribe of a path with the same key does
    // nothing.
    void Unsubscribe(std::string_view resourcePath);
    // Unsubscribes every named handler at the host and clears all tables.
    void Clear();

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
    // finds the handler of the record's name on the table in the record's
    // context, converts the payload into the form's record with the
    // client's registry and calls the handler. An unknown name, a handler of
    // the other form, a null record, name or context are ignored; a payload
    // that does not convert is dropped after a trace line. Never lets an
    // exception out.
    static void DispatchResourceEvent(const PluginEvent* event);
    static void DispatchServiceProxyEvent(const PluginEvent* event);

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

private:
    using EventHandler = std::variant<ResourceEventHandler, ServiceProxyEventHandler>;

    template <class Payload>
    static void Dispatch(const PluginEvent* event, std::string_view payloadTypeName);
    void StoreEventHandler(const std::string& name, PluginDispatchFn dispatch, uint32_t flags, EventHandler handler);
    RequestResult<void> ConversionFailure(std::string_view typeName, std::string_view uri,
                                          std::string_view message);

    HostLink& link_;
    const ClientIdentity& identity_;
    RequestClient& requests_;
    std::map<std::string, EventHandler, std::less<>> handlers_;
    std::map<std::string, uint32_t, std::less<>> subscriptionCounts_;
    ResourceListeners listeners_;
};

// ---- Template members ----

template <class T>
void EventTable::ObserveResource(std::string_view pathOrPattern,
                                 std::function<void(const TypedResourceEvent<T>&)> callback) {
    ObserveResourceEvents(pathOrPattern, MakeTypedResourceListener<T>(std::move(callback), identity_.registry));
}

template <class T>
RequestResult<void> EventTable::SendEvent(std::string_view name, const T& payload) {
    if constexpr (std::is_same_v<T, BindingProperty>) {
        return SendEventValue(name, payload);
    } else {
        BindingResult converted;
        ConvertToProperty(converted, payload, identity_.registry);
        if (!converted.ok()) return RequestError{0, std::string(converted.ErrorText()), {}};
        return SendEventValue(name, converted.value());
    }
}

}  // namespace kor
