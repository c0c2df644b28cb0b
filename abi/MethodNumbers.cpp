#include "abi/MethodNumbers.h"

#include <array>

namespace kor {

namespace {

constexpr std::array<std::string_view, 8> kTexts = {
    "", "DELETE", "GET", "HEAD", "OPTIONS", "PATCH", "POST", "PUT",
};

}  // namespace

std::string_view MethodText(PluginMethod method) {
    const auto number = static_cast<uint32_t>(method);
    return number < kTexts.size() ? kTexts[number] : std::string_view();
}

PluginMethod MethodFromNumber(uint32_t number) {
    return number >= 1 && number <= 8 ? static_cast<PluginMethod>(number) : PluginMethod::None;
}

PluginMethod MethodFromText(std::string_view text) {
    for (uint32_t number = 0; number < kTexts.size(); ++number) {
        if (kTexts[number] == text) return static_cast<PluginMethod>(number);
    }
    return PluginMethod::Custom;
}

}  // namespace kor
