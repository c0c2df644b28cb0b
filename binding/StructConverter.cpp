#include "binding/StructConverter.h"

#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/BindingTypeDescriptor.h"
#include "binding/ConversionFailures.h"

#include <utility>

namespace kor {
namespace {

constexpr std::string_view kUnregisteredTarget =
    "Couldn't assign value to '%1' because the input is an unregistered structure or not a structure at all.";
constexpr std::string_view kNotAStructure =
    "Couldn't assign value to '%1' of type %2 because the input not a structure.";
constexpr std::string_view kMissingRequired =
    "Couldn't assign value to '%1' of type %2 because the input structure doesn't have required field '%3'.";
constexpr std::string_view kUnregisteredSource = "Couldn't convert native value because it's an unregistered structure.";

void* FieldAddress(void* record, const BindingFieldDescriptor& field) { return static_cast<char*>(record) + field.offset; }

const void* FieldAddress(const void* record, const BindingFieldDescriptor& field) {
    return static_cast<const char*>(record) + field.offset;
}

}  // namespace

bool IsEmptyOrZero(const BindingProperty& value) {
    switch (value.kind()) {
        case BindingPropertyKind::Empty:
            return true;
        case BindingPropertyKind::Bool:
            return !value.GetBool();
        case BindingPropertyKind::Signed:
            return value.GetSigned() == 0;
        case BindingPropertyKind::Unsigned:
            return value.GetUnsigned() == 0;
        case BindingPropertyKind::Float:
            return value.GetFloat() == 0.0;
        case BindingPropertyKind::Enum:
            return value.GetEnum().number == 0;
        default:
            return value.Size() == 0;
    }
}

void ConvertToStruct(BindingResult& result, void* record, const BindingProperty& source, std::string_view fieldName,
                     const BindingTypeDescriptor* descriptor, const BindingRegistry* registry) {
    if (!result.ok()) return;
    if (source.IsEmpty()) {
        FailValueRequired(result, fieldName);
        return;
    }
    if (descriptor == nullptr) {
        result.SetFailure(FormatMessage(kUnregisteredTarget, fieldName));
        return;
    }
    if (!source.IsStructure()) {
        result.SetFailure(FormatMessage(kNotAStructure, fieldName, descriptor->name));
        return;
    }
    for (const BindingFieldDescriptor& field : descriptor->fields) {
        if (!result.ok()) return;
        const BindingProperty* member = source.FindMember(field.name);
        if (member == nullptr || member->IsEmpty()) {
            if (field.IsRequired()) {
                result.SetFailure(FormatMessage(kMissingRequired, fieldName, descriptor->name, field.name));
            }
            continue;
        }
        if (field.converter == nullptr) continue;
        field.converter->ToNative(result, FieldAddress(record, field), *member, field.name, field.type, registry);
    }
}

void ConvertStructToProperty(BindingResult& result, const void* record, const BindingTypeDescriptor* descriptor,
                             const BindingRegistry* registry) {
    if (!result.ok()) return;
    if (descriptor == nullptr) {
        result.SetFailure(kUnregisteredSource);
        return;
    }
    // Built aside: a failing field leaves only the error in `result`.
    BindingProperty structure;
    structure.MakeStructure();
    for (const BindingFieldDescriptor& field : descriptor->fields) {
        if (field.converter == nullptr) continue;
        BindingResult member;
        field.converter->ToProperty(member, FieldAddress(record, field), field.type, registry);
        if (!member.ok()) {
            result.SetFailure(member.ErrorText());
            return;
        }
        if (field.OmitsEmpty() && IsEmptyOrZero(member.value())) continue;
        structure.MemberForWrite(field.name) = std::move(member.value());
    }
    result.value() = std::move(structure);
}

void StructConverter::ToNative(BindingResult& result, void* target, const BindingProperty& source,
                               std::string_view fieldName, const BindingTypeIdentifier& type,
                               const BindingRegistry* registry) const {
    ConvertToStruct(result, target, source, fieldName, type.descriptor, registry);
}

void StructConverter::ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier& type,
                                 const BindingRegistry* registry) const {
    ConvertStructToProperty(result, source, type.descriptor, registry);
}

}  // namespace kor
