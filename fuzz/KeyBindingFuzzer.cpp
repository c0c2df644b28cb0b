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

// Taking a combination away unbinds the first part that matches it (the
// binding's own first part always does) and leaves every other part as it
// was; a binding without it is left alone.
void CheckReplace(std::string_view binding, const std::vector<std::string>& parts, std::string_view combination) {
    const std::string replaced = kor::ReplaceCombo(binding, combination);
    std::size_t matching = 0;
    while (matching < parts.size() && kor::NormaliseCombo(parts[matching]) != kor::NormaliseCombo(combination)) ++matching;
    if (matching == parts.size()) {
        KOR_FUZZ_CHECK(replaced == binding, "a binding without the combination is left alone");
        return;
    }
    const std::vector<std::string> after = kor::SplitBinding(replaced);
    KOR_FUZZ_CHECK(after.size() == parts.size(), "replacing keeps the number of combinations");
    for (std::size_t i = 0; i < parts.size(); ++i) {
        KOR_FUZZ_CHECK(after[i] == (i == matching ? std::string(kor::kUnboundCombo) : parts[i]),
                       "only the first matching combination is unbound");
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
    CheckReplace(binding, parts, parts[0]);
    CheckReplace(binding, parts, combination);
    return 0;
}
