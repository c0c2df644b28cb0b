#pragma once

#include <string>
#include <string_view>

#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/Outcome.h"

namespace kor::hostkit {

// JSON text for a host value.
//
// - empty is null; bool, signed and unsigned print as JSON literals and
//   integers; a float always prints with a fraction or an exponent ("1.0",
//   "1e+300") in its shortest round-trip form, so it reads back as a float;
//   NaN and the infinities, which JSON cannot carry, print as null.
// - strings are escaped: quote, backslash and every control character below
//   0x20 ("\n", "\t", ... or "\u001f"); other bytes are copied. Bytes that are
//   not valid UTF-8 (stray continuation bytes, overlong forms, surrogates,
//   code points above U+10FFFF, cut-off sequences) are each replaced by
//   U+FFFD, so the output is always valid UTF-8 and valid JSON. Member names
//   are treated the same way.
// - blobs print as a base64 string (Base64.h). JSON has no blob type, so a
//   blob reads back as that string, not as a blob.
// - structures keep their member order.
// With `pretty`, nested values are indented by two blanks per level.
std::string EncodeJson(const HostValue& value, bool pretty = false);

// A host value for JSON text (RFC 8259, one root value of any kind, UTF-8
// validated). Numbers keep their kind: a non-negative integer that fits in 64
// bits is unsigned, a negative one that fits is signed, anything else
// (fraction, exponent, too large) is a float. A repeated member name keeps
// the first position and the last value. Nesting deeper than kMaxJsonDepth,
// trailing text and NUL bytes are failures; the message gives the offset.
Outcome<HostValue> DecodeJson(std::string_view text);

inline constexpr int kMaxJsonDepth = 512;

}  // namespace kor::hostkit
