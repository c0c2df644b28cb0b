#include "CompiledFileBuilder.h"

#include "config/CompiledConfig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace kor {
namespace {

using testing::CompiledFileBuilder;

// Every lookup of a key, as text: "-" where the lookup finds nothing.
std::string LookUp(const CompiledConfig& config, uint32_t key) {
    int32_t narrow = 0;
    int64_t wide = 0;
    float real = 0;
    bool flag = false;
    std::string text;
    std::string out = config.FindInt32(key, narrow) ? std::to_string(narrow) : "-";
    out += config.FindInt64(key, wide) ? "|" + std::to_string(wide) : "|-";
    out += config.FindFloat(key, real) ? "|" + ::testing::PrintToString(real) : "|-";
    out += config.FindBool(key, flag) ? (flag ? "|true" : "|false") : "|-";
    return out + (config.FindText(key, text) ? "|" + text : "|-");
}

// One key per table and kind; table 13 (64-bit) wins over table 0 for the
// same key; floats are not booleans, texts starting with "1" are true.
TEST(CompiledConfigTest, EveryTableThroughEveryLookup) {
    CompiledFileBuilder builder;
    builder.Add(13, 1, CompiledFileBuilder::Bytes(int64_t{5000000000})).Int32(0, 1, 11).Int32(0, 2, -7).Float(1, 5, -2.75f);
    builder.Add(3, 3, CompiledFileBuilder::Bytes(int16_t{-300})).Add(4, 4, "\xC8").Add(2, 6, "\x19").Bit(7, true).Bit(12, false).String(8, "  42abc").String(9, "none").String(13, "1yes");
    builder.Add(9, 10, CompiledFileBuilder::Bytes(0.5f) + CompiledFileBuilder::Bytes(-1.0f));
    builder.Add(6, 11, std::string("\x01\x02\x03", 3)).Add(10, 14, std::string("\x0A\x00\x14\x05", 4));
    CompiledConfig config;
    ASSERT_EQ(config.Load(builder.Build()), CompiledConfig::LoadResult::kLoaded);
    const std::pair<uint32_t, const char*> cases[] = {
        {1, "705032704|5000000000|5e+09|-|5000000000"},
        {2, "-7|-7|-7|-|-7"},
        {3, "-300|-300|-300|-|-300"},
        {4, "200|200|200|-|200"},
        {5, "-2|-2|-2.75|-|-2.75"},
        {6, "2|2|2.5|-|2.5"},
        {7, "1|1|1|true|1"},
        {12, "0|0|0|false|0"},
        {8, "42|42|42|false|  42abc"},
        {9, "0|0|0|false|none"},
        {13, "1|1|1|true|1yes"},
        {10, "-|-|-|-|0.5 -1"},
        {11, "-|-|-|-|0.1 0.2 0.3"},
        {14, "-|-|-|-|1 0 2 0.5"},
        {99, "-|-|-|-|-"},
    };
    for (const auto& [key, expected] : cases) EXPECT_EQ(LookUp(config, key), expected) << key;
}

TEST(CompiledConfigTest, RejectsOldVersionsAndDamagedFiles) {
    CompiledFileBuilder builder;
    builder.Int32(0, 1, 5).String(2, "abc");
    CompiledConfig config;
    EXPECT_EQ(config.Load(builder.Build(1)), CompiledConfig::LoadResult::kOldVersion);
    EXPECT_EQ(config.Load(builder.Build(3)), CompiledConfig::LoadResult::kOldVersion);
    const std::string good = builder.Build();
    for (std::size_t cut = 0; cut < good.size(); ++cut) {
        EXPECT_EQ(config.Load(good.substr(0, cut)), CompiledConfig::LoadResult::kMalformed) << cut;
    }
    EXPECT_EQ(LookUp(config, 1), "-|-|-|-|-");
    std::string badOffset = good;  // a string offset past the string block
    badOffset[badOffset.size() - 4 - 2] = 9;
    EXPECT_EQ(config.Load(badOffset), CompiledConfig::LoadResult::kMalformed);
}

}  // namespace
}  // namespace kor
