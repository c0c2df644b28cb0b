#pragma once

#include <cstdint>
#include <string_view>

namespace kor {

// The kind of a BindingProperty; one byte inside every value.
enum class BindingPropertyKind : uint8_t {
    Empty = 0,
    Bool = 1,
    Signed = 2,
    Unsigned = 3,
    Float = 4,
    String = 5,
    Blob = 6,
    Enum = 7,
    Collection = 8,
    Structure = 9,
};

// The display name conversion messages print for a kind ("empty", "bool",
// "signed", ..., "structure"); the empty text for a code outside the table.
std::string_view BindingPropertyKindName(BindingPropertyKind kind);

}  // namespace kor
