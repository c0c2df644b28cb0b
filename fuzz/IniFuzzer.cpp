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

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) { return lower(x) == lower(y); });
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

// Splits off the next field up to a zero byte and keeps the bytes `keep` takes.
template <class Keep>
std::string NextField(std::string_view& input, Keep keep) {
    const std::size_t end = input.find('\0');
    std::string kept;
    for (char c : input.substr(0, end)) {
        if (keep(c)) kept += c;
    }
    input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    return kept;
}

// Whether reader and editor see the same lines: every line a header alone on
// its line, a pair, a comment or blank, and no line holding `key` indented.
bool IsRegular(std::string_view text, std::string_view key) {
    // A lone CR ends a value for the reader and a line for the editor, but a
    // comment runs on to the next LF: replacing a value together with its
    // trailing comment would uncover the lone-CR lines the comment hid.
    for (std::size_t cr = text.find('\r'); cr != std::string_view::npos; cr = text.find('\r', cr + 1)) {
        if (cr + 1 < text.size() && text[cr + 1] != '\n') return false;
    }
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        const std::string_view whole = text.substr(0, end), line = TrimBlanks(whole);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        const std::size_t equals = line.find('='), first = whole.find_first_not_of(' ');
        if (line.empty() || std::string_view("#;'").find(line.front()) != std::string_view::npos) {
            // The reader skips blanks and line breaks before a line, but not
            // tabs: after a tab, a comment or an empty rest begins the next key.
            if (first != std::string_view::npos && whole[first] == '\t') return false;
        } else if (line.front() == '[') {
            // Blanks after the "]" would join the next line's key.
            if (whole.back() != ']' || line.find(']') != line.size() - 1 || line.rfind('[') != 0) return false;
        } else if (equals == std::string_view::npos || line.substr(0, equals).find('[') != std::string_view::npos) {
            return false;
        } else if ((whole.front() == ' ' || whole.front() == '\t') && EqualIgnoringCase(TrimBlanks(line.substr(0, equals)), key)) {
            // The reader trims a key's indentation and takes that line first,
            // while the editor writes only where a key opens its line.
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto isName = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '.';
    };
    const std::string section = NextField(input, isName), key = NextField(input, isName);
    std::string value = NextField(input, [](char c) {
        return c >= 0x20 && c < 0x7F && std::string_view("#;\"'[]").find(c) == std::string_view::npos;
    });
    // The reader skips blanks and "=" after a key's "=", as the game does, so
    // the service never writes a value that starts with either.
    value.erase(0, value.find_first_not_of(" \t="));
    value = std::string(TrimBlanks(value));
    const std::string_view text = input;
    if (section.empty() || key.empty()) return 0;
    // A byte-order mark is no part of the first line, to the reader as to the editor.
    const bool checked = IsRegular(text.substr(text.starts_with("\xEF\xBB\xBF") ? 3 : 0), key);

    const std::vector<Pair> before = Read(text);
    const std::string edited = kor::EditIniText(text, section, key, value);
    const std::vector<Pair> after = Read(edited);
    if (!checked) return 0;

    // The first pair of a section and key is the one a configuration file
    // keeps; every other pair reads as before.
    const auto written = [&](const Pair& pair) {
        return EqualIgnoringCase(TrimBlanks(pair.section), section) && EqualIgnoringCase(pair.key, key);
    };
    const auto effective = std::find_if(after.begin(), after.end(), written);
    KOR_FUZZ_CHECK(effective != after.end() && effective->value == value, "the written value reads back");
    std::vector<Pair> othersBefore, othersAfter;
    std::remove_copy_if(before.begin(), before.end(), std::back_inserter(othersBefore), written);
    std::remove_copy_if(after.begin(), after.end(), std::back_inserter(othersAfter), written);
    KOR_FUZZ_CHECK(othersBefore == othersAfter, "every other pair reads as before");
    return 0;
}
