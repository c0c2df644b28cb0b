#pragma once

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace kor::testing {

// Builds compiled configuration files byte by byte: header, table mask,
// tables in ascending order, string block.
class CompiledFileBuilder {
public:
    // Adds one entry to `table`; `valueBytes` are the entry's raw bytes
    // (Bytes() of the table's type; for table 5, one byte holding 0 or 1).
    CompiledFileBuilder& Add(int table, uint32_t key, std::string valueBytes) {
        tables_[table][key] = std::move(valueBytes);
        return *this;
    }
    CompiledFileBuilder& Int32(int table, uint32_t key, int32_t value) { return Add(table, key, Bytes(value)); }
    CompiledFileBuilder& Float(int table, uint32_t key, float value) { return Add(table, key, Bytes(value)); }
    CompiledFileBuilder& Bit(uint32_t key, bool value) { return Add(5, key, std::string(1, value ? 1 : 0)); }
    CompiledFileBuilder& String(uint32_t key, const std::string& text) {
        const auto offset = static_cast<uint16_t>(strings_.size());
        strings_ += text;
        strings_ += '\0';
        return Add(12, key, Bytes(offset));
    }

    std::string Build(uint8_t version = 2) const {
        std::string out;
        out += static_cast<char>(version);
        out += Bytes(static_cast<uint16_t>(strings_.size()));
        uint16_t mask = 0;
        for (const auto& [table, entries] : tables_) mask = static_cast<uint16_t>(mask | (1u << table));
        out += Bytes(mask);
        for (const auto& [table, entries] : tables_) {
            out += Bytes(static_cast<uint16_t>(entries.size()));
            for (const auto& [key, value] : entries) out += Bytes(key);
            std::string bits((entries.size() + 7) / 8, '\0');  // table 5 packs one bit per key
            std::size_t i = 0;
            for (const auto& [key, value] : entries) {
                if (table != 5) out += value;
                if (value[0] != 0) bits[i / 8] = static_cast<char>(bits[i / 8] | (1 << (i % 8)));
                ++i;
            }
            if (table == 5) out += bits;
        }
        out += strings_;
        return out;
    }

    template <class T>
    static std::string Bytes(T value) {
        std::string bytes(sizeof value, '\0');
        std::memcpy(bytes.data(), &value, sizeof value);  // the test machine is little-endian
        return bytes;
    }

private:
    std::map<int, std::map<uint32_t, std::string>> tables_;
    std::string strings_;
};

}  // namespace kor::testing
