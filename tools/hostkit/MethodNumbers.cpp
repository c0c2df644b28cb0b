#include "tools/hostkit/MethodNumbers.h"

#include <iterator>

namespace kor::hostkit {
namespace {

constexpr std::string_view kTexts[] = {"", "DELETE", "GET", "HEAD", "OPTIONS", "PATCH", "POST", "PUT"};

}  // namespace

uint32_t MethodNumber(std::string_view text) {
    for (uint32_t number = 0; number < std::size(kTexts); ++number) {
        if (kTexts[number] == text) return number;
    }
    return kMethodCustom;
}

std::string_view MethodText(uint32_t number) { return number < std::size(kTexts) ? kTexts[number] : ""; }

uint32_t NormalizeMethodNumber(uint32_t number) { return number <= kMethodCustom ? number : kMethodNone; }

}  // namespace kor::hostkit
