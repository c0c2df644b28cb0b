#pragma once

namespace kor {
class BindingProperty;
class BindingResult;
}  // namespace kor

namespace kor::fuzz {

// Checks what every decoded value must allow: flattened into a plain value
// and read back it gives an equal tree, and nothing of either copy is left
// in the page source once both are gone. A failed result must carry a
// message. Aborts (a finding) when an invariant breaks.
//
// Texts and member names containing a zero byte cannot come back whole (the
// plain record's texts end at their terminator) and a NaN never equals
// itself, so trees holding either are converted and released without the
// equality check.
void CheckDecodedValue(const BindingResult& result);

}  // namespace kor::fuzz
