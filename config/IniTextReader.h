#pragma once

#include <string_view>

namespace kor {

// Receives what the INI reader finds, in file order.
class IniTextHandler {
public:
    virtual ~IniTextHandler() = default;
    // A key/value pair under a non-empty section header.
    virtual void Pair(std::string_view section, std::string_view key, std::string_view value) = 0;
    // A pair read before any section header, or under an empty one ("[]").
    virtual void PairOutsideSection(std::string_view key, std::string_view value) = 0;
};

// Reads INI text the way the game writes and tolerates it:
// - "[" opens a section whose name is everything up to the next "]", line
//   breaks included; a "[" without a later "]" ends the reading.
// - A line starting with "#", "'" or ";" is a comment.
// - A key runs from the current position to the next "=" (a line without "="
//   joins the next line's key) and is trimmed of blanks and tabs.
// - The value starts after the "=" and any blanks, tabs or further "=", and
//   ends before a line break, "#" or ";"; it is trimmed, and one pair of
//   matching double or single quotes around it is removed.
// - Text before a "[" that is not part of a pair is skipped.
// `text` is the file's bytes; the reader behaves as if one "\n" followed them.
void ReadIniText(std::string_view text, IniTextHandler& handler);

}  // namespace kor
