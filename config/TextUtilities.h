#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kor {

// ASCII-only case folding: bytes outside "A"-"Z" / "a"-"z" are never changed,
// so names in any other encoding pass through untouched.
char ToLowerAscii(char c);
std::string ToLowerAscii(std::string_view text);

// First occurrence of `needle` in `text` at or after `from`, ignoring ASCII
// case; npos when there is none. An empty needle matches at `from` (when
// `from` lies inside the text or at its end).
std::size_t FindIgnoringCase(std::string_view text, std::string_view needle, std::size_t from = 0);

// Last occurrence of `needle` in `text` (exact case); npos when there is none.
std::size_t FindLast(std::string_view text, std::string_view needle);

// Three-way comparison ignoring ASCII case; bytes compare unsigned.
int CompareIgnoringCase(std::string_view a, std::string_view b);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// Whether `text` starts with `prefix`, ignoring ASCII case.
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

}  // namespace kor
