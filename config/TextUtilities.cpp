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

std::size_t FindIgnoringCase(std::string_view text, std::string_view needle, std::size_t from) {
    if (from > text.size() || needle.size() > text.size() - from) return std::string_view::npos;
    const std::size_t last = text.size() - needle.size();
    for (std::size_t at = from; at <= last; ++at) {
        if (MatchesAt(text, at, needle)) return at;
    }
    return std::string_view::npos;
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
