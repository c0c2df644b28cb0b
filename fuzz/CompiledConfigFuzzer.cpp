// The compiled (binary) configuration files found in a game installation.
// Besides the load itself, every lookup runs on the keys the input names, so
// that offsets into the string block and the vector tables are followed.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "config/CompiledConfig.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kor::CompiledConfig config;
    std::string text;
    if (config.Load(std::string_view(reinterpret_cast<const char*>(data), size)) != kor::CompiledConfig::LoadResult::kLoaded) {
        KOR_FUZZ_CHECK(!config.FindText(0, text), "a file that did not load holds no key");
        return 0;
    }
    // Any four bytes of the input may be a key of some table.
    for (std::size_t at = 0; at + 4 <= size; ++at) {
        uint32_t key = 0;
        std::memcpy(&key, data + at, 4);
        int32_t narrow = 0;
        int64_t wide = 0;
        float real = 0;
        bool flag = false;
        const bool asInt32 = config.FindInt32(key, narrow), asInt64 = config.FindInt64(key, wide);
        config.FindFloat(key, real);
        config.FindBool(key, flag);
        const bool asText = config.FindText(key, text);
        KOR_FUZZ_CHECK(asInt32 == asInt64, "both integer lookups find the same keys");
        KOR_FUZZ_CHECK(!asInt64 || asText, "a key with an integer also reads as a text");
    }
    return 0;
}
