#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "tools/hostkit/HostValue.h"

namespace kor::hostkit {

// The change kinds of a resource event ("PluginResourceEventType").
enum class ResourceEventType { Create = 0, Update = 1, Delete = 2 };

// "Create", "Update", "Delete".
std::string_view ResourceEventTypeName(ResourceEventType type);
// The type named `name` (exact case); nothing for any other text.
std::optional<ResourceEventType> ResourceEventTypeFromName(std::string_view name);

// A resource event payload {"uri", "eventType", "data"} as the plug-in
// converts it into its PluginResourceEvent record; the event type travels
// as its enumerator name.
HostValue MakeResourceEvent(std::string_view uri, ResourceEventType type, HostValue data);

}  // namespace kor::hostkit
