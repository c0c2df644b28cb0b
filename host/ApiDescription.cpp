#include "host/ApiDescription.h"

#include <cstring>
#include <string>

#include "binding/BindingRegistry.h"

namespace kor {
namespace {

constexpr const char* kEmptyText = "";

// Records of one array point to the following one; the last to nothing.
template <class Record>
void Chain(std::vector<Record>& records) {
    for (std::size_t index = 0; index < records.size(); ++index) {
        records[index].next = index + 1 < records.size() ? &records[index + 1] : nullptr;
    }
}

template <class Record>
const Record* FirstOrNull(const std::vector<Record>& records) {
    return records.empty() ? nullptr : records.data();
}

template <class Record>
Record ZeroedRecord() {
    Record record;
    std::memset(static_cast<void*>(&record), 0, sizeof record);
    return record;
}

uint32_t TypeCode(BindingTypeKind kind) { return static_cast<uint32_t>(kind); }

bool NamesRegisteredType(BindingTypeKind kind) {
    return kind == BindingTypeKind::Vector || kind == BindingTypeKind::Enum || kind == BindingTypeKind::Struct ||
           kind == BindingTypeKind::Map;
}

const char* TypeName(const BindingTypeIdentifier& type) {
    if (NamesRegisteredType(type.kind) && type.descriptor != nullptr) return type.descriptor->name.c_str();
    return kEmptyText;
}

const BindingTypeIdentifier& DescribedType(const BindingFieldDescriptor& field) {
    return field.secondType.kind != BindingTypeKind::None ? field.secondType : field.type;
}

uint32_t Count(std::size_t size) { return static_cast<uint32_t>(size); }

}  // namespace

ApiDescription::ApiDescription(const BindingRegistry& registry, PluginInvokeFn invoke) {
    DescribeFunctions(registry, invoke);
    DescribeTypes(registry);
    DescribeEvents(registry);
}

const char* const* ApiDescription::TagArray(const std::vector<std::string>& tags) {
    if (tags.empty()) return nullptr;
    auto array = std::make_unique<const char*[]>(tags.size());
    for (std::size_t index = 0; index < tags.size(); ++index) array[index] = tags[index].c_str();
    tagArrays_.push_back(std::move(array));
    return tagArrays_.back().get();
}

void ApiDescription::DescribeFunctions(const BindingRegistry& registry, PluginInvokeFn invoke) {
    const std::vector<const BindingFunctionDescriptor*> functions = registry.Functions();
    callContexts_ = std::make_unique<FunctionCallContext[]>(functions.size());
    functions_.reserve(functions.size());
    arguments_.reserve(functions.size());
    for (std::size_t index = 0; index < functions.size(); ++index) {
        const BindingFunctionDescriptor& function = *functions[index];
        callContexts_[index] = FunctionCallContext{&registry, function.handler.get()};

        std::vector<PluginArgumentRecord>& arguments = arguments_.emplace_back();
        arguments.reserve(function.parameters.size());
        for (const BindingParameterDescriptor& parameter : function.parameters) {
            auto record = ZeroedRecord<PluginArgumentRecord>();
            record.name = parameter.name.c_str();
            record.description = parameter.description.c_str();
            record.type = TypeCode(parameter.type.kind);
            record.elementType = TypeCode(parameter.type.elementKind);
            record.typeName = TypeName(parameter.type);
            record.optional = parameter.optional ? 1 : 0;
            arguments.push_back(record);
        }
        Chain(arguments);

        auto entry = ZeroedRecord<PluginFunctionEntry>();
        PluginFunctionRecord& record = entry.record;
        record.callContext = &callContexts_[index];
        record.name = function.name.c_str();
        record.nameSpace = function.nameSpace.c_str();
        record.args = FirstOrNull(arguments);
        record.argCount = Count(arguments.size());
        record.returnType = TypeCode(function.returnType.kind);
        record.returnElementType = TypeCode(function.returnType.elementKind);
        record.returnTypeName = TypeName(function.returnType);
        record.description = function.description.c_str();
        record.help = function.help.c_str();
        record.threadSafe = function.threadSafe ? 1 : 0;
        record.asyncType = function.asyncType.c_str();
        record.tags = TagArray(function.tags);
        record.tagCount = Count(function.tags.size());
        entry.invoke = invoke;
        functions_.push_back(entry);
    }
    // Function records chain to the record of the next entry, which is the
    // entry's first member.
    for (std::size_t index = 0; index < functions_.size(); ++index) {
        functions_[index].record.next = index + 1 < functions_.size() ? &functions_[index + 1].record : nullptr;
    }
    description_.functions = FirstOrNull(functions_);
    description_.functionCount = Count(functions_.size());
}

void ApiDescription::DescribeTypes(const BindingRegistry& registry) {
    const std::vector<const BindingTypeDescriptor*> types = registry.Types();
    types_.reserve(types.size());
    fields_.reserve(types.size());
    enumerators_.reserve(types.size());
    for (const BindingTypeDescriptor* type : types) {
        std::vector<PluginFieldRecord>& fields = fields_.emplace_back();
        fields.reserve(type->fields.size());
        for (const BindingFieldDescriptor& field : type->fields) {
            const BindingTypeIdentifier& described = DescribedType(field);
            auto record = ZeroedRecord<PluginFieldRecord>();
            record.name = field.name.c_str();
            record.description = field.description.c_str();
            record.offset = field.offset;
            record.type = TypeCode(described.kind);
            record.elementType = TypeCode(described.elementKind);
            record.typeName = TypeName(described);
            record.optional = field.optional ? 1 : 0;
            fields.push_back(record);
        }
        Chain(fields);

        // Enumerators are described only for a type without fields.
        std::vector<PluginEnumeratorRecord>& enumerators = enumerators_.emplace_back();
        if (fields.empty()) {
            enumerators.reserve(type->enumerators.size());
            for (const auto& [name, enumerator] : type->enumerators) {
                auto record = ZeroedRecord<PluginEnumeratorRecord>();
                record.name = enumerator.name.c_str();
                record.description = enumerator.description.c_str();
                record.number = enumerator.number;
                enumerators.push_back(record);
            }
            Chain(enumerators);
        }

        auto record = ZeroedRecord<PluginTypeRecord>();
        record.name = type->name.c_str();
        record.nameSpace = type->nameSpace.c_str();
        record.size = type->size;
        record.description = type->description.c_str();
        record.tags = TagArray(type->tags);
        record.tagCount = Count(type->tags.size());
        record.fields = FirstOrNull(fields);
        record.enumerators = FirstOrNull(enumerators);
        record.count = Count(fields.empty() ? enumerators.size() : fields.size());
        types_.push_back(record);
    }
    Chain(types_);
    description_.types = FirstOrNull(types_);
    description_.typeCount = Count(types_.size());
}

void ApiDescription::DescribeEvents(const BindingRegistry& registry) {
    const std::vector<const BindingEventDescriptor*> events = registry.Events();
    events_.reserve(events.size());
    for (const BindingEventDescriptor* event : events) {
        auto record = ZeroedRecord<PluginEventRecord>();
        record.name = event->name.c_str();
        record.nameSpace = event->nameSpace.c_str();
        record.payloadTypeName = event->payloadType != nullptr ? event->payloadType->name.c_str() : kEmptyText;
        record.description = event->description.c_str();
        record.tags = TagArray(event->tags);
        record.tagCount = Count(event->tags.size());
        events_.push_back(record);
    }
    Chain(events_);
    description_.events = FirstOrNull(events_);
    description_.eventCount = Count(events_.size());
}

}  // namespace kor
