#include "binding/BindingTypeDescriptor.h"

#include <algorithm>

namespace kor {

const BindingFieldDescriptor* BindingTypeDescriptor::FindField(std::string_view fieldName) const {
    auto it = fieldIndex.find(fieldName);
    return it != fieldIndex.end() ? &fields[it->second] : nullptr;
}

const BindingEnumerator* BindingTypeDescriptor::FindEnumerator(int32_t number) const {
    for (const auto& [name, enumerator] : enumerators) {
        if (enumerator.number == number) return &enumerator;
    }
    return nullptr;
}

const BindingEnumerator* BindingTypeDescriptor::FindEnumerator(std::string_view enumeratorName) const {
    auto it = enumerators.find(enumeratorName);
    return it != enumerators.end() ? &it->second : nullptr;
}

bool BindingTypeDescriptor::HasTag(std::string_view tag) const {
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

}  // namespace kor
