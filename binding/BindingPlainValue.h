#pragma once

#include "abi/PluginAbi.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kor {

class BindingProperty;
class BindingRegistry;

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
    char* error;        // owned copy (platform counting allocator), or null
    uint8_t errorFlag;  // 1 once a conversion failed
};
#pragma pack(pop)

static_assert(offsetof(BindingPlainResult, error) == offsetof(PluginResponse, error));
static_assert(offsetof(BindingPlainResult, errorFlag) == offsetof(PluginResponse, errorFlag));

// Flattens `source` into `target` for the host. Texts, blobs and arrays are
// new blocks of the plug-in's counting allocator (platform/
// CountingAllocator.h, malloc semantics) owned by `target`, which the
// receiver frees with ClearPlainValue. Enum values become the enumerator's
// name (kind 6) when `registry` is given and knows the enumerator, else their
// number (kind 2). Members come in key order. `target` is overwritten without being
// freed first. On failure (out of memory, or a string or blob longer than
// 32 bits can describe) `target` is left all zero and false is returned.
// Never throws.
bool ConvertToPlainValue(const BindingProperty& source, BindingPlainValue& target,
                         const BindingRegistry* registry) noexcept;

// Builds `target` from a plain value of the host. Kinds 5 and 6 intern the
// text up to its first zero byte (the length word is not used); 7 and 8 copy
// the bytes; 9 and 10 convert every element and member. `source` is neither
// modified nor freed. Returns true on success.
//
// On failure `target` is left empty, `result.value` is cleared, a previous
// `result.error` is freed, and `result.error` receives an allocated copy of
// the message with `result.errorFlag` set to 1. A kind outside 0-10,
// anywhere in the tree, gives "Couldn't assign value to '<name>' of type
// object because the input is of an incompatible type '<kind name>'.";
// running out of memory (including collections above the element limit)
// gives the text of that failure.
//
// Malformed input is tolerated where it can be seen: a null text, blob,
// element array or member array is read as an empty one whatever its count
// says, and a member with a null name gets the empty key. Counts larger than
// the arrays they describe, and cyclic arrays, cannot be detected.
// Never throws.
bool ConvertFromPlainValue(BindingPlainResult& result, BindingProperty& target, const BindingPlainValue& source,
                           std::string_view name) noexcept;

// Frees the owned parts of `value` (texts and blobs of kinds 6 and 8, member
// names marked owned, element and member arrays, recursively) and zeroes
// all 12 bytes. Borrowed texts and blobs (kinds 5 and 7) are not freed.
// Never throws.
void ClearPlainValue(BindingPlainValue& value) noexcept;

}  // namespace kor
