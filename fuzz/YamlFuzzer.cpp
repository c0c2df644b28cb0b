// YAML request bodies into a value.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "binding/YamlReader.h"
#include "fuzz/PlainRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const kor::BindingResult result = kor::ReadYaml(std::string_view(reinterpret_cast<const char*>(data), size));
    kor::fuzz::CheckDecodedValue(result);
    return 0;
}
