#pragma once

#include "binding/BindingConverter.h"

#include <string_view>

namespace kor {

class BindingProperty;
class BindingRegistry;
class BindingResult;
struct BindingTypeDescriptor;

// Fills the native record at `record` from a structure value, field by field
// in declaration order through each field's own converter, until the first
// failure (later fields keep their values). A member that is missing or
// empty leaves its field unchanged, unless the field is required. Members
// that match no field are ignored.
void ConvertToStruct(BindingResult& result, void* record, const BindingProperty& source, std::string_view fieldName,
                     const BindingTypeDescriptor* descriptor, const BindingRegistry* registry);

// Makes result.value() a structure with one member per field of the record
// at `record`, in declaration order; a field flagged omit-empty is left out
// when its value is empty or zero. The first failing field fails the whole
// result with its message.
void ConvertStructToProperty(BindingResult& result, const void* record, const BindingTypeDescriptor* descriptor,
                             const BindingRegistry* registry);

// Whether a produced member counts as empty for the omit-empty flag: kind
// empty, false, 0, 0.0, enum number 0, or a string, blob, collection or
// structure of size 0.
bool IsEmptyOrZero(const BindingProperty& value);

// Fields of a registered record; the descriptor comes from the field's type
// identifier. A field registered without a converter is skipped both ways.
class StructConverter final : public BindingConverter {
public:
    void ToNative(BindingResult& result, void* target, const BindingProperty& source, std::string_view fieldName,
                  const BindingTypeIdentifier& type, const BindingRegistry* registry) const override;
    void ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier& type,
                    const BindingRegistry* registry) const override;
};

}  // namespace kor
