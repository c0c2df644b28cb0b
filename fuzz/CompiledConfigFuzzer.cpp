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

namespace {

void LookUpEverything(const kor::CompiledConfig& config, uint32_t key) {
    int32_t int32Value = 0;
    int64_t int64Value = 0;
    float floatValue = 0;
    bool boolValue = false;
    std::string text;
    const bool asInt32 = config.FindInt32(key, int32Value);
    const bool asInt64 = config.FindInt64(key, int64Value);
    config.FindFloat(key, floatValue);
    config.FindBool(key, boolValue);
    const bool asText = config.FindText(key, text);
    KOR_FUZZ_CHECK(asInt32 == asInt64, "both integer lookups find the same keys");
    KOR_FUZZ_CHECK(!asInt64 || asText, "a key with an integer also reads as a text");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    kor::CompiledConfig config;
    const auto loaded = config.Load(bytes);
    if (loaded != kor::CompiledConfig::LoadResult::kLoaded) {
        // A file that did not load answers nothing.
        std::string text;
        KOR_FUZZ_CHECK(!config.FindText(0, text), "an unloaded file holds no key");
        return 0;
    }
    // Every aligned four bytes of the input may be a key of some table.
    for (std::size_t at = 0; at + 4 <= size; ++at) {
        uint32_t key = 0;
        std::memcpy(&key, data + at, 4);
        LookUpEverything(config, key);
    }
    return 0;
}
