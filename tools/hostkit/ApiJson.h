#pragma once

#include <cstdint>
#include <string_view>

#include "abi/PluginAbi.h"
#include "tools/hostkit/HostValue.h"

namespace kor::hostkit {

// The display name of a type code of the API description ("bool", "int8",
// ..., "object", "vector", "enum", "struct", "map"); the empty text for 0
// (no type) and for codes outside 1-19.
std::string_view TypeCodeName(uint32_t code);

// The API description as a plain tree, for a developer or a user-interface
// author to read (JSON through EncodeJson):
//   {"functions": [{"name", "nameSpace", "description", "help", "threadSafe",
//                   "async", "tags", "arguments": [{"name", "description",
//                   "type", "optional"}], "returns": type}],
//    "types": [{"name", "nameSpace", "size", "description", "tags",
//               "fields": [{"name", "description", "offset", "type",
//                           "optional"}]          -- structures
//               "enumerators": [{"name", "description", "number"}]}],
//                                                 -- enumerations
//    "events": [{"name", "nameSpace", "payloadType", "description", "tags"}]}
// where a type is {"kind", "elementKind", "typeName"} by display name. Records
// are listed in array order; null texts read as empty.
HostValue DescribeApi(const PluginApiDescription& api);

}  // namespace kor::hostkit
