#include "abi/MethodNumbers.h"

#include <array>

namespace kor {

std::string_view MethodText(PluginMethod method) {
    static constexpr std::array<std::string_view, 8> kTexts = {
        "", "DELETE", "GET", "HEAD", "OPTIONS", "PATCH", "POST", "PUT",
    };
    const auto number = static_cast<uint32_t>(method);
    return number < kTexts.size() ? kTexts[number] : std::string_view();
}

PluginMethod MethodFromNumber(uint32_t number) {
    return number >= 1 && number <= 8 ? static_cast<PluginMethod>(number) : PluginMethod::None;
}

}  // namespace kor
