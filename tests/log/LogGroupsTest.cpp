#include "log/LogGroups.h"
#include "log/Logger.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace kor {
namespace {

std::string Names(uint64_t mask, uint32_t size = 1024) {
    std::string buffer(size, '\xAA');
    const uint32_t length = GetLogInterface()->groupNames(static_cast<uint32_t>(mask), static_cast<uint32_t>(mask >> 32),
                                                          buffer.data(), size);
    return buffer.substr(0, length);
}

class LogGroupsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetLogGroupsForTesting(); }
    void TearDown() override { ResetLogGroupsForTesting(); }
};

// Random codes registered against a model: the eight presets keep their
// bits, a new code (its first three bytes) takes the next bit until the
// 64-bit mask runs out, and any mask prints the codes of its bits in order.
TEST_F(LogGroupsTest, RegistrationAndNamesMatchTheModel) {
    std::map<std::string, uint64_t> model;
    std::vector<std::string> byBit;
    for (const char* preset : {"DBG", "GEN", "XTR", "PRF", "MEM", "DSK", "NET", "TST"}) {
        model[preset] = uint64_t{1} << byBit.size();
        byBit.push_back(preset);
    }
    std::mt19937 random(7);
    for (int step = 0; step < 400; ++step) {
        std::string code(1 + random() % 4, 'A');
        for (char& c : code) c = "ABCDEFGHIJKLMNOPQRSTUVWXYZabc"[random() % 29];
        const std::string key = code.substr(0, 3);
        if (!model.count(key)) model[key] = byBit.size() < 64 ? uint64_t{1} << byBit.size() : 0;
        if (model[key] != 0 && byBit.size() < 64 && model[key] == uint64_t{1} << byBit.size()) byBit.push_back(key);
        ASSERT_EQ(GetLogInterface()->registerGroup(code.c_str()), model[key]) << code;
        const uint64_t mask = (uint64_t{random()} << 32) | random();
        std::string expected;
        for (std::size_t bit = 0; bit < byBit.size(); ++bit) {
            if (mask & (uint64_t{1} << bit)) expected += (expected.empty() ? "" : ";") + byBit[bit];
        }
        ASSERT_EQ(Names(mask), expected) << step;
    }
    EXPECT_EQ(GetLogInterface()->registerGroup(nullptr), 0u);
    EXPECT_EQ(GetLogInterface()->registerGroup(""), 0u);
    EXPECT_EQ(Names(0x21, 6), "DBG;D");  // cut to the buffer
    char untouched = 'x';
    EXPECT_EQ(GetLogInterface()->groupNames(1, 0, &untouched, 0), 0u);
    EXPECT_EQ(untouched, 'x');
}

TEST_F(LogGroupsTest, ConcurrentRegistrationHandsOutDistinctBits) {
    std::vector<std::thread> threads;
    std::vector<uint64_t> masks(48);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 6; ++i) masks[t * 6 + i] = RegisterLogGroup(("Q" + std::to_string(10 + t * 6 + i)).c_str());
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
