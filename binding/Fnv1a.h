#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kor {

// 32-bit FNV-1a: the hash of interned texts, field and parameter names, and
// (over the four little-endian bytes of the id) of the registry's id index.
inline constexpr uint32_t kFnv1aOffsetBasis = 0x811c9dc5u;
inline constexpr uint32_t kFnv1aPrime = 16777619u;

// Four bytes per round: the same byte-serial hash, with a quarter of the
// loop's own work (every key of every decoded document goes through it).
constexpr uint32_t Fnv1aHash(std::string_view text) {
    uint32_t hash = kFnv1aOffsetBasis;
    const char* bytes = text.data();
    std::size_t left = text.size();
    for (; left >= 4; left -= 4, bytes += 4) {
        hash = (hash ^ static_cast<uint8_t>(bytes[0])) * kFnv1aPrime;
        hash = (hash ^ static_cast<uint8_t>(bytes[1])) * kFnv1aPrime;
        hash = (hash ^ static_cast<uint8_t>(bytes[2])) * kFnv1aPrime;
        hash = (hash ^ static_cast<uint8_t>(bytes[3])) * kFnv1aPrime;
    }
    for (; left > 0; --left, ++bytes) hash = (hash ^ static_cast<uint8_t>(*bytes)) * kFnv1aPrime;
    return hash;
}

static_assert(Fnv1aHash("") == 0x811c9dc5u && Fnv1aHash("a") == 0xe40c292cu && Fnv1aHash("foobar") == 0xbf9cf968u,
              "the published FNV-1a test values");

// The hash of a 32-bit word taken as its four bytes in little-endian order,
// whatever the byte order of the machine.
constexpr uint32_t Fnv1aHashWord(uint32_t word) {
    uint32_t hash = kFnv1aOffsetBasis;
    for (int shift = 0; shift < 32; shift += 8) {
        hash ^= (word >> shift) & 0xFFu;
        hash *= kFnv1aPrime;
    }
    return hash;
}

}  // namespace kor
