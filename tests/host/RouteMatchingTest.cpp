// std::regex, the reference the matcher is compared with, trips GCC's
// -Wmaybe-uninitialized inside libstdc++ when built with the sanitizers: a
// false positive in the library's headers. Set before every include, since
// the warning is placed at the header's lines.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <gtest/gtest.h>

#include <random>
#include <regex>
#include <string>
#include <string_view>
#include <vector>

#include "host/QueryString.h"
#include "host/RouteMatcher.h"
#include "host/RoutePattern.h"
#include "host/UrlDecoding.h"

namespace kor {
namespace {

std::vector<std::string> Captures(const RoutePattern& pattern, std::string_view path) {
    std::vector<std::string_view> raw;
    if (!pattern.Match(path, raw)) return {"<no match>"};
    return {raw.begin(), raw.end()};
}

// ---- Compilation ----

TEST(RoutePatternCompile, PlaceholdersBecomeGroupsOfTheirKind) {
    const RoutePattern simple = RoutePattern::Compile("/a/{id}/b");
    EXPECT_FALSE(simple.IsLiteral());
    EXPECT_EQ(simple.expression(), "/a/([^/]*)/b");
    EXPECT_EQ(simple.placeholders(), (std::vector<RoutePlaceholder>{{RoutePlaceholderKind::Simple, "id"}}));

    const RoutePattern reserved = RoutePattern::Compile("/files/{+rest}");
    EXPECT_EQ(reserved.expression(), "/files/(.*)");
    EXPECT_EQ(reserved.placeholders(), (std::vector<RoutePlaceholder>{{RoutePlaceholderKind::Reserved, "rest"}}));

    const RoutePattern fragment = RoutePattern::Compile("/x{#frag}");
    EXPECT_EQ(fragment.expression(), "/x#(.*)");
    EXPECT_EQ(fragment.placeholders(), (std::vector<RoutePlaceholder>{{RoutePlaceholderKind::Fragment, "frag"}}));
}

TEST(RoutePatternCompile, SpecialCharactersAreEscapedAndMatchThemselves) {
    const RoutePattern dotted = RoutePattern::Compile("/a.b/{id}");
    EXPECT_EQ(dotted.expression(), "/a\\.b/([^/]*)");
    EXPECT_EQ(Captures(dotted, "/aXb/1"), std::vector<std::string>{"<no match>"});
    EXPECT_EQ(Captures(dotted, "/a.b/1"), std::vector<std::string>{"1"});

    const RoutePattern special = RoutePattern::Compile("^$.*+?()[]|\\{x}");
    EXPECT_EQ(special.expression(), "\\^\\$\\.\\*\\+\\?\\(\\)\\[\\]\\|\\\\([^/]*)");
    EXPECT_EQ(Captures(special, "^$.*+?()[]|\\v"), std::vector<std::string>{"v"});
    EXPECT_EQ(Captures(special, "^$.*+?()[]|\\"), std::vector<std::string>{""});
    EXPECT_EQ(Captures(special, "$.*+?()[]|\\v"), std::vector<std::string>{"<no match>"});
}

TEST(RoutePatternCompile, UnclosedPlaceholderMatchesNothing) {
    const RoutePattern broken = RoutePattern::Compile("/a/{id");
    EXPECT_FALSE(broken.IsValid());
    std::vector<std::string_view> captures;
    EXPECT_FALSE(broken.Match("/a/", captures));
    EXPECT_FALSE(broken.Match("/a/1", captures));
}

TEST(RoutePatternMatch, LongTextMatchesWithoutExhaustingTheStack) {
    const std::string path = "/files/" + std::string(400000, 'a') + "/end";
    const RoutePattern pattern = RoutePattern::Compile("/files/{+rest}/{last}");
    std::vector<std::string_view> captures;
    ASSERT_TRUE(pattern.Match(path, captures));
    ASSERT_EQ(captures.size(), 2u);
    EXPECT_EQ(captures[0].size(), 400000u);
    EXPECT_EQ(captures[1], "end");
    std::string broken = path;
    broken[1000] = '\n';  // "." does not take a line feed; "[^/]" would
    EXPECT_FALSE(pattern.Match(broken, captures));
}

// The matcher stands in for the regular expression: on every text it must
// agree with std::regex_match about whether it matches and what each group
// took. Short random texts over the characters that matter exercise the
// backtracking choices.
TEST(RoutePatternMatch, AgreesWithTheRegexEngineOnShortTexts) {
    const std::vector<std::string> patterns = {
        "/a/{id}/b", "/files/{+rest}", "/x{#frag}", "/{a}/{b}", "/{+a}/{b}", "/{a}{+b}", "{+a}/{+b}/{c}",
        "/{+a}x{#b}", "{a}.{b}", "/p{x}q{+y}q",
    };
    const std::string alphabet = "/abxq#.\n";
    std::mt19937 random(12345);
    for (const std::string& text : patterns) {
        const RoutePattern pattern = RoutePattern::Compile(text);
        const std::regex expression(pattern.expression(), std::regex::ECMAScript | std::regex::optimize);
        int matched = 0;
        for (int round = 0; round < 4000; ++round) {
            // Fill the pattern's placeholders with random text (sometimes
            // breaking a fixed character) so near misses and matches mix.
            std::string path;
            bool inside = false;
            for (char c : text) {
                if (c == '{' || c == '}') {
                    inside = c == '{';
                    if (inside) {
                        const int length = static_cast<int>(random() % 5);
                        for (int index = 0; index < length; ++index) path.push_back(alphabet[random() % alphabet.size()]);
                    }
                } else if (!inside) {
                    path.push_back(random() % 12 == 0 ? alphabet[random() % alphabet.size()] : c);
                }
            }
            std::smatch expected;
            const bool regexMatched = std::regex_match(path, expected, expression);
            std::vector<std::string_view> captures;
            ASSERT_EQ(pattern.Match(path, captures), regexMatched) << text << " on " << path;
            if (!regexMatched) continue;
            ++matched;
            ASSERT_EQ(captures.size() + 1, expected.size()) << text << " on " << path;
            for (std::size_t group = 0; group < captures.size(); ++group) {
                EXPECT_EQ(captures[group], expected[group + 1].str()) << text << " on " << path;
            }
        }
        EXPECT_GT(matched, 20) << text;  // the comparison covered real matches
    }
}

TEST(UrlDecoding, PlusAndPercentEscapes) {
    EXPECT_EQ(UrlDecode("A+b"), "A b");
    EXPECT_EQ(UrlDecode("%41%62%2f%2F"), "Ab//");
    EXPECT_EQ(UrlDecode("%C3%A9"), "\xC3\xA9");
    EXPECT_EQ(UrlDecode("100%25"), "100%");
    EXPECT_EQ(UrlDecode("%2B+"), "+ ");
}

struct Routes {
    std::vector<RoutePattern> patterns;
    std::vector<RouteCandidate> candidates;

    Routes& Add(std::string_view pattern, uint32_t method = 0, std::string_view custom = {}) {
        patterns.reserve(16);
        patterns.push_back(RoutePattern::Compile(pattern));
        candidates.push_back(RouteCandidate{&patterns.back(), method, custom});
        return *this;
    }
};

TEST(RouteMatching, FewestCapturedCharactersWin) {
    Routes routes;
    routes.Add("/{+rest}").Add("/files/{name}").Add("/{dir}/{name}");
    const auto match = MatchRoute(routes.candidates, 2, {}, "/files/abc");
    ASSERT_TRUE(match);
    EXPECT_EQ(match->routeIndex, 1u);
    EXPECT_EQ(match->captures, (std::vector<RouteCapture>{{"name", "abc"}}));

    // Lengths are those of the decoded values: "%41%42" is two characters.
    Routes encoded;
    encoded.Add("/{a}/xyz").Add("/abc/{b}");
    const auto decoded = MatchRoute(encoded.candidates, 2, {}, "/abc/xyz");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->routeIndex, 0u);  // 3 == 3: the earlier stays
    const auto shorter = MatchRoute(encoded.candidates, 2, {}, "/%41%42/xyz");
    ASSERT_TRUE(shorter);
    EXPECT_EQ(shorter->captures, (std::vector<RouteCapture>{{"a", "AB"}}));
}

TEST(RouteMatching, MethodMustFit) {
    Routes routes;
    routes.Add("/r", 2).Add("/r", 8, "PURGE").Add("/r", 0);
    EXPECT_EQ(MatchRoute(routes.candidates, 2, {}, "/r")->routeIndex, 0u);
    EXPECT_EQ(MatchRoute(routes.candidates, 8, "PURGE", "/r")->routeIndex, 1u);
    // Another custom text, another number, or no method: only the any-method route.
    EXPECT_EQ(MatchRoute(routes.candidates, 8, "FETCH", "/r")->routeIndex, 2u);
    EXPECT_EQ(MatchRoute(routes.candidates, 6, {}, "/r")->routeIndex, 2u);
    EXPECT_EQ(MatchRoute(routes.candidates, 0, {}, "/r")->routeIndex, 2u);

    Routes strict;
    strict.Add("/r", 8, "PURGE");
    EXPECT_FALSE(MatchRoute(strict.candidates, 8, "purge", "/r"));
    EXPECT_FALSE(MatchRoute(strict.candidates, 2, {}, "/r"));
    EXPECT_FALSE(MatchRoute(strict.candidates, 0, {}, "/r"));
}

}  // namespace
}  // namespace kor
