#pragma once

#include <cstdint>
#include <string_view>

namespace kor {

// The 32-bit hash every configuration lookup uses instead of names. ASCII
// letters are folded to lower case, so names match ignoring case. Passing a
// previous result as `seed` continues the hash over another piece, exactly
// as if the pieces had been one text.
uint32_t ConfigNameHash(std::string_view text, uint32_t seed = 0);

// Key of a value inside one INI file: the hash of section, "*", key.
uint32_t ConfigValueKey(std::string_view section, std::string_view key);

// Key of a persisted value: the hash of file path, section and key with no
// separator between them.
uint32_t ConfigStoreKey(std::string_view file, std::string_view section, std::string_view key);
// The same key from the file path's hash, ConfigNameHash(file), for callers
// that ask about many keys of one file.
uint32_t ConfigStoreKey(uint32_t fileHash, std::string_view section, std::string_view key);

}  // namespace kor
