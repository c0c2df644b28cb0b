// Key-binding texts as the input-settings change carries them. The first
// zero byte separates a binding from a combination to take away from it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzCheck.h"
#include "plugin/KeyBindings.h"

namespace {

void CheckNormalise(std::string_view combination) {
    const std::string once = kor::NormaliseCombo(combination);
    std::string upper(combination);
    for (char& c : upper) c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
    KOR_FUZZ_CHECK(kor::NormaliseCombo(once) == once, "normalising twice changes nothing");
    KOR_FUZZ_CHECK(kor::NormaliseCombo(upper) == once, "case does not matter");
}

// Taking a binding's own first combination away always unbinds that one and
// keeps the second as it was.
void CheckReplaceOwnFirst(std::string_view binding, const std::vector<std::string>& parts) {
    const std::vector<std::string> after = kor::SplitBinding(kor::ReplaceCombo(binding, parts[0]));
    KOR_FUZZ_CHECK(after.size() == parts.size(), "replacing keeps the number of combinations");
    KOR_FUZZ_CHECK(after[0] == kor::kUnboundCombo, "the first combination is unbound");
    if (parts.size() == 2) KOR_FUZZ_CHECK(after[1] == parts[1], "the second combination stays");
}

void CheckReplaceOther(std::string_view binding, const std::vector<std::string>& parts, std::string_view combination) {
    const std::string replaced = kor::ReplaceCombo(binding, combination);
    const std::string wanted = kor::NormaliseCombo(combination);
    std::size_t matching = parts.size();
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (kor::NormaliseCombo(parts[i]) == wanted) {
            matching = i;
            break;
        }
    }
    if (matching == parts.size()) {
        KOR_FUZZ_CHECK(replaced == binding, "a binding without the combination is left alone");
        return;
    }
    const std::vector<std::string> after = kor::SplitBinding(replaced);
    KOR_FUZZ_CHECK(after.size() == parts.size(), "replacing keeps the number of combinations");
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const std::string expected = i == matching ? std::string(kor::kUnboundCombo) : parts[i];
        KOR_FUZZ_CHECK(after[i] == expected, "only the first matching combination is unbound");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t separator = input.find('\0');
    const std::string_view binding = input.substr(0, separator);
    const std::string_view combination =
        separator == std::string_view::npos ? std::string_view() : input.substr(separator + 1);

    const std::vector<std::string> parts = kor::SplitBinding(binding);
    KOR_FUZZ_CHECK(parts.size() == 1 || parts.size() == 2, "one or two combinations");
    KOR_FUZZ_CHECK((parts.size() == 2 ? parts[0] + "," + parts[1] : parts[0]) == binding,
                   "the combinations put together give the binding back");
    CheckNormalise(binding);
    CheckNormalise(combination);
    CheckReplaceOwnFirst(binding, parts);
    CheckReplaceOther(binding, parts, combination);
    return 0;
}
