#pragma once

#include "binding/BindingResult.h"

#include <string_view>

namespace kor {

// Reads one JSON text (standard JSON: no comments, trailing commas, NaN or
// Infinity) into a value:
// - null leaves its place empty; true/false are bools;
// - an integer that fits 64 bits is unsigned when not negative and signed
//   when negative ("-0" is signed 0); any other number is a float;
// - a string or key ends at its first zero character, since texts are
//   zero-terminated on both sides of the host boundary: an escaped zero
//   ("\u0000") cuts it there, so ["a\u0000b"] reads as ["a"];
// - a repeated key replaces an earlier scalar, concatenates two arrays and
//   merges two objects (later members replace earlier ones).
// Empty or all-white text (space, tab, CR, LF) is the empty value, ok.
//
// A zero byte in `text` ends the text as a terminator would, for a host that
// counts the terminator into the size: after a complete value only more zero
// bytes may follow ("123" and a zero byte reads 123; anything else after the
// zero fails as trailing data, "The document root must not be followed by
// other values."), and a zero byte before the value is complete fails as the
// end of the text would there (inside a string: "Missing a closing quotation
// mark in string."; as the first byte that is not white: "The document is
// empty."). A parse error fails the result with "Error: <text> at offset <n>."
// where <text> is RapidJSON's English text for the error and <n> the byte
// offset where it was found. Nesting deeper than kMaxNestingDepth
// (BindingTreeBuilder.h) fails the same way with "Nesting deeper than 512
// levels is not supported." as the text.
//
// Never throws for malformed input; only std::bad_alloc escapes.
BindingResult ReadJson(std::string_view text);
BindingResult ReadJson(const char* text);

}  // namespace kor
