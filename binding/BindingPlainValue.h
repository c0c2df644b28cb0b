#pragma once

#include "abi/PlainValue.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kor {

class BindingProperty;
class BindingRegistry;

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

// Releases `value` (see ReleasePlainValue) with the counting allocator's
// free, which every plain value the plug-in builds was allocated from.
// Never throws.
void ClearPlainValue(BindingPlainValue& value) noexcept;

}  // namespace kor
