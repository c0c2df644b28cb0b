#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "abi/PluginAbi.h"

namespace kor {

// The kinds of a BindingPlainValue (the `kind` word of the record).
enum class BindingPlainKind : uint32_t {
    Empty = 0,
    Bool = 1,
    Signed = 2,
    Unsigned = 3,
    Float = 4,
    BorrowedString = 5,  // the record does not own the text
    OwnedString = 6,
    BorrowedBlob = 7,    // the record does not own the bytes
    OwnedBlob = 8,
    Collection = 9,      // owned array of element records
    Structure = 10,      // owned array of member records
};

// The display name of a plain kind: "bool", "signed", "unsigned", "float",
// "string" (5 and 6), "blob" (7 and 8), "collection", "structure"; the empty
// text for kind 0 and for codes outside the table.
std::string_view BindingPlainKindName(uint32_t kind);

#pragma pack(push, 1)
// Where a conversion from a plain value reports its failure. Its layout is
// that of the first fields of PluginResponse, so a response's fields can be
// filled from it field for field.
struct BindingPlainResult {
    BindingPlainValue value;
    char* error;        // owned copy, or null
    uint8_t errorFlag;  // 1 once a conversion failed
};
#pragma pack(pop)

static_assert(offsetof(BindingPlainResult, error) == offsetof(PluginResponse, error));
static_assert(offsetof(BindingPlainResult, errorFlag) == offsetof(PluginResponse, errorFlag));

// The free function of the allocator a record's owned blocks came from: each
// side releases only what its own allocator gave.
using PlainFreeFn = void (*)(void*);

// Frees the owned parts of `value` with `release` (texts and blobs of kinds
// 6 and 8, member names marked owned, element and member arrays, at any
// depth without recursion) and zeroes all of the record. Borrowed texts and
// blobs (kinds 5 and 7) are left alone; a null array is taken as empty
// whatever its count says. Never throws.
void ReleasePlainValue(BindingPlainValue& value, PlainFreeFn release) noexcept;

// Frees what a filled response record owns with `release`: its value, the
// error text when the error flag is set, a non-empty status message, every
// header name and value and the header array; then zeroes all of the record.
// The stream is left to its own destroy function. Null does nothing.
void ReleaseResponseRecord(PluginResponse* response, PlainFreeFn release) noexcept;

}  // namespace kor
