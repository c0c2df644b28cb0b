#include "host/client/EventTable.h"

#include <cstring>

#include "abi/EventKey.h"
#include "binding/BindingPlainValue.h"
#include "host/client/HostPlainValue.h"
#include "log/Log.h"
#include "log/MessageFormat.h"

namespace kor {
namespace {

constexpr std::string_view kResourceEventTypeName = "PluginResourceEvent";
constexpr std::string_view kServiceProxyTypeName = "PluginServiceProxyResponse";
constexpr std::string_view kPayloadName = "<result>";
constexpr std::string_view kUnconvertedResourceEvent = "%1: Couldn't convert resource %2 for event uri \"%3\"";

std::string Text(std::string_view view) { return std::string(view); }

// The flattened payload of an event, freed once it has been fired.
class PlainPayload {
public:
    PlainPayload() { std::memset(static_cast<void*>(&value_), 0, sizeof value_); }
    ~PlainPayload() { ClearPlainValue(value_); }
    PlainPayload(const PlainPayload&) = delete;
    PlainPayload& operator=(const PlainPayload&) = delete;
    BindingPlainValue& value() { return value_; }

private:
    BindingPlainValue value_;
};

}  // namespace

// ---- Subscriptions ----

void EventTable::Subscribe(std::string_view resourcePath) {
    const std::string key = EventKeyOf(resourcePath);
    if (++subscriptionCounts_[key] != 1) return;
    LogTrace("%s: Subscribing to event: %s", identity_.shortName.c_str(), key.c_str());
    RegisterEventHandler(key, ResourceEventHandler([this](const PluginResourceEvent& event) {
                             DeliverResourceEvent(event);
                         }),
                         kResourceEventFlags);
}

void EventTable::Unsubscribe(std::string_view resourcePath) {
    const std::string key = EventKeyOf(resourcePath);
    auto count = subscriptionCounts_.find(key);
    if (count == subscriptionCounts_.end() || count->second == 0) return;  // unmatched: nothing to undo
    if (--count->second != 0) return;
    subscriptionCounts_.erase(count);
    link_.UnsubscribeEvent(key.c_str(), identity_.hostHandle);
    handlers_.erase(key);
    LogTrace("%s: Unsubscribing to event: %s", identity_.shortName.c_str(), key.c_str());
}

void EventTable::Clear() {
    for (const std::string& name : EventHandlerNames()) link_.UnsubscribeEvent(name.c_str(), identity_.hostHandle);
    handlers_.clear();
    subscriptionCounts_.clear();
    listeners_.Clear();
}

uint32_t EventTable::SubscriptionCount(std::string_view key) const {
    auto count = subscriptionCounts_.find(key);
    return count != subscriptionCounts_.end() ? count->second : 0;
}

// ---- Named handlers and dispatch ----

void EventTable::RegisterEventHandler(const std::string& name, ResourceEventHandler handler, uint32_t flags) {
    StoreEventHandler(name, &EventTable::DispatchResourceEvent, flags, std::move(handler));
}

void EventTable::RegisterEventHandler(const std::string& name, ServiceProxyEventHandler handler, uint32_t flags) {
    StoreEventHandler(name, &EventTable::DispatchServiceProxyEvent, flags, std::move(handler));
}

void EventTable::StoreEventHandler(const std::string& name, PluginDispatchFn dispatch, uint32_t flags,
                                     EventHandler handler) {
    handlers_[name] = std::move(handler);
    link_.SubscribeEvent(name.c_str(), identity_.hostHandle, dispatch, this, flags);
}

bool EventTable::HasEventHandler(std::string_view name) const { return handlers_.find(name) != handlers_.end(); }

std::vector<std::string> EventTable::EventHandlerNames() const {
    std::vector<std::string> names;
    names.reserve(handlers_.size());
    for (const auto& entry : handlers_) names.push_back(entry.first);
    return names;
}

template <class Payload>
void EventTable::Dispatch(const PluginEvent* event, std::string_view payloadTypeName) {
    if (event == nullptr || event->context == nullptr || event->name == nullptr) return;
    try {
        auto* table = static_cast<EventTable*>(event->context);
        auto found = table->handlers_.find(std::string_view(event->name));
        if (found == table->handlers_.end()) return;
        const auto* stored = std::get_if<std::function<void(const Payload&)>>(&found->second);
        if (stored == nullptr || !*stored) return;
        // A copy: the handler may replace or remove its own entry.
        const std::function<void(const Payload&)> handler = *stored;
        const std::string name(event->name);

        BindingResult generic = ReadHostPlainValue(event->payload, kPayloadName);
        BindingResult converted;
        Payload payload{};
        if (generic.ok()) {
            ConvertToNative(converted, payload, generic.value(), kPayloadName, table->identity_.registry);
        }
        const BindingResult& outcome = generic.ok() ? converted : generic;
        if (!outcome.ok()) {
            LogTrace("%s: Couldn't convert payload %s for event %s: %s", table->identity_.shortName.c_str(),
                     Text(payloadTypeName).c_str(), name.c_str(), Text(outcome.ErrorText()).c_str());
            return;
        }
        LogTrace("%s: Handling event %s", table->identity_.shortName.c_str(), name.c_str());
        handler(payload);
    } catch (...) {
        // An event the plug-in cannot handle is dropped; the host is not told.
    }
}

void EventTable::DispatchResourceEvent(const PluginEvent* event) {
    Dispatch<PluginResourceEvent>(event, kResourceEventTypeName);
}

void EventTable::DispatchServiceProxyEvent(const PluginEvent* event) {
    Dispatch<PluginServiceProxyResponse>(event, kServiceProxyTypeName);
}

// ---- Resource listeners ----

void EventTable::DeliverResourceEvent(const PluginResourceEvent& event) {
    if (!event.uri.empty() && event.uri.front() == '/') {
        for (const ResourceListener& listener : listeners_.ListenersFor(event.uri)) listener(event);
        return;
    }
    PluginResourceEvent rooted{"/" + event.uri, event.eventType, event.data};
    for (const ResourceListener& listener : listeners_.ListenersFor(rooted.uri)) listener(rooted);
}

void EventTable::ObserveResourceEvents(std::string_view pathOrPattern, ResourceListener listener) {
    const bool exact = pathOrPattern.find('*') == std::string_view::npos;
    listeners_.Add(pathOrPattern, listener);
    Subscribe(pathOrPattern);
    if (!exact || !listener) return;
    RequestResult<BindingProperty> current = requests_.RequestValue(PluginMethod::Get, pathOrPattern, nullptr);
    if (!current.ok()) return;
    listener(PluginResourceEvent{std::string(pathOrPattern), PluginResourceEventType::Create,
                                 std::move(current.value())});
}

// ---- Firing events ----

RequestResult<void> EventTable::FireResourceEvent(PluginResourceEventType type, std::string_view uri,
                                                    const BindingProperty& value) {
    return SendEvent(kResourceEventName, PluginResourceEvent{std::string(uri), type, value});
}

RequestResult<void> EventTable::FireResourceEvent(PluginResourceEventType type, std::string_view uri, bool value) {
    BindingResult converted;
    ConvertToProperty(converted, value, identity_.registry);
    if (!converted.ok()) return ConversionFailure("bool", uri, converted.ErrorText());
    return SendEvent(kResourceEventName, PluginResourceEvent{std::string(uri), type, std::move(converted.value())});
}

RequestResult<void> EventTable::ConversionFailure(std::string_view typeName, std::string_view uri,
                                                    std::string_view message) {
    const std::string trace = FormatMessage(kUnconvertedResourceEvent, identity_.shortName, typeName, uri);
    LogTrace("%s", trace.c_str());
    return RequestError{0, std::string(message), {}};
}

RequestResult<void> EventTable::SendEventValue(std::string_view name, const BindingProperty& payload) {
    const std::string key = EventKeyOf(payload.Member("uri").GetString());
    LogTrace("%s: Sending event: %s", identity_.shortName.c_str(), key.c_str());
    PlainPayload plain;
    if (!ConvertToPlainValue(payload, plain.value(), identity_.registry)) {
        return RequestError{0, std::string(kFlattenFailure), {}};
    }
    const std::string nameText(name);
    PluginEvent record;
    std::memset(static_cast<void*>(&record), 0, sizeof record);
    record.name = key.c_str();
    record.payload = plain.value();
    record.context = this;
    link_.FireEvent(&record);
    if (nameText != key) {
        record.name = nameText.c_str();
        link_.FireEvent(&record);
    }
    return {};
}

}  // namespace kor
