#pragma once

// The types and the event every plug-in registry starts with: the help format
// and help records that describe functions, types and events, the
// asynchronous-operation types, and the callback event. They are described to
// the host like any registered type.

#include <cstdint>
#include <string>
#include <vector>

#include "binding/BindingProperty.h"
#include "binding/StaticTypeId.h"

namespace kor {

class BindingRegistry;

enum class BindingHelpFormat : int32_t { Full = 1, Epytext = 2 };

struct BindingFullTypeIdentifier {
    std::string type;
    std::string elementType;
};

struct BindingFullArgumentHelp {
    std::string name;
    std::string description;
    BindingFullTypeIdentifier type;
    bool optional = false;
};

struct BindingFullFunctionHelp {
    std::string name;
    std::string nameSpace;
    std::vector<BindingFullArgumentHelp> arguments;
    BindingFullTypeIdentifier returns;
    std::string description;
    std::string help;
    bool threadSafe = false;
    std::string async;
    std::vector<std::string> tags;
};

struct BindingFullEnumValueHelp {
    std::string name;
    std::string description;
    int32_t value = 0;
};

struct BindingFullFieldHelp {
    std::string name;
    std::string description;
    uint32_t offset = 0;
    BindingFullTypeIdentifier type;
    bool optional = false;
};

struct BindingFullTypeHelp {
    std::string name;
    std::string nameSpace;
    uint32_t size = 0;
    std::string description;
    std::vector<std::string> tags;
    std::vector<BindingFullFieldHelp> fields;
    std::vector<BindingFullEnumValueHelp> values;
};

struct BindingFullEventHelp {
    std::string name;
    std::string nameSpace;
    BindingFullTypeIdentifier type;
    std::string description;
    std::vector<std::string> tags;
};

struct BindingFullApiHelp {
    std::vector<BindingFullFunctionHelp> functions;
    std::vector<BindingFullTypeHelp> types;
    std::vector<BindingFullEventHelp> events;
};

enum class BindingAsyncState : int32_t {
    None = 0,
    Running = 1,
    Cancelling = 2,
    Cancelled = 3,
    Succeeded = 4,
    Failed = 5,
};

struct BindingGenericEvent {
    BindingProperty data;
};

struct BindingCallbackEvent {
    uint32_t id = 0;
    std::vector<BindingProperty> parameters;
};

struct BindingGenericAsyncEvent {
    uint32_t asyncToken = 0;
    BindingProperty data;
};

struct BindingAsyncFailureEvent {
    uint32_t asyncToken = 0;
    std::string error;
};

struct BindingAsyncCancelEvent {
    uint32_t asyncToken = 0;
};

inline constexpr const char* kBuiltinTag = "$builtin";
inline constexpr const char* kCallbackEventName = "OnCallback";

// Fills `registry` with the builtin types and the "OnCallback" event. A
// registry that was filled before is reset first (every event, function and
// type removed), so that it again holds the builtins alone; it is marked
// initialised afterwards. A name the registry already holds keeps its first
// registration.
void RegisterBuiltinTypes(BindingRegistry& registry);

}  // namespace kor

KOR_BINDING_NAMED_TYPE_ID(kor::BindingHelpFormat);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingFullTypeIdentifier);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingFullArgumentHelp);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingFullFunctionHelp);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingFullEnumValueHelp);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingFullFieldHelp);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingFullTypeHelp);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingFullEventHelp);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingFullApiHelp);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingAsyncState);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingGenericEvent);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingCallbackEvent);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingGenericAsyncEvent);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingAsyncFailureEvent);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingAsyncCancelEvent);
