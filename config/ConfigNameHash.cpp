#include "config/ConfigNameHash.h"

namespace kor {

uint32_t ConfigNameHash(std::string_view text, uint32_t seed) {
    uint32_t hash = seed;
    for (char c : text) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        // Bytes from 0x80 up enter the hash as negative values.
        const auto term = static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(c)));
        hash = hash * 0x1003Fu + term;
    }
    return hash;
}

uint32_t ConfigValueKey(std::string_view section, std::string_view key) {
    return ConfigNameHash(key, ConfigNameHash("*", ConfigNameHash(section)));
}

uint32_t ConfigStoreKey(std::string_view file, std::string_view section, std::string_view key) {
    return ConfigStoreKey(ConfigNameHash(file), section, key);
}

uint32_t ConfigStoreKey(uint32_t fileHash, std::string_view section, std::string_view key) {
    return ConfigNameHash(key, ConfigNameHash(section, fileHash));
}

}  // namespace kor
