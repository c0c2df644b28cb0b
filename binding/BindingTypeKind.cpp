#include "binding/BindingTypeKind.h"

#include <array>

namespace kor {

std::string_view BindingTypeKindName(BindingTypeKind kind) {
    static constexpr std::array<std::string_view, 20> kNames = {
        "",       "bool",   "int8",   "uint8",  "int16",  "uint16", "int32",  "uint32", "int64", "uint64",
        "float",  "double", "string", "object", "blob",   "vector", "enum",   "struct", "callback", "map",
    };
    auto code = static_cast<std::size_t>(kind);
    return code < kNames.size() ? kNames[code] : std::string_view();
}

}  // namespace kor
