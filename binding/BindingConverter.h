#pragma once

#include <string_view>

namespace kor {

class BindingProperty;
class BindingRegistry;
class BindingResult;
struct BindingTypeIdentifier;

// Converts one native field (or argument) between its native storage and a
// BindingProperty. One object per field, owned by its BindingFieldDescriptor
// and chosen by the field's native type; implementations live with the
// native conversions.
//
// Both operations report through `result` (the first failure stands; see the
// conversion rules of each type) and never throw for bad input.
class BindingConverter {
public:
    // Converts `source` into the native value at `target`. `fieldName` names
    // the field in messages; `registry` may be null when no enumerator names
    // or registered types are needed.
    virtual void ToNative(BindingResult& result, void* target, const BindingProperty& source,
                          std::string_view fieldName, const BindingTypeIdentifier& type,
                          const BindingRegistry* registry) const = 0;

    // Converts the native value at `source` into result.value().
    virtual void ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier& type,
                            const BindingRegistry* registry) const = 0;

    // Destroy.
    virtual ~BindingConverter() = default;
};

}  // namespace kor
