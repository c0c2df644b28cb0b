#include "config/CompiledConfig.h"

#include "config/ValueText.h"

#include <algorithm>
#include <cstring>

namespace kor {
namespace {

// Bytes per value of tables 0-13; table 5 packs bits instead.
constexpr std::array<std::size_t, CompiledConfig::kTableCount> kValueSize = {4, 4, 1, 2, 1, 0, 3,
                                                                             12, 2, 8, 4, 16, 2, 8};
constexpr int kBitTable = 5;
constexpr int kStringTable = 12;

class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    bool Has(std::size_t count) const { return bytes_.size() - pos_ >= count; }
    uint64_t Unsigned(std::size_t width) {
        uint64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            value |= static_cast<uint64_t>(static_cast<uint8_t>(bytes_[pos_ + i])) << (8 * i);
        }
        pos_ += width;
        return value;
    }
    std::string_view Take(std::size_t count) {
        const std::string_view taken = bytes_.substr(pos_, count);
        pos_ += count;
        return taken;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

uint64_t LittleEndian(const uint8_t* bytes, std::size_t width) {
    uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    return value;
}

float FloatFromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

float TenthOf(uint8_t byte) {
    return static_cast<float>(byte) * 0.1f;
}

}  // namespace

void CompiledConfig::Clear() {
    for (Table& table : tables_) table = Table{};
    strings_.clear();
}

CompiledConfig::LoadResult CompiledConfig::Load(std::string_view bytes) {
    Clear();
    const auto malformed = [this] {
        Clear();
        return LoadResult::kMalformed;
    };
    ByteReader reader(bytes);
    if (!reader.Has(1)) return malformed();
    if (static_cast<uint8_t>(reader.Unsigned(1)) != kVersion) return LoadResult::kOldVersion;
    if (!reader.Has(4)) return malformed();
    const auto stringBlockSize = static_cast<std::size_t>(reader.Unsigned(2));
    const auto mask = static_cast<uint16_t>(reader.Unsigned(2));
    for (int n = 0; n < kTableCount; ++n) {
        if ((mask & (1u << n)) == 0) continue;
        if (!reader.Has(2)) return malformed();
        const auto count = static_cast<std::size_t>(reader.Unsigned(2));
        const std::size_t valueBytes = n == kBitTable ? (count + 7) / 8 : count * kValueSize[n];
        if (!reader.Has(count * 4 + valueBytes)) return malformed();
        Table& table = tables_[n];
        table.keys.resize(count);
        for (uint32_t& key : table.keys) key = static_cast<uint32_t>(reader.Unsigned(4));
        const std::string_view values = reader.Take(valueBytes);
        table.values.assign(values.begin(), values.end());
    }
    if (!reader.Has(stringBlockSize)) return malformed();
    strings_ = std::string(reader.Take(stringBlockSize));
    const Table& offsets = tables_[kStringTable];
    for (std::size_t i = 0; i < offsets.keys.size(); ++i) {
        if (LittleEndian(&offsets.values[i * 2], 2) >= strings_.size()) {
            return malformed();
        }
    }
    return LoadResult::kLoaded;
}

long CompiledConfig::IndexOf(int table, uint32_t key) const {
    const std::vector<uint32_t>& keys = tables_[table].keys;
    const auto found = std::lower_bound(keys.begin(), keys.end(), key);
    if (found == keys.end() || *found != key) return -1;
    return static_cast<long>(found - keys.begin());
}

bool CompiledConfig::FindIntegerTables(uint32_t key, int64_t& value) const {
    struct IntegerTable {
        int table;
        std::size_t width;
        bool isSigned;
    };
    static constexpr IntegerTable kOrder[] = {{13, 8, true}, {0, 4, true}, {3, 2, true}, {4, 1, false}};
    for (const IntegerTable& entry : kOrder) {
        const long index = IndexOf(entry.table, key);
        if (index < 0) continue;
        const uint64_t raw = LittleEndian(&tables_[entry.table].values[index * entry.width], entry.width);
        if (!entry.isSigned) {
            value = static_cast<int64_t>(raw);
        } else if (entry.width == 8) {
            value = static_cast<int64_t>(raw);
        } else {
            const uint64_t signBit = uint64_t{1} << (entry.width * 8 - 1);
            value = static_cast<int64_t>((raw ^ signBit) - signBit);
        }
        return true;
    }
    return false;
}

bool CompiledConfig::FindFloatTables(uint32_t key, float& value) const {
    long index = IndexOf(1, key);
    if (index >= 0) {
        value = FloatFromBits(static_cast<uint32_t>(LittleEndian(&tables_[1].values[index * 4], 4)));
        return true;
    }
    index = IndexOf(2, key);
    if (index >= 0) {
        value = TenthOf(tables_[2].values[index]);
        return true;
    }
    return false;
}

bool CompiledConfig::FindBit(uint32_t key, bool& value) const {
    const long index = IndexOf(kBitTable, key);
    if (index < 0) return false;
    value = ((tables_[kBitTable].values[index / 8] >> (index % 8)) & 1) != 0;
    return true;
}

bool CompiledConfig::FindString(uint32_t key, std::string_view& value) const {
    const long index = IndexOf(kStringTable, key);
    if (index < 0) return false;
    const auto offset = static_cast<std::size_t>(LittleEndian(&tables_[kStringTable].values[index * 2], 2));
    const std::string_view rest = std::string_view(strings_).substr(offset);
    value = rest.substr(0, rest.find('\0'));
    return true;
}

float CompiledConfig::FloatComponent(int table, long index, int component) const {
    const std::size_t width = kValueSize[table];
    const uint8_t* value = &tables_[table].values[index * width];
    const bool packedBytes = table == 6 || table == 8 || table == 10;
    if (packedBytes) return TenthOf(value[component]);
    return FloatFromBits(static_cast<uint32_t>(LittleEndian(value + component * 4, 4)));
}

bool CompiledConfig::FindVectorText(uint32_t key, std::string& value) const {
    struct VectorTable {
        int table;
        int components;
    };
    static constexpr VectorTable kOrder[] = {{9, 2}, {8, 2}, {7, 3}, {6, 3}, {11, 4}, {10, 4}};
    for (const VectorTable& entry : kOrder) {
        const long index = IndexOf(entry.table, key);
        if (index < 0) continue;
        value.clear();
        for (int c = 0; c < entry.components; ++c) {
            if (c > 0) value += ' ';
            value += FloatText(FloatComponent(entry.table, index, c));
        }
        return true;
    }
    return false;
}

bool CompiledConfig::FindInt64(uint32_t key, int64_t& value) const {
    if (FindIntegerTables(key, value)) return true;
    float real = 0.0f;
    if (FindFloatTables(key, real)) {
        value = TruncateToInt64(real);
        return true;
    }
    bool bit = false;
    if (FindBit(key, bit)) {
        value = bit ? 1 : 0;
        return true;
    }
    std::string_view text;
    if (FindString(key, text)) {
        value = 0;
        ParseLeadingInt64(text, value);
        return true;
    }
    return false;
}

bool CompiledConfig::FindInt32(uint32_t key, int32_t& value) const {
    int64_t wide = 0;
    if (FindIntegerTables(key, wide)) {
        value = static_cast<int32_t>(wide);
        return true;
    }
    float real = 0.0f;
    if (FindFloatTables(key, real)) {
        value = TruncateToInt32(real);
        return true;
    }
    bool bit = false;
    if (FindBit(key, bit)) {
        value = bit ? 1 : 0;
        return true;
    }
    std::string_view text;
    if (FindString(key, text)) {
        value = LeadingInt32(text);
        return true;
    }
    return false;
}

bool CompiledConfig::FindFloat(uint32_t key, float& value) const {
    if (FindFloatTables(key, value)) return true;
    int64_t integer = 0;
    if (FindIntegerTables(key, integer)) {
        value = static_cast<float>(integer);
        return true;
    }
    bool bit = false;
    if (FindBit(key, bit)) {
        value = bit ? 1.0f : 0.0f;
        return true;
    }
    std::string_view text;
    if (FindString(key, text)) {
        value = NarrowToFloat(LeadingDouble(text));
        return true;
    }
    return false;
}

bool CompiledConfig::FindBool(uint32_t key, bool& value) const {
    if (FindBit(key, value)) return true;
    std::string_view text;
    if (FindString(key, text)) {
        value = !text.empty() && text[0] == '1';
        return true;
    }
    return false;
}

bool CompiledConfig::FindText(uint32_t key, std::string& value) const {
    std::string_view text;
    if (FindString(key, text)) {
        value = std::string(text);
        return true;
    }
    int64_t integer = 0;
    if (FindIntegerTables(key, integer)) {
        value = IntText(integer);
        return true;
    }
    float real = 0.0f;
    if (FindFloatTables(key, real)) {
        value = FloatText(real);
        return true;
    }
    bool bit = false;
    if (FindBit(key, bit)) {
        value.assign(1, bit ? '1' : '0');
        return true;
    }
    return FindVectorText(key, value);
}

}  // namespace kor
