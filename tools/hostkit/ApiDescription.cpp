#include "tools/hostkit/ApiDescription.h"

namespace kor::hostkit {
namespace {

template <class Record>
std::vector<const Record*> ByIndex(const Record* array, uint32_t count) {
    std::vector<const Record*> records;
    if (array == nullptr) return records;
    records.reserve(count);
    for (uint32_t i = 0; i < count; ++i) records.push_back(&array[i]);
    return records;
}

template <class Record, class NextOf>
void CheckArray(std::vector<std::string>& problems, const std::string& what, const Record* array, uint32_t count,
                NextOf nextOf) {
    if (array == nullptr) {
        if (count != 0) problems.push_back(what + ": null array with count " + std::to_string(count));
        return;
    }
    for (uint32_t i = 0; i < count; ++i) {
        const void* expected = i + 1 < count ? nextOf(array[i + 1], true) : nullptr;
        if (nextOf(array[i], false) != expected) {
            problems.push_back(what + "[" + std::to_string(i) + "]: next does not point to " +
                               (expected == nullptr ? std::string("null") : what + "[" + std::to_string(i + 1) + "]"));
        }
    }
}

// The address a record's `next` holds (self = false), or the address a
// predecessor's `next` must hold to reach this record (self = true).
template <class Record>
const void* ChainWord(const Record& record, bool self) {
    return self ? static_cast<const void*>(&record) : static_cast<const void*>(record.next);
}

const void* FunctionChainWord(const PluginFunctionEntry& entry, bool self) {
    return self ? static_cast<const void*>(&entry.record) : static_cast<const void*>(entry.record.next);
}

template <class Record>
const Record* FindByName(const std::vector<const Record*>& records, std::string_view name) {
    for (const Record* record : records) {
        if (DescriptionText(record->name) == name) return record;
    }
    return nullptr;
}

}  // namespace

std::string_view DescriptionText(const char* text) { return text != nullptr ? text : ""; }

std::vector<const PluginFunctionEntry*> FunctionEntries(const PluginApiDescription& api) {
    return ByIndex(api.functions, api.functionCount);
}

std::vector<const PluginTypeRecord*> TypeRecords(const PluginApiDescription& api) {
    return ByIndex(api.types, api.typeCount);
}

std::vector<const PluginEventRecord*> EventRecords(const PluginApiDescription& api) {
    return ByIndex(api.events, api.eventCount);
}

std::vector<const PluginArgumentRecord*> ArgumentRecords(const PluginFunctionRecord& function) {
    return ByIndex(function.args, function.argCount);
}

std::vector<const PluginFieldRecord*> FieldRecords(const PluginTypeRecord& type) {
    return ByIndex(type.fields, type.count);
}

std::vector<const PluginEnumeratorRecord*> EnumeratorRecords(const PluginTypeRecord& type) {
    if (type.fields != nullptr) return {};
    return ByIndex(type.enumerators, type.count);
}

std::vector<std::string_view> TagTexts(const char* const* tags, uint32_t count) {
    std::vector<std::string_view> texts;
    if (tags == nullptr) return texts;
    for (uint32_t i = 0; i < count; ++i) texts.push_back(DescriptionText(tags[i]));
    return texts;
}

const PluginFunctionEntry* EntryOf(const PluginFunctionRecord* record) {
    return reinterpret_cast<const PluginFunctionEntry*>(record);
}

const PluginFunctionEntry* FindFunction(const PluginApiDescription& api, std::string_view name) {
    for (const PluginFunctionEntry* entry : FunctionEntries(api)) {
        if (DescriptionText(entry->record.name) == name) return entry;
    }
    return nullptr;
}

const PluginTypeRecord* FindType(const PluginApiDescription& api, std::string_view name) {
    return FindByName(TypeRecords(api), name);
}

const PluginEventRecord* FindEvent(const PluginApiDescription& api, std::string_view name) {
    return FindByName(EventRecords(api), name);
}

std::vector<std::string> CheckChains(const PluginApiDescription& api) {
    std::vector<std::string> problems;
    CheckArray(problems, "functions", api.functions, api.functionCount, FunctionChainWord);
    CheckArray(problems, "types", api.types, api.typeCount, ChainWord<PluginTypeRecord>);
    CheckArray(problems, "events", api.events, api.eventCount, ChainWord<PluginEventRecord>);
    for (const PluginFunctionEntry* entry : FunctionEntries(api)) {
        const std::string what = std::string("function ") + std::string(DescriptionText(entry->record.name)) + " args";
        CheckArray(problems, what, entry->record.args, entry->record.argCount, ChainWord<PluginArgumentRecord>);
    }
    for (const PluginTypeRecord* type : TypeRecords(api)) {
        const std::string name(DescriptionText(type->name));
        if (type->fields != nullptr) {
            CheckArray(problems, "type " + name + " fields", type->fields, type->count, ChainWord<PluginFieldRecord>);
        } else {
            CheckArray(problems, "type " + name + " enumerators", type->enumerators, type->count,
                       ChainWord<PluginEnumeratorRecord>);
        }
    }
    return problems;
}

}  // namespace kor::hostkit
