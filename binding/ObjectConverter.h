#pragma once

#include "binding/BindingConverter.h"

#include <string_view>

namespace kor {

class BindingProperty;
class BindingResult;

// Copies any value, empty included, into `target`. `target` is cleared when
// `result` has already failed.
void ConvertToObject(BindingResult& result, BindingProperty& target, const BindingProperty& source);

// BindingProperty fields ("object"): the generic value travels unchanged.
class ObjectConverter final : public BindingConverter {
public:
    void ToNative(BindingResult& result, void* target, const BindingProperty& source, std::string_view fieldName,
                  const BindingTypeIdentifier& type, const BindingRegistry* registry) const override;
    void ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier& type,
                    const BindingRegistry* registry) const override;
};

}  // namespace kor
