#include "fuzz/PlainRoundTrip.h"

#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

#include "binding/BindingPlainValue.h"
#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/PageSource.h"
#include "fuzz/FuzzCheck.h"

namespace kor::fuzz {
namespace {

bool HasZeroByte(std::string_view text) { return text.find('\0') != std::string_view::npos; }

// Walks the tree without recursion: readers accept nesting deep enough to
// overflow a recursive walk under the sanitizers' larger frames.
bool ComparableAfterRoundTrip(const BindingProperty& root) {
    std::vector<const BindingProperty*> pending{&root};
    while (!pending.empty()) {
        const BindingProperty* value = pending.back();
        pending.pop_back();
        switch (value->kind()) {
            case BindingPropertyKind::String:
                if (HasZeroByte(value->GetString())) return false;
                break;
            case BindingPropertyKind::Float:
                if (std::isnan(value->GetFloat())) return false;
                break;
            case BindingPropertyKind::Collection:
                for (const BindingProperty& element : value->Elements()) pending.push_back(&element);
                break;
            case BindingPropertyKind::Structure:
                for (const auto& member : value->Members()) {
                    if (HasZeroByte(member.key)) return false;
                    pending.push_back(&member.value);
                }
                break;
            default:
                break;
        }
    }
    return true;
}

}  // namespace

void CheckDecodedValue(const BindingResult& result) {
    if (!result.ok()) {
        KOR_FUZZ_CHECK(!result.ErrorText().empty(), "a failed decoding says why");
        return;
    }
    const std::size_t pagesBefore = PageSource::Instance().PagesInUse();
    {
        BindingPlainValue plain;
        KOR_FUZZ_CHECK(ConvertToPlainValue(result.value(), plain, nullptr), "a decoded tree flattens");
        BindingPlainResult readBack;
        std::memset(&readBack, 0, sizeof readBack);
        BindingProperty copy;
        const bool converted = ConvertFromPlainValue(readBack, copy, plain, "fuzz");
        ClearPlainValue(plain);
        KOR_FUZZ_CHECK(converted, readBack.error != nullptr ? readBack.error : "no message");
        if (ComparableAfterRoundTrip(result.value())) {
            KOR_FUZZ_CHECK(copy == result.value(), "the plain round trip gives an equal tree");
        }
        ClearPlainValue(readBack.value);
    }
    KOR_FUZZ_CHECK(PageSource::Instance().PagesInUse() == pagesBefore, "the copy gives its pages back");
}

}  // namespace kor::fuzz
