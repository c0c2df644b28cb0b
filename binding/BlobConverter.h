#pragma once

#include "binding/BindingConverter.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace kor {

class BindingProperty;
class BindingResult;

// Copies the bytes of a blob value into `target`. An empty source is
// required and any other kind is an invalid type (type name "blob"); on
// failure, or when `result` had already failed, `target` is left empty.
void ConvertToBlob(BindingResult& result, std::vector<uint8_t>& target, const BindingProperty& source,
                   std::string_view fieldName);

// std::vector<uint8_t> fields ("blob").
class BlobConverter final : public BindingConverter {
public:
    void ToNative(BindingResult& result, void* target, const BindingProperty& source, std::string_view fieldName,
                  const BindingTypeIdentifier& type, const BindingRegistry* registry) const override;
    void ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier& type,
                    const BindingRegistry* registry) const override;
};

}  // namespace kor
