#include "binding/ObjectConverter.h"

#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"

namespace kor {

void ConvertToObject(BindingResult& result, BindingProperty& target, const BindingProperty& source) {
    if (!result.ok()) {
        target.Clear();
        return;
    }
    // Assignment copies aside first when one value lies inside the other,
    // which clearing before copying would not survive.
    target = source;
}

void ObjectConverter::ToNative(BindingResult& result, void* target, const BindingProperty& source, std::string_view,
                               const BindingTypeIdentifier&, const BindingRegistry*) const {
    ConvertToObject(result, *static_cast<BindingProperty*>(target), source);
}

void ObjectConverter::ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier&,
                                 const BindingRegistry*) const {
    if (!result.ok()) return;
    result.value() = *static_cast<const BindingProperty*>(source);
}

}  // namespace kor
