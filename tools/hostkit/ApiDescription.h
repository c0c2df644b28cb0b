#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "abi/PluginAbi.h"

namespace kor::hostkit {

// Walking the API description the plug-in hands over at registration. The
// records of each array can be reached by index (array + count) and by the
// `next` chain; both should agree, and CheckChains says where they do not.
// A null array reads as empty, whatever its count.

// A text of the description; null reads as the empty text.
std::string_view DescriptionText(const char* text);

// The records of each array, by index.
std::vector<const PluginFunctionEntry*> FunctionEntries(const PluginApiDescription& api);
std::vector<const PluginTypeRecord*> TypeRecords(const PluginApiDescription& api);
std::vector<const PluginEventRecord*> EventRecords(const PluginApiDescription& api);
std::vector<const PluginArgumentRecord*> ArgumentRecords(const PluginFunctionRecord& function);
// The fields of a structure type; none for an enumeration.
std::vector<const PluginFieldRecord*> FieldRecords(const PluginTypeRecord& type);
// The enumerators of a type that has no fields.
std::vector<const PluginEnumeratorRecord*> EnumeratorRecords(const PluginTypeRecord& type);
std::vector<std::string_view> TagTexts(const char* const* tags, uint32_t count);

// The records reached from `first` through `next`, `first` included, at most
// `limit` of them: a chain that runs on (a cycle) is cut at the limit.
template <class Record>
std::vector<const Record*> FollowChain(const Record* first, std::size_t limit) {
    std::vector<const Record*> chain;
    for (const Record* record = first; record != nullptr && chain.size() < limit; record = record->next) {
        chain.push_back(record);
    }
    return chain;
}

// The function entry whose record this is (function records chain to the
// `record` member of the next entry, which is its first member).
const PluginFunctionEntry* EntryOf(const PluginFunctionRecord* record);

// By exact name; null when there is none.
const PluginFunctionEntry* FindFunction(const PluginApiDescription& api, std::string_view name);
const PluginTypeRecord* FindType(const PluginApiDescription& api, std::string_view name);
const PluginEventRecord* FindEvent(const PluginApiDescription& api, std::string_view name);

// Where the chains disagree with the arrays (a record whose `next` is not the
// following record, a last record whose `next` is not null, a null array with
// a count), one line per problem; empty when the description is consistent.
std::vector<std::string> CheckChains(const PluginApiDescription& api);

}  // namespace kor::hostkit
