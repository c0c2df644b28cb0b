#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kor {

// The compiled (binary) form of an INI file: values by value key in 14 typed
// tables plus a string block. Only read; nothing in the system writes it.
//
// Layout, little-endian: version (u8, must be 2), string block size (u16),
// table mask (u16); for each table n whose bit is set, in ascending n: count
// (u16), count ascending value keys (u32), then the values; then the string
// block. Tables: 0 int32, 1 float, 2 byte × 0.1, 3 int16, 4 byte, 5 bits (LSB
// first), 6 three bytes × 0.1, 7 three floats, 8 two bytes × 0.1, 9 two
// floats, 10 four bytes × 0.1, 11 four floats, 12 u16 offset into the string
// block, 13 int64.
class CompiledConfig {
public:
    static constexpr int kTableCount = 14;
    static constexpr uint8_t kVersion = 2;

    enum class LoadResult {
        kLoaded,
        kOldVersion,  // readable header, version other than 2
        kMalformed,   // truncated, or a string offset outside the block
    };

    // Replaces the tables with those in `bytes`. On any result but kLoaded
    // the tables are left empty.
    LoadResult Load(std::string_view bytes);
    void Clear();

    // Typed lookups. Each tries the tables in a fixed order and stops at the
    // first that holds the key; false when none does.
    // Integers: 13, 0, 3, 4, then 1 or 2 truncated, then 5, then 12's text.
    bool FindInt32(uint32_t key, int32_t& value) const;
    bool FindInt64(uint32_t key, int64_t& value) const;
    // Floats: 1, 2, then the integer tables, then 5, then 12's text.
    bool FindFloat(uint32_t key, float& value) const;
    // Bools: 5, then 12 (true when its text starts with "1").
    bool FindBool(uint32_t key, bool& value) const;
    // Texts: 12, the integer tables, the float tables, 5 ("1"/"0"), then the
    // vector tables 9, 8, 7, 6, 11, 10 as components separated by one blank.
    bool FindText(uint32_t key, std::string& value) const;

private:
    struct Table {
        std::vector<uint32_t> keys;
        std::vector<uint8_t> values;  // raw little-endian value bytes
    };

    // Index of `key` in table `table`, or -1.
    long IndexOf(int table, uint32_t key) const;
    bool FindIntegerTables(uint32_t key, int64_t& value) const;
    bool FindFloatTables(uint32_t key, float& value) const;
    bool FindBit(uint32_t key, bool& value) const;
    bool FindString(uint32_t key, std::string_view& value) const;
    bool FindVectorText(uint32_t key, std::string& value) const;
    float FloatComponent(int table, long index, int component) const;

    std::array<Table, kTableCount> tables_;
    std::string strings_;
};

}  // namespace kor
