#pragma once

#include <string>
#include <string_view>
#include <vector>

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

// One value to set with EditIniTexts.
struct IniEdit {
    std::string section;
    std::string key;
    std::string value;
};

// The text EditIniText gives when applied to `text` once per edit, in order,
// but in one pass over the text: a change of thousands of keys costs about
// as much as reading the file once. Sections are located on the text as
// given (a key line with no "=" just before a section header can make the
// two differ in where a section ends; the game never writes such a line).
// Edits whose names hold a line break, "[", "]", "=" or blanks at either
// end, or are empty, cannot be located this way; with any of them the edits
// are applied one by one.
std::string EditIniTexts(std::string_view text, const std::vector<IniEdit>& edits);

}  // namespace kor
