#include "log/LogGroups.h"

#include <atomic>

namespace kor {
namespace {

// Each entry holds the three characters and the terminating zero of a code,
// packed into one 32-bit word so that readers never see half a code.
constexpr uint32_t Pack(const char* code) {
    uint32_t packed = 0;
    for (int i = 0; i < 3 && code[i] != '\0'; ++i) {
        packed |= static_cast<uint32_t>(static_cast<unsigned char>(code[i])) << (8 * i);
    }
    return packed;
}

constexpr uint32_t kPresets[kLogGroupPresetCount] = {Pack("DBG"), Pack("GEN"), Pack("XTR"), Pack("PRF"),
                                                     Pack("MEM"), Pack("DSK"), Pack("NET"), Pack("TST")};

std::atomic<uint32_t> g_entries[kLogGroupTableSize] = {kPresets[0], kPresets[1], kPresets[2], kPresets[3],
                                                       kPresets[4], kPresets[5], kPresets[6], kPresets[7]};
// The index of the last used entry.
std::atomic<uint32_t> g_lastUsed{kLogGroupPresetCount - 1};

uint64_t MaskOf(uint32_t index) { return index < 64 ? uint64_t{1} << index : 0; }

// Claims the next free index, or returns false when the table is full.
bool ClaimIndex(uint32_t& index) {
    uint32_t last = g_lastUsed.load();
    do {
        if (last + 1 >= kLogGroupTableSize) return false;
    } while (!g_lastUsed.compare_exchange_weak(last, last + 1));
    index = last + 1;
    return true;
}

}  // namespace

uint64_t RegisterLogGroup(const char* code) {
    if (code == nullptr || code[0] == '\0') return 0;
    const uint32_t packed = Pack(code);
    const uint32_t used = g_lastUsed.load() + 1;
    for (uint32_t index = 0; index < used && index < kLogGroupTableSize; ++index) {
        if (g_entries[index].load() == packed) return MaskOf(index);
    }
    uint32_t index = 0;
    if (!ClaimIndex(index)) return 0;
    g_entries[index].store(packed);
    return MaskOf(index);
}

std::size_t LogGroupNames(uint64_t mask, char* buffer, std::size_t size) {
    if (buffer == nullptr || size == 0) return 0;
    std::size_t used = 0;
    auto put = [&](char c) {
        if (used + 1 < size) buffer[used++] = c;
    };
    bool first = true;
    for (uint32_t bit = 0; bit < 64; ++bit) {
        if ((mask & MaskOf(bit)) == 0) continue;
        const uint32_t packed = g_entries[bit].load();
        if (packed == 0) continue;
        if (!first) put(';');
        first = false;
        for (int i = 0; i < 3; ++i) {
            const char c = static_cast<char>((packed >> (8 * i)) & 0xFF);
            if (c == '\0') break;
            put(c);
        }
    }
    buffer[used] = '\0';
    return used;
}

void ResetLogGroupsForTesting() {
    for (std::size_t index = 0; index < kLogGroupTableSize; ++index) {
        g_entries[index].store(index < kLogGroupPresetCount ? kPresets[index] : 0);
    }
    g_lastUsed.store(kLogGroupPresetCount - 1);
}

}  // namespace kor
