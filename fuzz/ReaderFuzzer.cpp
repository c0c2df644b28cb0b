// Bytes from outside into a value, through the reader this target is built
// for (KOR_FUZZ_READER: JSON text from request bodies and settings files,
// MessagePack or YAML request bodies).
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

#include "binding/BindingPlainValue.h"
#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/JsonReader.h"
#include "binding/MessagePackReader.h"
#include "binding/PageSource.h"
#include "binding/YamlReader.h"
#include "fuzz/FuzzCheck.h"

namespace {

bool HasZeroByte(std::string_view text) { return text.find('\0') != std::string_view::npos; }

// Walks the tree without recursion: readers accept nesting deep enough to
// overflow a recursive walk under the sanitizers' larger frames.
bool ComparableAfterRoundTrip(const kor::BindingProperty& root) {
    std::vector<const kor::BindingProperty*> pending{&root};
    while (!pending.empty()) {
        const kor::BindingProperty* value = pending.back();
        pending.pop_back();
        switch (value->kind()) {
            case kor::BindingPropertyKind::String:
                if (HasZeroByte(value->GetString())) return false;
                break;
            case kor::BindingPropertyKind::Float:
                if (std::isnan(value->GetFloat())) return false;
                break;
            case kor::BindingPropertyKind::Collection:
                for (const kor::BindingProperty& element : value->Elements()) pending.push_back(&element);
                break;
            case kor::BindingPropertyKind::Structure:
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

// Checks what every decoded value must allow: flattened into a plain value
// and read back it gives an equal tree, and nothing of either copy is left
// in the page source once both are gone. A failed result must carry a
// message. Texts and member names holding a zero byte cannot come back whole
// (plain texts end at their terminator) and a NaN never equals itself, so
// trees holding either skip the equality check.
void CheckDecodedValue(const kor::BindingResult& result) {
    if (!result.ok()) {
        KOR_FUZZ_CHECK(!result.ErrorText().empty(), "a failed decoding says why");
        return;
    }
    const std::size_t pagesBefore = kor::PageSource::Instance().PagesInUse();
    {
        BindingPlainValue plain;
        KOR_FUZZ_CHECK(kor::ConvertToPlainValue(result.value(), plain, nullptr), "a decoded tree flattens");
        kor::BindingPlainResult readBack;
        std::memset(&readBack, 0, sizeof readBack);
        kor::BindingProperty copy;
        const bool converted = kor::ConvertFromPlainValue(readBack, copy, plain, "fuzz");
        kor::ClearPlainValue(plain);
        KOR_FUZZ_CHECK(converted, readBack.error != nullptr ? readBack.error : "no message");
        if (ComparableAfterRoundTrip(result.value())) {
            KOR_FUZZ_CHECK(copy == result.value(), "the plain round trip gives an equal tree");
        }
        kor::ClearPlainValue(readBack.value);
    }
    KOR_FUZZ_CHECK(kor::PageSource::Instance().PagesInUse() == pagesBefore, "the copy gives its pages back");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    [[maybe_unused]] const std::string_view text(reinterpret_cast<const char*>(data), size);
#if KOR_FUZZ_READER == 1
    CheckDecodedValue(kor::ReadJson(text));
#elif KOR_FUZZ_READER == 2
    const kor::MessagePackDecoding decoding = kor::ReadMessagePack(std::span<const uint8_t>(data, size));
    KOR_FUZZ_CHECK(decoding.bytesConsumed <= size, "decoding never reads past the input");
    KOR_FUZZ_CHECK(size == 0 || !decoding.result.ok() || decoding.bytesConsumed > 0, "a decoded value took at least one byte");
    CheckDecodedValue(decoding.result);
#else
    CheckDecodedValue(kor::ReadYaml(text));
#endif
    return 0;
}
