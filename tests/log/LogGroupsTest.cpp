#include "log/LogGroups.h"
#include "log/Logger.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace kor {
namespace {

std::string Code(int n) {
    std::string code = "A00";
    code[0] = static_cast<char>('A' + n / 100);
    code[1] = static_cast<char>('0' + n / 10 % 10);
    code[2] = static_cast<char>('0' + n % 10);
    return code;
}

std::string Names(uint64_t mask, uint32_t size = 512) {
    std::string buffer(size, '\xAA');
    const uint32_t length = GetLogInterface()->groupNames(static_cast<uint32_t>(mask),
                                                          static_cast<uint32_t>(mask >> 32), buffer.data(), size);
    return buffer.substr(0, length);
}

class LogGroupsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetLogGroupsForTesting(); }
    void TearDown() override { ResetLogGroupsForTesting(); }
    uint64_t Register(const char* code) { return GetLogInterface()->registerGroup(code); }
};

TEST_F(LogGroupsTest, PresetsKeepTheirBits) {
    const char* presets[] = {"DBG", "GEN", "XTR", "PRF", "MEM", "DSK", "NET", "TST"};
    for (uint32_t index = 0; index < 8; ++index) {
        EXPECT_EQ(Register(presets[index]), uint64_t{1} << index) << presets[index];
    }
    EXPECT_EQ(Names(0xFF), "DBG;GEN;XTR;PRF;MEM;DSK;NET;TST");
    EXPECT_EQ(Names(0x21), "DBG;DSK");
    EXPECT_EQ(Names(0), "");
}

TEST_F(LogGroupsTest, NewCodesTakeTheNextBitsUntilTheMaskRunsOut) {
    EXPECT_EQ(Register("CFG"), uint64_t{1} << 8);
    EXPECT_EQ(Register("CFG"), uint64_t{1} << 8);
    EXPECT_EQ(Register("CFGX"), uint64_t{1} << 8) << "only three characters count";
    EXPECT_EQ(Register("cfg"), uint64_t{1} << 9) << "codes are compared byte for byte";
    EXPECT_EQ(Names((uint64_t{1} << 9) | 1), "DBG;cfg");
    for (int n = 2; n < 55; ++n) EXPECT_EQ(Register(Code(n).c_str()), uint64_t{1} << (8 + n));
    EXPECT_EQ(Register(Code(55).c_str()), uint64_t{1} << 63);
    // The 57th new code lands at index 64, beyond the mask.
    EXPECT_EQ(Register(Code(56).c_str()), 0u);
    EXPECT_EQ(Register(Code(56).c_str()), 0u);
    EXPECT_EQ(Register(Code(55).c_str()), uint64_t{1} << 63);
    EXPECT_EQ(Register("DBG"), 1u);
}

TEST_F(LogGroupsTest, FullTableNeverOverwritesThePresets) {
    for (int n = 0; n < 248; ++n) Register(Code(n).c_str());
    EXPECT_EQ(Register("NEW"), 0u);
    EXPECT_EQ(Register("DBG"), 1u);
    EXPECT_EQ(Register("GEN"), 2u);
    EXPECT_EQ(Names(0x3), "DBG;GEN");
}

TEST_F(LogGroupsTest, ShortAndMissingCodes) {
    EXPECT_EQ(Register(nullptr), 0u);
    EXPECT_EQ(Register(""), 0u);
    EXPECT_EQ(Register("AB"), uint64_t{1} << 8);
    EXPECT_EQ(Register("AB"), uint64_t{1} << 8);
    EXPECT_EQ(Register("ABC"), uint64_t{1} << 9);
    EXPECT_EQ(Names(uint64_t{1} << 8), "AB");
    // Bits without a registered group print nothing.
    EXPECT_EQ(Names((uint64_t{1} << 40) | 1 | (uint64_t{1} << 50)), "DBG");
}

TEST_F(LogGroupsTest, NamesAreCutToTheBuffer) {
    EXPECT_EQ(Names(0x21, 6), "DBG;D");
    EXPECT_EQ(Names(0x21, 1), "");
    char untouched = 'x';
    EXPECT_EQ(GetLogInterface()->groupNames(1, 0, &untouched, 0), 0u);
    EXPECT_EQ(untouched, 'x');
}

TEST_F(LogGroupsTest, ConcurrentRegistrationHandsOutDistinctBits) {
    std::vector<std::thread> threads;
    std::vector<uint64_t> masks(8 * 6);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 6; ++i) masks[t * 6 + i] = RegisterLogGroup(Code(t * 6 + i).c_str());
        });
    }
    for (std::thread& thread : threads) thread.join();
    uint64_t seen = 0;
    for (uint64_t mask : masks) {
        ASSERT_NE(mask, 0u);
        EXPECT_EQ(seen & mask, 0u) << "two codes share a bit";
        seen |= mask;
    }
    EXPECT_EQ(seen, ((uint64_t{1} << 48) - 1) << 8);
}

}  // namespace
}  // namespace kor
