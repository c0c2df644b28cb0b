#pragma once

// Typed resource events: what ObserveResource<T> hands to its callback, and
// the listener that converts a resource event's data into T.

#include <functional>
#include <string>
#include <string_view>
#include <utility>

#include "binding/BindingRegistry.h"
#include "binding/BindingResult.h"
#include "binding/NativeTypeRegistration.h"
#include "host/client/PluginManagerTypes.h"
#include "host/client/ResourceListeners.h"

namespace kor {

template <class T>
struct TypedResourceEvent {
    std::string uri;
    PluginResourceEventType eventType = PluginResourceEventType::Create;
    T value{};
};

// The name of T in messages: its registered name, else its kind's name
// ("object", "bool", "string", ...).
template <class T>
std::string NativeTypeNameOf(const BindingRegistry* registry) {
    const BindingTypeIdentifier type = NativeTypeIdentifierOf<T>(registry);
    if (type.descriptor != nullptr) return type.descriptor->name;
    return std::string(BindingTypeKindName(type.kind));
}

// Passes the trace line of a resource whose data did not convert.
void TraceUnconvertedResource(std::string_view typeName, std::string_view uri);

// The name under which a resource event's data is converted.
inline constexpr std::string_view kResourceValueName = "<value>";

// A listener that calls `callback` with {uri, event type, value}. For
// "Delete" the value is T's default (an empty value, false, ...) and the
// data is not looked at; otherwise the data is converted into T with
// `registry`, and an event whose data does not convert is skipped after a
// trace line.
template <class T>
ResourceListener MakeTypedResourceListener(std::function<void(const TypedResourceEvent<T>&)> callback,
                                           const BindingRegistry* registry) {
    return [callback = std::move(callback), registry](const PluginResourceEvent& event) {
        if (!callback) return;
        TypedResourceEvent<T> typed{event.uri, event.eventType, T{}};
        if (event.eventType != PluginResourceEventType::Delete) {
            BindingResult converted;
            ConvertToNative(converted, typed.value, event.data, kResourceValueName, registry);
            if (!converted.ok()) {
                TraceUnconvertedResource(NativeTypeNameOf<T>(registry), event.uri);
                return;
            }
        }
        callback(typed);
    };
}

}  // namespace kor
