#pragma once

#include <cstdint>
#include <string_view>

namespace kor {

// The native type of a registered field, parameter or return value. The
// codes are also the type codes of the API description handed to the host.
enum class BindingTypeKind : uint32_t {
    None = 0,
    Bool = 1,
    Int8 = 2,
    UInt8 = 3,
    Int16 = 4,
    UInt16 = 5,
    Int32 = 6,
    UInt32 = 7,
    Int64 = 8,
    UInt64 = 9,
    Float = 10,
    Double = 11,
    String = 12,
    Object = 13,  // a BindingProperty held as is
    Blob = 14,
    Vector = 15,
    Enum = 16,
    Struct = 17,
    Callback = 18,
    Map = 19,
};

// The display name ("bool", "int8", ..., "map"); the empty text for None and
// for codes outside 1-19.
std::string_view BindingTypeKindName(BindingTypeKind kind);

}  // namespace kor
