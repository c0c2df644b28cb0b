#include "plugin/DefaultSettingsDocument.h"

#include "binding/BindingResult.h"
#include "binding/JsonReader.h"
#include "plugin/DefaultSettingsText.h"

namespace kor {
namespace {

constexpr std::string_view kNotLoaded = "not loaded";

// Starts failed: absent until a parse succeeds. Destroyed with the other
// statics at exit; the page source its pools draw on outlives them all.
BindingResult& Document() {
    static BindingResult document = BindingResult::Failure(kNotLoaded);
    return document;
}

}  // namespace

void LoadDefaultSettings() { Document() = ReadJson(DefaultSettingsText()); }

const BindingProperty* DefaultSettingsDocument() {
    const BindingResult& document = Document();
    return document.ok() ? &document.value() : nullptr;
}

void ResetDefaultSettingsForTesting() { Document() = BindingResult::Failure(kNotLoaded); }

}  // namespace kor
