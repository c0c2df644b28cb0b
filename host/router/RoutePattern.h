#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kor {

// The three URI-template expansions a path pattern may use.
enum class RoutePlaceholderKind : uint8_t {
    Simple = 1,    // {name}: one path segment, no "/"
    Reserved = 2,  // {+name}: any text, "/" included
    Fragment = 3,  // {#name}: "#" followed by any text
};

struct RoutePlaceholder {
    RoutePlaceholderKind kind = RoutePlaceholderKind::Simple;
    std::string name;

    bool operator==(const RoutePlaceholder&) const = default;
};

// A route's path pattern, compiled once when its handler binding is made and
// then only read, so calls on any number of threads may match against it.
//
// A pattern without "{" is a literal path, matched by byte comparison. Any
// other pattern is an ECMAScript regular expression built from it (special
// characters escaped, {id} as ([^/]*), {+id} as (.*), {#id} as #(.*)) and
// matched against the whole text. The expression is kept as text for what
// describes the route, but it is matched by a dedicated matcher that gives
// the same answer and the same captures as a backtracking regex engine
// would (greedy, leftmost group first; "." stops at line feed and carriage
// return) in time linear in the text for a given pattern and without
// recursing on the text: a regex engine's recursion overflows the stack on a
// long URL.
//
// A pattern with an unclosed placeholder is invalid and matches nothing.
class RoutePattern {
public:
    RoutePattern() = default;
    static RoutePattern Compile(std::string_view pattern);

    bool IsLiteral() const { return literal_; }
    bool IsValid() const { return valid_; }
    // The pattern as given; for a literal route, the path it matches.
    const std::string& pattern() const { return pattern_; }
    // The regular expression (empty for a literal route).
    const std::string& expression() const { return expression_; }
    const std::vector<RoutePlaceholder>& placeholders() const { return placeholders_; }

    // Whether the whole `path` matches. On success `captures` holds, for each
    // placeholder in order, the text it took (not yet URL-decoded; views into
    // `path`); a literal route captures nothing.
    bool Match(std::string_view path, std::vector<std::string_view>& captures) const;

private:
    // The expression as a sequence of steps: fixed text, or a group that
    // takes as many characters as it can up to (not including) a stop
    // character.
    struct Step {
        enum class Kind : uint8_t { Text, Segment, Rest };
        Kind kind = Kind::Text;
        std::string text;  // for Text
    };

    void AppendText(char c);
    void AppendGroup(RoutePlaceholderKind kind, std::string name);
    bool MatchSteps(std::string_view path, std::vector<std::string_view>& captures) const;

    std::string pattern_;
    std::string expression_;
    std::vector<RoutePlaceholder> placeholders_;
    std::vector<Step> steps_;
    bool literal_ = true;
    bool valid_ = true;
};

}  // namespace kor
