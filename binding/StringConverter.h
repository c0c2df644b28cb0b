#pragma once

#include "binding/BindingConverter.h"

#include <string>
#include <string_view>

namespace kor {

class BindingProperty;
class BindingRegistry;
class BindingResult;

// Converts a string value, or an enum value (to its enumerator's name, which
// needs `registry`), into `target`. `target` is always overwritten: with the
// text on success, with the empty text on failure or when `result` had
// already failed.
void ConvertToString(BindingResult& result, std::string& target, const BindingProperty& source,
                     std::string_view fieldName, const BindingRegistry* registry);

// std::string fields.
class StringConverter final : public BindingConverter {
public:
    void ToNative(BindingResult& result, void* target, const BindingProperty& source, std::string_view fieldName,
                  const BindingTypeIdentifier& type, const BindingRegistry* registry) const override;
    void ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier& type,
                    const BindingRegistry* registry) const override;
};

}  // namespace kor
