#pragma once

#include "binding/BindingConverter.h"

#include <cstdint>
#include <string_view>
#include <type_traits>

namespace kor {

class BindingProperty;
class BindingResult;
struct BindingTypeDescriptor;

// How a native enumeration is stored: its width in bytes (1, 2, 4 or 8) and
// whether its underlying type is signed.
struct BindingEnumStorage {
    uint8_t size = 4;
    bool isSigned = true;

    template <class E>
    static constexpr BindingEnumStorage Of() {
        static_assert(std::is_enum_v<E>);
        return {static_cast<uint8_t>(sizeof(E)), std::is_signed_v<std::underlying_type_t<E>>};
    }
};

// The enumerator number of `source` for the enumeration `enumeration`:
// signed, unsigned and enum values by number, strings by enumerator name
// (case-sensitive) or else as a decimal, hexadecimal or octal number. The
// number must belong to an enumerator. Returns 0 on failure and when
// `result` had already failed.
int32_t ConvertToEnum(BindingResult& result, const BindingProperty& source, std::string_view fieldName,
                      const BindingTypeDescriptor* enumeration);

// Fields of a registered enumeration; the descriptor comes from the field's
// type identifier.
class EnumConverter final : public BindingConverter {
public:
    explicit EnumConverter(BindingEnumStorage storage = {}) : storage_(storage) {}

    void ToNative(BindingResult& result, void* target, const BindingProperty& source, std::string_view fieldName,
                  const BindingTypeIdentifier& type, const BindingRegistry* registry) const override;
    // An enum value {number, the enumeration's StaticTypeId}.
    void ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier& type,
                    const BindingRegistry* registry) const override;

private:
    BindingEnumStorage storage_;
};

}  // namespace kor
