// Bodies built to make a reader spend time or memory out of all proportion
// to their size. This program routes every operator new through the
// plug-in's counting allocator, so that the memory a read takes is measured.
#include "binding/MessagePackReader.h"
#include "binding/YamlLibrary.h"
#include "binding/YamlReader.h"
#include "platform/CountingAllocator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <new>
#include <string>
#include <vector>

namespace {
void* CountedOrThrow(std::size_t size) {
    if (void* block = kor::platform::CountedAllocate(size)) return block;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return CountedOrThrow(size); }
void* operator new[](std::size_t size) { return CountedOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return kor::platform::CountedAllocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return kor::platform::CountedAllocate(size); }
void operator delete(void* block) noexcept { kor::platform::CountedFree(block); }
void operator delete[](void* block) noexcept { kor::platform::CountedFree(block); }
void operator delete(void* block, std::size_t) noexcept { kor::platform::CountedFree(block); }
void operator delete[](void* block, std::size_t) noexcept { kor::platform::CountedFree(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { kor::platform::CountedFree(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { kor::platform::CountedFree(block); }

namespace kor {
namespace {

// The best of three reads of a mapping whose `members` values all carry an
// anchor, in seconds.
double SecondsToReadAnchoredMembers(int members) {
    std::string text;
    for (int index = 0; index < members; ++index) {
        text += "k" + std::to_string(index) + ": &a" + std::to_string(index) + " v\n";
    }
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        const auto start = std::chrono::steady_clock::now();
        BindingResult result = ReadYaml(text);
        const std::chrono::duration<double> spent = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(result.ok()) << result.ErrorText();
        best = std::min(best, spent.count());
    }
    return best;
}

TEST(HostileBodyTest, YamlAnchorsOnMembersTakeLinearTime) {
    std::string reason;
    if (GetYamlFunctions(reason) == nullptr) GTEST_SKIP() << "libyaml cannot be loaded here: " << reason;
    const double small = SecondsToReadAnchoredMembers(8000);
    const double large = SecondsToReadAnchoredMembers(32000);
    // Four times the members: linear work takes about 4 times as long, work
    // that scans the siblings of each anchored member 16 times.
    EXPECT_LT(large, 8 * small) << "8,000 members: " << small << " s, 32,000 members: " << large << " s";
}

TEST(HostileBodyTest, NestedContainerHeadersReserveNoMoreThanTheBytesLeft) {
    // 512 nested arrays (or maps) that each announce 2^32 - 1 items, then
    // 1 MiB of nils: every header alone could claim a reservation for the
    // whole rest.
    for (const uint8_t header : {0xDD, 0xDF}) {
        std::vector<uint8_t> body;
        for (int level = 0; level < 512; ++level) {
            body.insert(body.end(), {header, 0xFF, 0xFF, 0xFF, 0xFF});
            if (header == 0xDF) body.insert(body.end(), {0xA1, 'k'});  // each map nests under its first key
        }
        body.resize(body.size() + (1u << 20), 0xC0);

        platform::ResetMemoryCountersForTesting();
        MessagePackDecoding decoded = ReadMessagePack(body);
        const uint64_t peak = platform::ReadMemoryCounters().peakBytes;
        EXPECT_FALSE(decoded.result.ok());  // the containers end early, the innermost map at its first key
        // One value per input byte is what an honest body of one-byte elements
        // costs; a few times that leaves room for growing collections.
        EXPECT_LT(peak, 4 * sizeof(BindingProperty) * body.size()) << "header " << int{header} << ", peak " << peak;
    }
}

}  // namespace
}  // namespace kor
