#include "tools/hostkit/ResourceEvent.h"

#include <utility>

namespace kor::hostkit {

std::string_view ResourceEventTypeName(ResourceEventType type) {
    switch (type) {
        case ResourceEventType::Create:
            return "Create";
        case ResourceEventType::Update:
            return "Update";
        case ResourceEventType::Delete:
            return "Delete";
    }
    return "";
}

std::optional<ResourceEventType> ResourceEventTypeFromName(std::string_view name) {
    for (ResourceEventType type : {ResourceEventType::Create, ResourceEventType::Update, ResourceEventType::Delete}) {
        if (ResourceEventTypeName(type) == name) return type;
    }
    return std::nullopt;
}

HostValue MakeResourceEvent(std::string_view uri, ResourceEventType type, HostValue data) {
    HostValue event;
    event.Set("uri", HostValue::String(std::string(uri)));
    event.Set("eventType", HostValue::String(std::string(ResourceEventTypeName(type))));
    event.Set("data", std::move(data));
    return event;
}

}  // namespace kor::hostkit
