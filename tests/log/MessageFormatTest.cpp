#include "log/MessageFormat.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

namespace kor {
namespace {

TEST(MessageFormatPositions, NumbersAndTextsBySlot) {
    EXPECT_EQ(FormatMessage("%1.%2.%3", 1, 2, 3), "1.2.3");
    EXPECT_EQ(FormatMessage("%1 then %2", "a", "b"), "a then b");
    EXPECT_EQ(FormatMessage("%2 then %1", "a", "b"), "b then a");
    EXPECT_EQ(FormatMessage("/kor-game-settings/v1%1", std::string("/game-settings")),
              "/kor-game-settings/v1/game-settings");
}

TEST(MessageFormatPositions, BarePositionUsesTheArgumentsOwnLength) {
    EXPECT_EQ(FormatMessage("%1", int64_t{-9223372036854775807LL - 1}), "-9223372036854775808");
    EXPECT_EQ(FormatMessage("%1", uint64_t{18446744073709551615ULL}), "18446744073709551615");
    EXPECT_EQ(FormatMessage("%1", uint32_t{4294967295u}), "4294967295");
    EXPECT_EQ(FormatMessage("%1", 'x'), "x");
    EXPECT_EQ(FormatMessage("%1", 1.5), "1.5");
    EXPECT_EQ(FormatMessage("%1", 1.8446744073709552e19), "1.84467e+19");
}

TEST(MessageFormatSpecifications, WidthFlagsAndFallbackConversion) {
    EXPECT_EQ(FormatMessage("%1$5d", 42), "   42");
    EXPECT_EQ(FormatMessage("%1$-5d|", 42), "42   |");
    EXPECT_EQ(FormatMessage("%1$s", 42), "42");           // s is not accepted by an integer
    EXPECT_EQ(FormatMessage("%1$d", "text"), "text");     // d is not accepted by a text
    EXPECT_EQ(FormatMessage("%1$x", 255), "ff");
    EXPECT_EQ(FormatMessage("%1$08.3f", 3.14159), "0003.142");
    EXPECT_EQ(FormatMessage("%d and %s", 7, "seven"), "7 and seven");
    EXPECT_EQ(FormatMessage("%1$lld", 5), "5");  // the template's length modifier is not trusted
}

TEST(MessageFormatSpecifications, WidthAndPrecisionFromArguments) {
    EXPECT_EQ(FormatMessage("%*d", 6, 42), "    42");
    EXPECT_EQ(FormatMessage("%.*f", 2, 3.14159), "3.14");
    EXPECT_EQ(FormatMessage("%3$*1$.*2$f", 8, 1, 2.25), "     2.2");
    EXPECT_EQ(FormatMessage("%*d|", -4, 7), "7   |");
    // The most negative width has no positive counterpart: it is ignored.
    EXPECT_EQ(FormatMessage("%*d|", INT32_MIN, 7), "7|");
    // A width that cannot be read as an integer ends the text.
    EXPECT_EQ(FormatMessage("ab%*dcd", "wide", 7), "ab");
}

TEST(MessageFormatSpecifications, PercentSignsAndTheNConversion) {
    EXPECT_EQ(FormatMessage("100%%"), "100%");
    EXPECT_EQ(FormatMessage("%%%1", 5), "%5");
    int untouched = 17;
    EXPECT_EQ(FormatMessage("a%1$nb", untouched), "ab");
    EXPECT_EQ(untouched, 17);
}

TEST(MessageFormatMalformed, StopsWithoutFailing) {
    EXPECT_EQ(FormatMessage("before %3 after", 1, 2), "before ");
    EXPECT_EQ(FormatMessage("dangling %"), "dangling ");
    EXPECT_EQ(FormatMessage("dangling %1$"), "dangling ");
    EXPECT_EQ(FormatMessage("no args %s"), "no args ");
    std::string longSpec = "x%1$" + std::string(70, '0') + "d";
    EXPECT_EQ(FormatMessage(longSpec, 1), "x");
    // Any bytes at all: never crashes, always terminated.
    std::string noise;
    for (int i = 0; i < 256; ++i) noise += static_cast<char>(i);
    std::string out = FormatMessage(noise + noise, 1, "t", 2.0);
    EXPECT_LE(out.size(), 4095u);
}

TEST(MessageFormatBuffer, TruncatesAtSizeMinusOne) {
    char buffer[8];
    std::size_t n = FormatMessageInto(buffer, sizeof buffer, "%1 and more", nullptr, 0);
    EXPECT_EQ(n, 0u);
    EXPECT_STREQ(buffer, "");
    const FormatArgument args[] = {"abcdefghijkl"};
    n = FormatMessageInto(buffer, sizeof buffer, "%1", args, 1);
    EXPECT_EQ(n, 7u);
    EXPECT_STREQ(buffer, "abcdefg");
    n = FormatMessageInto(buffer, sizeof buffer, "0123456789", nullptr, 0);
    EXPECT_EQ(n, 7u);
    EXPECT_STREQ(buffer, "0123456");
    std::string big(5000, 'z');
    EXPECT_EQ(FormatMessage("%1", big).size(), 4095u);
}

TEST(MessageFormatVersion, PrintsItsParts) {
    SemanticVersion plain{18, 0, 0, "", ""};
    SemanticVersion full{1, 2, 3, "beta", "7"};
    EXPECT_EQ(VersionText(plain), "18.0.0");
    EXPECT_EQ(VersionText(full), "1.2.3-beta+7");
    EXPECT_EQ(FormatMessage("%1 supports %2", "p", full), "p supports 1.2.3-beta+7");
    EXPECT_EQ(FormatMessage("%1$d", plain), "18.0.0");
}

}  // namespace
}  // namespace kor
