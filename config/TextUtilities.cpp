#include "config/TextUtilities.h"

namespace kor {

char ToLowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + ('a' - 'A')) : c;
}

std::string ToLowerAscii(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = ToLowerAscii(c);
    return lower;
}

namespace {

bool MatchesAt(std::string_view text, std::size_t at, std::string_view needle) {
    for (std::size_t i = 0; i < needle.size(); ++i) {
        if (ToLowerAscii(text[at + i]) != ToLowerAscii(needle[i])) return false;
    }
    return true;
}

}  // namespace

// Candidates are the places of the needle's first letter in either case,
// which memchr finds far faster than a comparison at every position.
std::size_t FindIgnoringCase(std::string_view text, std::string_view needle, std::size_t from) {
    constexpr std::size_t npos = std::string_view::npos;
    if (from > text.size() || needle.size() > text.size() - from) return npos;
    if (needle.empty()) return from;
    const std::size_t last = text.size() - needle.size();
    const char lower = ToLowerAscii(needle[0]);
    const char upper = (lower >= 'a' && lower <= 'z') ? static_cast<char>(lower - ('a' - 'A')) : lower;
    std::size_t nextLower = text.find(lower, from);
    std::size_t nextUpper = upper != lower ? text.find(upper, from) : npos;
    while (true) {
        const std::size_t at = nextLower < nextUpper ? nextLower : nextUpper;
        if (at == npos || at > last) return npos;
        if (MatchesAt(text, at, needle)) return at;
        if (at == nextLower) {
            nextLower = text.find(lower, at + 1);
        } else {
            nextUpper = text.find(upper, at + 1);
        }
    }
}

std::size_t FindLast(std::string_view text, std::string_view needle) {
    return text.rfind(needle);
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t common = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(ToLowerAscii(a[i]));
        const auto y = static_cast<unsigned char>(ToLowerAscii(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareIgnoringCase(a, b) == 0;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && MatchesAt(text, 0, prefix);
}

}  // namespace kor
