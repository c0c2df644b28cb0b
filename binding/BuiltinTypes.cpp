#include "binding/BuiltinTypes.h"

#include "binding/BindingEventDescriptor.h"
#include "binding/BindingRegistry.h"
#include "binding/NativeTypeRegistration.h"

namespace kor {
namespace {

constexpr const char* kHelpTag = "help";
constexpr const char* kAsyncTag = "async";

template <class T>
NativeTypeBuilder<T> HelpStruct(BindingRegistry& registry, const char* name, const char* description) {
    NativeTypeBuilder<T> builder = RegisterStruct<T>(registry, name);
    builder.Description(description).Tag(kBuiltinTag).Tag(kHelpTag);
    return builder;
}

void RegisterHelpFormat(BindingRegistry& registry) {
    RegisterEnum<BindingHelpFormat>(registry, "BindingHelpFormat")
        .Description("Help format for binding functions and types.")
        .Tag(kBuiltinTag)
        .Tag(kHelpTag)
        .Enumerator("Full", BindingHelpFormat::Full, "Native help format")
        .Enumerator("Epytext", BindingHelpFormat::Epytext, "Python epytext format");
}

// In dependency order: a record's field types are registered before it.
void RegisterHelpRecords(BindingRegistry& registry) {
    HelpStruct<BindingFullTypeIdentifier>(registry, "BindingFullTypeIdentifier", "Describes the type of a value.")
        .Field("type", &BindingFullTypeIdentifier::type)
        .Field("elementType", &BindingFullTypeIdentifier::elementType);
    HelpStruct<BindingFullArgumentHelp>(registry, "BindingFullArgumentHelp", "Describes a function parameter.")
        .Field("name", &BindingFullArgumentHelp::name)
        .Field("description", &BindingFullArgumentHelp::description)
        .Field("type", &BindingFullArgumentHelp::type)
        .Field("optional", &BindingFullArgumentHelp::optional);
    HelpStruct<BindingFullFunctionHelp>(registry, "BindingFullFunctionHelp", "Describes a function.")
        .Field("name", &BindingFullFunctionHelp::name)
        .Field("nameSpace", &BindingFullFunctionHelp::nameSpace)
        .Field("arguments", &BindingFullFunctionHelp::arguments)
        .Field("returns", &BindingFullFunctionHelp::returns)
        .Field("description", &BindingFullFunctionHelp::description)
        .Field("help", &BindingFullFunctionHelp::help)
        .Field("threadSafe", &BindingFullFunctionHelp::threadSafe)
        .Field("async", &BindingFullFunctionHelp::async)
        .Field("tags", &BindingFullFunctionHelp::tags);
    HelpStruct<BindingFullEnumValueHelp>(registry, "BindingFullEnumValueHelp", "Describes an enumerator.")
        .Field("name", &BindingFullEnumValueHelp::name)
        .Field("description", &BindingFullEnumValueHelp::description)
        .Field("value", &BindingFullEnumValueHelp::value);
    HelpStruct<BindingFullFieldHelp>(registry, "BindingFullFieldHelp", "Describes a member of a struct.")
        .Field("name", &BindingFullFieldHelp::name)
        .Field("description", &BindingFullFieldHelp::description)
        .Field("offset", &BindingFullFieldHelp::offset)
        .Field("type", &BindingFullFieldHelp::type)
        .Field("optional", &BindingFullFieldHelp::optional);
    HelpStruct<BindingFullTypeHelp>(registry, "BindingFullTypeHelp", "Describes a struct or enum type.")
        .Field("name", &BindingFullTypeHelp::name)
        .Field("nameSpace", &BindingFullTypeHelp::nameSpace)
        .Field("size", &BindingFullTypeHelp::size)
        .Field("description", &BindingFullTypeHelp::description)
        .Field("tags", &BindingFullTypeHelp::tags)
        .Field("fields", &BindingFullTypeHelp::fields)
        .Field("values", &BindingFullTypeHelp::values);
    HelpStruct<BindingFullEventHelp>(registry, "BindingFullEventHelp", "Describes an event.")
        .Field("name", &BindingFullEventHelp::name)
        .Field("nameSpace", &BindingFullEventHelp::nameSpace)
        .Field("type", &BindingFullEventHelp::type)
        .Field("description", &BindingFullEventHelp::description)
        .Field("tags", &BindingFullEventHelp::tags);
    HelpStruct<BindingFullApiHelp>(registry, "BindingFullApiHelp", "Describes the exposed native API.")
        .Field("functions", &BindingFullApiHelp::functions)
        .Field("types", &BindingFullApiHelp::types)
        .Field("events", &BindingFullApiHelp::events);
}

void RegisterAsyncTypes(BindingRegistry& registry) {
    RegisterEnum<BindingAsyncState>(registry, "BindingAsyncState")
        .Description("Possible states of an asynchronous operation.")
        .Tag(kBuiltinTag)
        .Tag(kAsyncTag)
        .Enumerator("None", BindingAsyncState::None, "Invalid state")
        .Enumerator("Running", BindingAsyncState::Running, "The operation is in flight")
        .Enumerator("Cancelling", BindingAsyncState::Cancelling, "A request to cancel the operation has been made")
        .Enumerator("Cancelled", BindingAsyncState::Cancelled, "The operation was cancelled")
        .Enumerator("Succeeded", BindingAsyncState::Succeeded, "The operation completed successfully")
        .Enumerator("Failed", BindingAsyncState::Failed, "The operation encountered an error");
    RegisterStruct<BindingGenericEvent>(registry, "BindingGenericEvent")
        .Description("Represents generic data for an event.")
        .Tag(kBuiltinTag)
        .Field("data", &BindingGenericEvent::data, "Event data");
    RegisterStruct<BindingCallbackEvent>(registry, "BindingCallbackEvent")
        .Description("Represents the parameters of a call to a provided callback.")
        .Tag(kBuiltinTag)
        .Field("id", &BindingCallbackEvent::id, "ID of the callback being invoked")
        .Field("parameters", &BindingCallbackEvent::parameters, "Callback parameters");
    RegisterStruct<BindingGenericAsyncEvent>(registry, "BindingGenericAsyncEvent")
        .Description("Represents generic data for an asynchronous event.")
        .Tag(kBuiltinTag)
        .Tag(kAsyncTag)
        .Field("asyncToken", &BindingGenericAsyncEvent::asyncToken, "Asynchronous operation token")
        .Field("data", &BindingGenericAsyncEvent::data, "Event data");
    RegisterStruct<BindingAsyncFailureEvent>(registry, "BindingAsyncFailureEvent")
        .Description("Represents a failed asynchronous operation.")
        .Tag(kBuiltinTag)
        .Tag(kAsyncTag)
        .Field("asyncToken", &BindingAsyncFailureEvent::asyncToken, "Asynchronous operation token")
        .Field("error", &BindingAsyncFailureEvent::error, "Error message");
    RegisterStruct<BindingAsyncCancelEvent>(registry, "BindingAsyncCancelEvent")
        .Description("Represents a cancelled asynchronous operation.")
        .Tag(kBuiltinTag)
        .Tag(kAsyncTag)
        .Field("asyncToken", &BindingAsyncCancelEvent::asyncToken, "Asynchronous operation token");
}

void RegisterCallbackEvent(BindingRegistry& registry) {
    BindingEventDescriptor event;
    event.name = kCallbackEventName;
    event.payloadType = registry.FindType<BindingCallbackEvent>();
    event.description = "Fired when a callback is invoked.";
    event.tags = {kBuiltinTag};
    registry.AddEvent(std::move(event));  // keeps an event of that name that exists
}

}  // namespace

void RegisterBuiltinTypes(BindingRegistry& registry) {
    if (registry.initialized()) registry.Reset();
    RegisterHelpFormat(registry);
    RegisterHelpRecords(registry);
    RegisterAsyncTypes(registry);
    RegisterCallbackEvent(registry);
    registry.MarkInitialized();
}

}  // namespace kor
