#include "log/MessageFormat.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace kor {
namespace {

const SemanticVersion kPlain{18, 0, 0, "", ""}, kFull{1, 2, 3, "beta", "7"};

TEST(MessageFormatTest, Cases) {
    const std::string longSpecification = "x%1$" + std::string(70, '0') + "d", big(5000, 'z');
    struct {
        std::string tmpl;
        std::vector<FormatArgument> args;
        std::string expected;
    } cases[] = {
        {"%1.%2.%3", {1, 2, 3}, "1.2.3"},
        {"%2 then %1", {"a", "b"}, "b then a"},
        // A bare position uses the argument's own length and conversion.
        {"%1", {int64_t{INT64_MIN}}, "-9223372036854775808"},
        {"%1", {uint64_t{UINT64_MAX}}, "18446744073709551615"},
        {"%1", {uint32_t{UINT32_MAX}}, "4294967295"},
        {"%1", {'x'}, "x"},
        {"%1", {1.5}, "1.5"},
        {"%1", {1.8446744073709552e19}, "1.84467e+19"},
        {"%1$5d|%1$-5d|", {42}, "   42|42   |"},
        {"%1$s", {42}, "42"},  // a conversion the argument does not accept falls back to its own
        {"%1$d", {"text"}, "text"},
        {"%1$x", {255}, "ff"},
        {"%1$08.3f", {3.14159}, "0003.142"},
        {"%d and %s", {7, "seven"}, "7 and seven"},
        {"%1$lld", {5}, "5"},  // the template's length modifier is not trusted
        {"%*d", {6, 42}, "    42"},
        {"%.*f", {2, 3.14159}, "3.14"},
        {"%3$*1$.*2$f", {8, 1, 2.25}, "     2.2"},
        {"%*d|", {-4, 7}, "7   |"},
        {"%*d|", {INT32_MIN, 7}, "7|"},  // no positive counterpart: ignored
        {"ab%*dcd", {"wide", 7}, "ab"},   // a width that is not an integer ends the text
        {"100%%", {}, "100%"},
        {"%%%1", {5}, "%5"},
        {"a%1$nb", {17}, "ab"},
        // Malformed: stops without failing.
        {"before %3 after", {1, 2}, "before "},
        {"dangling %", {}, "dangling "},
        {"dangling %1$", {}, "dangling "},
        {"no args %s", {}, "no args "},
        {longSpecification, {1}, "x"},
        {"%1 supports %2|%3$d", {"p", kFull, kPlain}, "p supports 1.2.3-beta+7|18.0.0"},
        {"%1", {big}, std::string(4095, 'z')},
    };
    for (const auto& c : cases) EXPECT_EQ(FormatMessageArgs(c.tmpl, c.args.data(), c.args.size()), c.expected) << c.tmpl;

    std::string noise;  // any bytes at all: never crashes, always terminated
    for (int i = 0; i < 512; ++i) noise += static_cast<char>(i);
    EXPECT_LE(FormatMessage(noise, 1, "t", 2.0).size(), 4095u);
}

TEST(MessageFormatTest, BufferIsCutAtSizeMinusOne) {
    char buffer[8];
    const FormatArgument args[] = {"abcdefghijkl"};
    EXPECT_EQ(FormatMessageInto(buffer, sizeof buffer, "%1 and more", nullptr, 0), 0u);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(FormatMessageInto(buffer, sizeof buffer, "%1", args, 1), 7u);
    EXPECT_STREQ(buffer, "abcdefg");
    EXPECT_EQ(FormatMessageInto(buffer, sizeof buffer, "0123456789", nullptr, 0), 7u);
    EXPECT_STREQ(buffer, "0123456");
}

}  // namespace
}  // namespace kor
