#include "CompiledFileBuilder.h"

#include "config/CompiledConfig.h"
#include "config/ValueText.h"

#include <gtest/gtest.h>

#include <limits>

namespace kor {
namespace {

using testing::CompiledFileBuilder;

CompiledConfig Loaded(const CompiledFileBuilder& builder) {
    CompiledConfig config;
    EXPECT_EQ(config.Load(builder.Build()), CompiledConfig::LoadResult::kLoaded);
    return config;
}

TEST(CompiledConfig, IntegerTablesAndTheirFallbacks) {
    CompiledFileBuilder builder;
    builder.Int64(1, int64_t{5000000000})
        .Int32(0, 2, -7)
        .Int16(3, -300)
        .Byte(4, 4, 200)
        .Float(1, 5, -2.75f)
        .Byte(2, 6, 25)
        .Bit(7, true)
        .String(8, "  42abc")
        .String(9, "none");
    // Table 13 wins over table 0 for the same key.
    builder.Int32(0, 1, 11);
    const CompiledConfig config = Loaded(builder);

    int64_t wide = 0;
    int32_t narrow = 0;
    const std::pair<uint32_t, int64_t> expected[] = {{1, 5000000000}, {2, -7}, {3, -300}, {4, 200}, {5, -2},
                                                     {6, 2},          {7, 1},  {8, 42},   {9, 0}};
    for (const auto& [key, value] : expected) {
        ASSERT_TRUE(config.FindInt64(key, wide)) << key;
        EXPECT_EQ(wide, value) << key;
        ASSERT_TRUE(config.FindInt32(key, narrow)) << key;
        EXPECT_EQ(narrow, static_cast<int32_t>(value)) << key;
    }
    EXPECT_FALSE(config.FindInt32(99, narrow));
}

TEST(CompiledConfig, FloatBoolAndTextLookups) {
    CompiledFileBuilder builder;
    builder.Float(1, 1, 1.5f)
        .Byte(2, 2, 7)
        .Int32(0, 3, 9)
        .Bit(4, false)
        .Bit(5, true)
        .String(6, "2.25")
        .String(7, "1yes")
        .Add(9, 8, CompiledFileBuilder::Bytes(0.5f) + CompiledFileBuilder::Bytes(-1.0f))
        .Add(6, 10, std::string("\x01\x02\x03", 3))
        .Add(10, 11, std::string("\x0A\x00\x14\x05", 4));
    const CompiledConfig config = Loaded(builder);

    const std::pair<uint32_t, float> reals[] = {{1, 1.5f}, {2, 0.7f}, {3, 9.0f}, {5, 1.0f}, {6, 2.25f}};
    for (const auto& [key, value] : reals) {
        float real = 0;
        ASSERT_TRUE(config.FindFloat(key, real)) << key;
        EXPECT_FLOAT_EQ(real, value) << key;
    }
    // Bits, then texts starting with "1"; floats are not bools.
    const std::pair<uint32_t, bool> flags[] = {{5, true}, {4, false}, {7, true}, {6, false}};
    for (const auto& [key, value] : flags) {
        bool flag = !value;
        ASSERT_TRUE(config.FindBool(key, flag)) << key;
        EXPECT_EQ(flag, value) << key;
    }
    bool flag = false;
    EXPECT_FALSE(config.FindBool(1, flag));

    std::string text;
    const std::pair<uint32_t, const char*> texts[] = {{1, "1.5"},   {2, "0.7"},     {3, "9"},
                                                      {4, "0"},     {6, "2.25"},    {8, "0.5 -1"},
                                                      {10, "0.1 0.2 0.3"}, {11, "1 0 2 0.5"}};
    for (const auto& [key, value] : texts) {
        ASSERT_TRUE(config.FindText(key, text)) << key;
        EXPECT_EQ(text, value) << key;
    }
}

TEST(CompiledConfig, RejectsOldVersionsAndDamagedFiles) {
    CompiledFileBuilder builder;
    builder.Int32(0, 1, 5).String(2, "abc");
    CompiledConfig config;
    EXPECT_EQ(config.Load(builder.Build(1)), CompiledConfig::LoadResult::kOldVersion);
    EXPECT_EQ(config.Load(builder.Build(3)), CompiledConfig::LoadResult::kOldVersion);

    const std::string good = builder.Build();
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        EXPECT_EQ(config.Load(good.substr(0, cut)), CompiledConfig::LoadResult::kMalformed) << cut;
    }
    int32_t value = 0;
    EXPECT_FALSE(config.FindInt32(1, value));

    // A string offset past the string block.
    std::string badOffset = good;
    badOffset[badOffset.size() - 4 - 2] = 9;
    EXPECT_EQ(config.Load(badOffset), CompiledConfig::LoadResult::kMalformed);
}

TEST(ValueText, ConversionsSaturateInsteadOfOverflowing) {
    EXPECT_EQ(LeadingInt32("  -12x"), -12);
    EXPECT_EQ(LeadingInt32("99999999999"), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(LeadingInt32("-99999999999"), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(LeadingInt32("x1"), 0);
    int64_t wide = 7;
    EXPECT_FALSE(ParseLeadingInt64("abc", wide));
    EXPECT_EQ(wide, 7);
    EXPECT_TRUE(ParseLeadingInt64("-9223372036854775808", wide));
    EXPECT_EQ(wide, std::numeric_limits<int64_t>::min());
    EXPECT_TRUE(ParseLeadingInt64("99999999999999999999999", wide));
    EXPECT_EQ(wide, std::numeric_limits<int64_t>::max());
    EXPECT_EQ(NarrowToFloat(1e300), std::numeric_limits<float>::infinity());
    EXPECT_EQ(TruncateToInt32(-3e10), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(TruncateToInt32(2.9), 2);
    EXPECT_EQ(FixedFloatText(1.5), "1.5000");
    EXPECT_EQ(FixedFloatText(1e20).size(), 26u);
    EXPECT_TRUE(TextAsBool("TRUE"));
    EXPECT_FALSE(TextAsBool("False"));
    EXPECT_TRUE(TextAsBool("2"));
    EXPECT_FALSE(TextAsBool("yes"));
}

}  // namespace
}  // namespace kor
