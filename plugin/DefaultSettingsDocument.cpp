#include "plugin/DefaultSettingsDocument.h"

#include "binding/BindingResult.h"
#include "binding/JsonReader.h"
#include "plugin/DefaultSettingsText.h"

namespace kor {
namespace {

// Starts failed: absent until a parse succeeds. Never destroyed: the value
// pools it draws on may be gone by the time static destructors run.
BindingResult& Document() {
    static BindingResult* document = new BindingResult(BindingResult::Failure("not loaded"));
    return *document;
}

}  // namespace

void LoadDefaultSettings() { Document() = ReadJson(DefaultSettingsText()); }

const BindingProperty* DefaultSettingsDocument() {
    const BindingResult& document = Document();
    return document.ok() ? &document.value() : nullptr;
}

void ResetDefaultSettingsForTesting() { Document() = BindingResult::Failure("not loaded"); }

}  // namespace kor
