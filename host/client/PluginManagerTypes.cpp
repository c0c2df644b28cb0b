#include "host/client/PluginManagerTypes.h"

#include <string_view>

#include "binding/BindingEventDescriptor.h"
#include "binding/BindingRegistry.h"
#include "binding/NativeTypeRegistration.h"

namespace kor {
namespace {

template <class T>
NativeTypeBuilder<T> ManagerStruct(BindingRegistry& registry, const char* name) {
    NativeTypeBuilder<T> builder = RegisterStruct<T>(registry, name);
    builder.Tag(kPluginManagerTag);
    return builder;
}

template <class T>
NativeTypeBuilder<T> ManagerEnum(BindingRegistry& registry, const char* name) {
    NativeTypeBuilder<T> builder = RegisterEnum<T>(registry, name);
    builder.Tag(kPluginManagerTag);
    return builder;
}

template <class Payload>
void AddManagerEvent(BindingRegistry& registry, std::string_view name, std::string_view description) {
    BindingEventDescriptor event;
    event.name = name;
    event.payloadType = registry.FindType<Payload>();
    event.description = description;
    event.tags = {kPluginManagerTag};
    registry.AddEvent(std::move(event));
}

void RegisterTypes(BindingRegistry& registry) {
    ManagerEnum<PluginManagerState>(registry, "PluginManagerState")
        .Enumerator("NotReady", PluginManagerState::NotReady)
        .Enumerator("PluginsInitialized", PluginManagerState::PluginsInitialized);
    ManagerStruct<PluginManagerResource>(registry, "PluginManagerResource")
        .Field("state", &PluginManagerResource::state);
    ManagerEnum<PluginResourceEventType>(registry, "PluginResourceEventType")
        .Enumerator("Create", PluginResourceEventType::Create)
        .Enumerator("Update", PluginResourceEventType::Update)
        .Enumerator("Delete", PluginResourceEventType::Delete);
    ManagerStruct<PluginResourceEvent>(registry, "PluginResourceEvent")
        .Field("uri", &PluginResourceEvent::uri)
        .Field("eventType", &PluginResourceEvent::eventType)
        .Field("data", &PluginResourceEvent::data);
    ManagerStruct<PluginLcdsEvent>(registry, "PluginLcdsEvent")
        .Field("clientId", &PluginLcdsEvent::clientId)
        .Field("subtopic", &PluginLcdsEvent::subtopic)
        .Field("typeName", &PluginLcdsEvent::typeName)
        .Field("body", &PluginLcdsEvent::body);
    ManagerStruct<PluginLcdsResponse>(registry, "PluginLcdsResponse")
        .Field("typeName", &PluginLcdsResponse::typeName)
        .Field("body", &PluginLcdsResponse::body);
    ManagerStruct<PluginServiceProxyResponse>(registry, "PluginServiceProxyResponse")
        .Field("uuid", &PluginServiceProxyResponse::uuid)
        .Field("serviceName", &PluginServiceProxyResponse::serviceName)
        .Field("methodName", &PluginServiceProxyResponse::methodName)
        .Field("payload", &PluginServiceProxyResponse::payload)
        .Field("status", &PluginServiceProxyResponse::status)
        .Field("error", &PluginServiceProxyResponse::error);
}

void RegisterEvents(BindingRegistry& registry) {
    AddManagerEvent<PluginResourceEvent>(registry, "OnJsonApiEvent", "Fired when a resource is changed.");
    AddManagerEvent<PluginLcdsEvent>(registry, "OnLcdsEvent",
                                     "Fired when a message is received over the LCDS connection.");
    AddManagerEvent<PluginServiceProxyResponse>(registry, "OnServiceProxyUuidEvent",
                                                "Fired when a uuid-based service proxy message is received.");
    AddManagerEvent<PluginServiceProxyResponse>(registry, "OnServiceProxyMethodEvent",
                                                "Fired when a method-based service proxy message is received.");
    AddManagerEvent<PluginServiceProxyResponse>(registry, "OnServiceProxyAsyncEvent",
                                                "Fired when an async service proxy message is received.");
}

}  // namespace

void RegisterPluginManagerTypes(BindingRegistry& registry) {
    RegisterTypes(registry);
    RegisterEvents(registry);
}

}  // namespace kor
