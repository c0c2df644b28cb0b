#pragma once

#include "binding/BindingResult.h"

#include <string_view>

namespace kor {

// Reads one JSON text (standard JSON: no comments, trailing commas, NaN or
// Infinity) into a value:
// - null leaves its place empty; true/false are bools;
// - an integer that fits 64 bits is unsigned when not negative and signed
//   when negative ("-0" is signed 0); any other number is a float;
// - strings keep their full text, escaped zero characters included;
// - a repeated key replaces an earlier scalar, concatenates two arrays and
//   merges two objects (later members replace earlier ones).
// Empty or all-white text (space, tab, CR, LF) is the empty value, ok.
//
// The text is all of `text`: a zero byte inside it is an error like any
// other character that is not JSON (a const char* text ends at its
// terminator, of course). A parse error fails the result with "Error: <text> at offset <n>."
// where <text> is RapidJSON's English text for the error and <n> the byte
// offset where it was found. Nesting deeper than kMaxNestingDepth
// (BindingTreeBuilder.h) fails the same way with "Nesting deeper than 512
// levels is not supported." as the text.
//
// Never throws for malformed input; only std::bad_alloc escapes.
BindingResult ReadJson(std::string_view text);
BindingResult ReadJson(const char* text);

}  // namespace kor
