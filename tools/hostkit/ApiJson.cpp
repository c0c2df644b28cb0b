#include "tools/hostkit/ApiJson.h"

#include <array>
#include <string>

#include "tools/hostkit/ApiDescription.h"

namespace kor::hostkit {
namespace {

HostValue Text(const char* text) { return HostValue::String(std::string(DescriptionText(text))); }

HostValue Type(uint32_t kind, uint32_t elementKind, const char* typeName) {
    HostValue type;
    type.Set("kind", HostValue::String(std::string(TypeCodeName(kind))));
    type.Set("elementKind", HostValue::String(std::string(TypeCodeName(elementKind))));
    type.Set("typeName", Text(typeName));
    return type;
}

HostValue Tags(const char* const* tags, uint32_t count) {
    HostValue list = HostValue::Collection();
    for (std::string_view tag : TagTexts(tags, count)) list.Append(HostValue::String(std::string(tag)));
    return list;
}

HostValue DescribeArgument(const PluginArgumentRecord& argument) {
    HostValue value;
    value.Set("name", Text(argument.name));
    value.Set("description", Text(argument.description));
    value.Set("type", Type(argument.type, argument.elementType, argument.typeName));
    value.Set("optional", HostValue::Bool(argument.optional != 0));
    return value;
}

HostValue DescribeFunction(const PluginFunctionRecord& function) {
    HostValue value;
    value.Set("name", Text(function.name));
    value.Set("nameSpace", Text(function.nameSpace));
    value.Set("description", Text(function.description));
    value.Set("help", Text(function.help));
    value.Set("threadSafe", HostValue::Bool(function.threadSafe != 0));
    value.Set("async", Text(function.asyncType));
    value.Set("tags", Tags(function.tags, function.tagCount));
    HostValue arguments = HostValue::Collection();
    for (const PluginArgumentRecord* argument : ArgumentRecords(function)) arguments.Append(DescribeArgument(*argument));
    value.Set("arguments", std::move(arguments));
    value.Set("returns", Type(function.returnType, function.returnElementType, function.returnTypeName));
    return value;
}

HostValue DescribeField(const PluginFieldRecord& field) {
    HostValue value;
    value.Set("name", Text(field.name));
    value.Set("description", Text(field.description));
    value.Set("offset", HostValue::Unsigned(field.offset));
    value.Set("type", Type(field.type, field.elementType, field.typeName));
    value.Set("optional", HostValue::Bool(field.optional != 0));
    return value;
}

HostValue DescribeEnumerator(const PluginEnumeratorRecord& enumerator) {
    HostValue value;
    value.Set("name", Text(enumerator.name));
    value.Set("description", Text(enumerator.description));
    value.Set("number", HostValue::Signed(enumerator.number));
    return value;
}

HostValue DescribeType(const PluginTypeRecord& type) {
    HostValue value;
    value.Set("name", Text(type.name));
    value.Set("nameSpace", Text(type.nameSpace));
    value.Set("size", HostValue::Unsigned(type.size));
    value.Set("description", Text(type.description));
    value.Set("tags", Tags(type.tags, type.tagCount));
    // A type without fields and without enumerators cannot tell which of the
    // two it is; it lists both, empty.
    if (type.fields != nullptr || type.enumerators == nullptr) {
        HostValue fields = HostValue::Collection();
        for (const PluginFieldRecord* field : FieldRecords(type)) fields.Append(DescribeField(*field));
        value.Set("fields", std::move(fields));
    }
    if (type.fields == nullptr) {
        HostValue enumerators = HostValue::Collection();
        for (const PluginEnumeratorRecord* enumerator : EnumeratorRecords(type)) {
            enumerators.Append(DescribeEnumerator(*enumerator));
        }
        value.Set("enumerators", std::move(enumerators));
    }
    return value;
}

HostValue DescribeEvent(const PluginEventRecord& event) {
    HostValue value;
    value.Set("name", Text(event.name));
    value.Set("nameSpace", Text(event.nameSpace));
    value.Set("payloadType", Text(event.payloadTypeName));
    value.Set("description", Text(event.description));
    value.Set("tags", Tags(event.tags, event.tagCount));
    return value;
}

}  // namespace

std::string_view TypeCodeName(uint32_t code) {
    static constexpr std::array<std::string_view, 20> kNames = {
        "",       "bool",   "int8",   "uint8",  "int16",  "uint16", "int32", "uint32", "int64",    "uint64",
        "float",  "double", "string", "object", "blob",   "vector", "enum",  "struct", "callback", "map"};
    return code < kNames.size() ? kNames[code] : std::string_view();
}

HostValue DescribeApi(const PluginApiDescription& api) {
    HostValue functions = HostValue::Collection();
    for (const PluginFunctionEntry* entry : FunctionEntries(api)) functions.Append(DescribeFunction(entry->record));
    HostValue types = HostValue::Collection();
    for (const PluginTypeRecord* type : TypeRecords(api)) types.Append(DescribeType(*type));
    HostValue events = HostValue::Collection();
    for (const PluginEventRecord* event : EventRecords(api)) events.Append(DescribeEvent(*event));

    HostValue description;
    description.Set("functions", std::move(functions));
    description.Set("types", std::move(types));
    description.Set("events", std::move(events));
    return description;
}

}  // namespace kor::hostkit
