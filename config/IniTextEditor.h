#pragma once

#include <string>
#include <string_view>

namespace kor {

// Sets `key` of `section` to `value` in INI text and returns the new text.
// Everything else stays byte for byte: other sections and keys, comments,
// blank lines and each line's own line ending.
// - The section is the first "[ name ]" whose name matches ignoring ASCII
//   case with only blanks or tabs around it inside the brackets; a missing
//   section is appended as CR LF CR LF "[section]".
// - The key matches ignoring case at the start of a line inside the section,
//   followed by blanks or tabs and "="; the rest of that line after the "=" is
//   replaced by the value, so the spacing before the "=" stays and a trailing
//   comment goes.
// - A missing key becomes CR LF "key=value" right after the section's "]".
std::string EditIniText(std::string_view text, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace kor
