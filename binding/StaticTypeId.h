#pragma once

#include "binding/Fnv1a.h"

#include <cstdint>
#include <string_view>

namespace kor {

// The identity of one native type: a 32-bit constant fixed when the system is
// built, and its text "#" followed by eight upper-case hexadecimal digits
// (printf "#%08X"). Ids are distinct across the types of one plug-in.
//
// Every StaticTypeId is a compile-time constant with static storage: it is
// never built at run time, never freed, and its address is stable, so
// descriptors and enum values refer to it by pointer.
struct StaticTypeId {
    uint32_t id;
    char text[10];

    constexpr explicit StaticTypeId(uint32_t value) : id(value), text{} {
        constexpr char kDigits[] = "0123456789ABCDEF";
        text[0] = '#';
        for (int index = 0; index < 8; ++index) text[1 + index] = kDigits[(value >> (28 - 4 * index)) & 0xF];
        text[9] = '\0';
    }
    StaticTypeId(const StaticTypeId&) = delete;
    StaticTypeId& operator=(const StaticTypeId&) = delete;

    std::string_view Text() const { return {text, 9}; }
};

// A type registered with the reserved id is entered in the registry's name
// index only (several such types may coexist).
inline constexpr uint32_t kReservedTypeId = 0;
inline constexpr StaticTypeId kReservedStaticTypeId{kReservedTypeId};

// The id of a native type comes from a specialisation of this trait, written
// with one of the macros below; the primary template is left undefined so
// that a type without an id does not compile.
template <class T>
struct BindingTypeIdOf;

template <class T>
inline constexpr StaticTypeId kStaticTypeIdOf{BindingTypeIdOf<T>::value};

// The StaticTypeId of `T`, e.g. TypeIdOf<GameSettingsOwner>().
template <class T>
constexpr const StaticTypeId& TypeIdOf() {
    return kStaticTypeIdOf<T>;
}

}  // namespace kor

// Declares the id of a native type. Use at global scope (a specialisation
// written inside namespace kor would need no qualification).
#define KOR_BINDING_TYPE_ID(Type, Id)                                     \
    template <>                                                           \
    struct kor::BindingTypeIdOf<Type> {                                   \
        static constexpr uint32_t value = (Id);                           \
        static_assert(value != ::kor::kReservedTypeId, "id is reserved"); \
    }

// Declares the id of a native type as the FNV-1a hash of its name as
// written, which keeps ids stable across builds without a central list.
#define KOR_BINDING_NAMED_TYPE_ID(Type) KOR_BINDING_TYPE_ID(Type, ::kor::Fnv1aHash(#Type))
