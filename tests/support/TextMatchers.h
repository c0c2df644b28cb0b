#pragma once

#include <gmock/gmock.h>

#include <regex>
#include <string>

// Text matchers that behave the same on every system: GoogleTest's own
// regular expressions are POSIX ones on Linux but a small subset on Windows
// (no brackets, braces or alternation).

namespace kor::testing {

// The whole text matches the ECMAScript regular expression `pattern`.
MATCHER_P(MatchesPattern, pattern, "matches " + std::string(pattern)) {
    return std::regex_match(std::string(arg), std::regex(pattern));
}

// The text contains `first` and, somewhere after it, `second`.
MATCHER_P2(ContainsInOrder, first, second,
           "contains \"" + std::string(first) + "\" and then \"" + std::string(second) + "\"") {
    const std::string text(arg);
    const std::size_t at = text.find(first);
    return at != std::string::npos && text.find(second, at + std::string(first).size()) != std::string::npos;
}

}  // namespace kor::testing
