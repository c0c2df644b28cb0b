#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kor {

// 32-bit FNV-1a: the hash of interned texts, field and parameter names, and
// (over the four little-endian bytes of the id) of the registry's id index.
inline constexpr uint32_t kFnv1aOffsetBasis = 0x811c9dc5u;
inline constexpr uint32_t kFnv1aPrime = 16777619u;

constexpr uint32_t Fnv1aHash(std::string_view text) {
    uint32_t hash = kFnv1aOffsetBasis;
    for (char c : text) {
        hash ^= static_cast<uint8_t>(c);
        hash *= kFnv1aPrime;
    }
    return hash;
}

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
