#include "config/IniTextEditor.h"

#include "config/TextUtilities.h"
#include "config/Utf8Text.h"

namespace kor {
namespace {

constexpr std::size_t npos = std::string::npos;

bool IsBlankOrTab(char c) {
    return c == ' ' || c == '\t';
}

// Whether only blanks or tabs stand between `at` and the start of its line.
// A byte-order mark is no part of the first line: the reader skips it too.
bool StartsLine(const std::string& text, std::size_t at) {
    const std::size_t textStart = ByteOrderMarkLength(text);
    while (at > textStart && IsBlankOrTab(text[at - 1])) --at;
    return at == textStart || text[at - 1] == '\n' || text[at - 1] == '\r';
}

// Whether the characters between the bracket and the name are only blanks or
// tabs, and the bracket opens its line (a "[name]" further on is part of a
// value, such as a key binding, and editing there would split that value);
// gives the position just after the closing "]" in `afterHeader`.
bool IsSectionHeaderAt(const std::string& text, std::size_t at, std::size_t nameLength,
                       std::size_t& afterHeader) {
    std::size_t before = at;
    while (before > 0 && IsBlankOrTab(text[before - 1])) --before;
    if (before == 0 || text[before - 1] != '[' || !StartsLine(text, before - 1)) return false;
    std::size_t after = at + nameLength;
    while (after < text.size() && IsBlankOrTab(text[after])) ++after;
    if (after >= text.size() || text[after] != ']') return false;
    afterHeader = after + 1;
    return true;
}

// Position just after the section's "]", appending the header when the text
// has none.
std::size_t FindOrAppendSection(std::string& text, std::string_view section) {
    for (std::size_t at = FindIgnoringCase(text, section); at != npos;
         at = FindIgnoringCase(text, section, at + 1)) {
        std::size_t afterHeader = 0;
        if (IsSectionHeaderAt(text, at, section.size(), afterHeader)) return afterHeader;
    }
    text += "\r\n\r\n[";
    text += section;
    text += ']';
    return text.size();
}

std::size_t LineEnd(const std::string& text, std::size_t from) {
    const std::size_t end = text.find_first_of("\r\n", from);
    return end == npos ? text.size() : end;
}

// Position of the "[" that starts the next section, or the end of the text.
std::size_t FindSectionEnd(const std::string& text, std::size_t from) {
    std::size_t pos = from;
    while (true) {
        pos = text.find_first_not_of(" \t\r\n", pos);
        if (pos == npos) return text.size();
        const char c = text[pos];
        if (c == '[') return pos;
        if (c == '#' || c == '\'' || c == ';') {
            pos = LineEnd(text, pos);
            continue;
        }
        const std::size_t equals = text.find('=', pos);
        if (equals == npos) return text.size();
        pos = LineEnd(text, equals);
    }
}

// Position of the "=" of `key`'s line inside [from, sectionEnd), or npos.
std::size_t FindKeyEquals(const std::string& text, std::string_view key, std::size_t from,
                          std::size_t sectionEnd) {
    for (std::size_t at = FindIgnoringCase(text, key, from); at != npos && at < sectionEnd;
         at = FindIgnoringCase(text, key, at + 1)) {
        if (at == 0 || text[at - 1] != '\n') continue;
        std::size_t after = at + key.size();
        while (after < sectionEnd && IsBlankOrTab(text[after])) ++after;
        if (after < sectionEnd && text[after] == '=') return after;
    }
    return npos;
}

}  // namespace

std::string EditIniText(std::string_view original, std::string_view section, std::string_view key,
                        std::string_view value) {
    std::string text(original);
    const std::size_t sectionStart = FindOrAppendSection(text, section);
    const std::size_t sectionEnd = FindSectionEnd(text, sectionStart);
    const std::size_t equals = FindKeyEquals(text, key, sectionStart, sectionEnd);
    if (equals != npos) {
        const std::size_t valueStart = equals + 1;
        text.replace(valueStart, LineEnd(text, valueStart) - valueStart, value);
        return text;
    }
    std::string line = "\r\n";
    line += key;
    line += '=';
    line += value;
    text.insert(sectionStart, line);
    return text;
}

}  // namespace kor
