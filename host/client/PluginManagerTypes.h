#pragma once

// The plug-in-manager types and events every plug-in registers, tagged
// "kclient": the manager's state, resource-change events, LCDS messages and
// service-proxy answers.

#include <cstdint>
#include <string>

#include "binding/BindingProperty.h"
#include "binding/StaticTypeId.h"

namespace kor {

class BindingRegistry;

enum class PluginManagerState : int32_t { NotReady = 0, PluginsInitialized = 1 };

struct PluginManagerResource {
    PluginManagerState state = PluginManagerState::NotReady;
};

enum class PluginResourceEventType : int32_t { Create = 0, Update = 1, Delete = 2 };

// Every resource event: which resource, what happened, its new value.
struct PluginResourceEvent {
    std::string uri;
    PluginResourceEventType eventType = PluginResourceEventType::Create;
    BindingProperty data;
};

struct PluginLcdsEvent {
    std::string clientId;
    std::string subtopic;
    std::string typeName;
    BindingProperty body;
};

struct PluginLcdsResponse {
    std::string typeName;
    BindingProperty body;
};

struct PluginServiceProxyResponse {
    std::string uuid;
    std::string serviceName;
    std::string methodName;
    std::string payload;
    std::string status;
    std::string error;
};

inline constexpr const char* kPluginManagerTag = "kclient";

// Registers the seven types and five events into `registry`, each tagged
// "kclient" (never with a plug-in's own tags). Names already registered keep
// their first registration.
void RegisterPluginManagerTypes(BindingRegistry& registry);

}  // namespace kor

KOR_BINDING_NAMED_TYPE_ID(kor::PluginManagerState);
KOR_BINDING_NAMED_TYPE_ID(kor::PluginManagerResource);
KOR_BINDING_NAMED_TYPE_ID(kor::PluginResourceEventType);
KOR_BINDING_NAMED_TYPE_ID(kor::PluginResourceEvent);
KOR_BINDING_NAMED_TYPE_ID(kor::PluginLcdsEvent);
KOR_BINDING_NAMED_TYPE_ID(kor::PluginLcdsResponse);
KOR_BINDING_NAMED_TYPE_ID(kor::PluginServiceProxyResponse);
