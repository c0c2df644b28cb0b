#include "binding/StringConverter.h"

#include "binding/BindingProperty.h"
#include "binding/BindingRegistry.h"
#include "binding/BindingResult.h"
#include "binding/ConversionFailures.h"

namespace kor {
namespace {

constexpr std::string_view kNotAnEnumerator = "%1 is not a valid enumeration value for '%2'.";
constexpr std::string_view kNotAString = "Couldn't assign value to '%1' because the input is not a string.";

}  // namespace

void ConvertToString(BindingResult& result, std::string& target, const BindingProperty& source,
                     std::string_view fieldName, const BindingRegistry* registry) {
    target.clear();
    if (!result.ok()) return;
    switch (source.kind()) {
        case BindingPropertyKind::Empty:
            FailValueRequired(result, fieldName);
            return;
        case BindingPropertyKind::String:
            target.assign(source.GetString());
            return;
        case BindingPropertyKind::Enum: {
            const BindingEnumValue value = source.GetEnum();
            const char* name = registry != nullptr ? registry->EnumeratorNameOf(value.type->id, value.number) : nullptr;
            if (name != nullptr) {
                target.assign(name);
            } else {
                result.SetFailure(FormatMessage(kNotAnEnumerator, value.number, fieldName));
            }
            return;
        }
        default:
            result.SetFailure(FormatMessage(kNotAString, fieldName));
            return;
    }
}

void StringConverter::ToNative(BindingResult& result, void* target, const BindingProperty& source,
                               std::string_view fieldName, const BindingTypeIdentifier&,
                               const BindingRegistry* registry) const {
    ConvertToString(result, *static_cast<std::string*>(target), source, fieldName, registry);
}

void StringConverter::ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier&,
                                 const BindingRegistry*) const {
    if (!result.ok()) return;
    result.value().SetString(std::string_view(*static_cast<const std::string*>(source)));
}

}  // namespace kor
