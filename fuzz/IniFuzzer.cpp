// INI text as found on disk, then the in-place write the service makes when
// a setting changes. The input is "section\0key\0value\0text"; the section,
// key and value are reduced to what the service writes (names of letters,
// digits, "_" and "."; values without line breaks, comment marks, quotes or
// brackets, and not starting with "=" or a blank),
// the text is taken as it is.
//
// Every text is read and edited. The round-trip invariants are checked on
// texts of regular lines (a section header alone on its line, or a line with
// "=", or a comment or blank line): on other texts the reader's tolerance
// (a line without "=" joins the next line's key, a "[" without "]" ends the
// reading, a comment runs past a lone CR, a key may be indented, a tab before
// a comment or on an empty line starts a key) lets the same bytes mean
// different pairs to the reader and to a line-based editor, as it does for
// the game.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "config/IniTextEditor.h"
#include "config/IniTextReader.h"
#include "fuzz/FuzzCheck.h"

namespace {

struct Pair {
    std::string section, key, value;
    bool operator==(const Pair&) const = default;
};

class PairList : public kor::IniTextHandler {
public:
    void Pair(std::string_view section, std::string_view key, std::string_view value) override {
        pairs.push_back({std::string(section), std::string(key), std::string(value)});
    }
    void PairOutsideSection(std::string_view key, std::string_view value) override {
        pairs.push_back({std::string(), std::string(key), std::string(value)});
    }
    std::vector<::Pair> pairs;
};

std::vector<Pair> Read(std::string_view text) {
    PairList list;
    kor::ReadIniText(text, list);
    return std::move(list.pairs);
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool IsNameByte(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
}

bool IsValueByte(char c) {
    return c >= 0x20 && c < 0x7F && c != '#' && c != ';' && c != '"' && c != '\'' && c != '[' && c != ']';
}

template <class Keep>
std::string Filter(std::string_view text, Keep keep) {
    std::string kept;
    std::copy_if(text.begin(), text.end(), std::back_inserter(kept), keep);
    return kept;
}

// Splits off the next field up to a zero byte.
std::string_view NextField(std::string_view& input) {
    const std::size_t end = input.find('\0');
    const std::string_view field = input.substr(0, end);
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    return field;
}

bool IsLineRegular(std::string_view text) {
    // A lone CR ends a value for the reader and a line for the editor, but a
    // comment runs on to the next LF: replacing a value together with its
    // trailing comment would uncover the lone-CR lines the comment hid.
    for (std::size_t cr = text.find('\r'); cr != std::string_view::npos; cr = text.find('\r', cr + 1)) {
        if (cr + 1 < text.size() && text[cr + 1] != '\n') return false;
    }
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view whole = text.substr(0, end);
        const std::string_view line = TrimBlanks(whole);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const bool quiet = line.empty() || line.front() == '#' || line.front() == ';' || line.front() == '\'';
        // The reader skips blanks and line breaks before a line, but not
        // tabs: after a tab, a comment or an empty rest begins the next key.
        const std::size_t first = whole.find_first_not_of(' ');
        if (quiet && first != std::string_view::npos && whole[first] == '\t') return false;
        if (quiet) continue;
        if (line.front() == '[') {
            // Blanks after the "]" would join the next line's key.
            if (whole.back() != ']' || line.find(']') != line.size() - 1 || line.rfind('[') != 0) return false;
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos || line.substr(0, equals).find('[') != std::string_view::npos) return false;
    }
    return true;
}

// The reader trims a key's indentation, while the editor takes a key only
// where it opens its line: an indented line of the key comes first for the
// reader, and the editor writes to a later one (or a new first line of the
// section), so the written value reads back only when no line holds the key
// indented.
bool HasIndentedKey(std::string_view text, std::string_view key) {
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::size_t equals = line.find('=');
        if (line.empty() || (line.front() != ' ' && line.front() != '\t') || equals == std::string_view::npos) continue;
        if (EqualIgnoringCase(TrimBlanks(line.substr(0, equals)), key)) return true;
    }
    return false;
}

bool IsWrittenPair(const Pair& pair, std::string_view section, std::string_view key) {
    return EqualIgnoringCase(TrimBlanks(pair.section), section) && EqualIgnoringCase(pair.key, key);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::string section = Filter(NextField(input), IsNameByte);
    const std::string key = Filter(NextField(input), IsNameByte);
    std::string value = Filter(NextField(input), IsValueByte);
    // The reader skips blanks and "=" after a key's "=", as the game does, so
    // the service never writes a value that starts with either.
    value.erase(0, value.find_first_not_of(" \t="));
    value = std::string(TrimBlanks(value));
    const std::string_view text = input;
    if (section.empty() || key.empty()) return 0;
    const bool checked = IsLineRegular(text) && !HasIndentedKey(text, key);

    const std::vector<Pair> before = Read(text);
    const std::string edited = kor::EditIniText(text, section, key, value);
    const std::vector<Pair> after = Read(edited);
    if (!checked) return 0;

    // The first pair of a section and key is the one a configuration file
    // keeps; every other pair reads as before.
    const auto written = [&](const Pair& pair) { return IsWrittenPair(pair, section, key); };
    const auto effective = std::find_if(after.begin(), after.end(), written);
    KOR_FUZZ_CHECK(effective != after.end() && effective->value == value, "the written value reads back");
    std::vector<Pair> othersBefore, othersAfter;
    std::remove_copy_if(before.begin(), before.end(), std::back_inserter(othersBefore), written);
    std::remove_copy_if(after.begin(), after.end(), std::back_inserter(othersAfter), written);
    KOR_FUZZ_CHECK(othersBefore == othersAfter, "every other pair reads as before");
    return 0;
}
