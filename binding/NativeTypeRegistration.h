#pragma once

// Describing native records and enumerations to a BindingRegistry in a few
// lines, and converting native values by their C++ type:
//
//   RegisterEnum<LoginSessionStates>(registry, "LoginSessionStates")
//       .Enumerator("IN_PROGRESS", LoginSessionStates::IN_PROGRESS)
//       .Enumerator("SUCCEEDED", LoginSessionStates::SUCCEEDED);
//   RegisterStruct<LoginSession>(registry, "LoginSession")
//       .Field("state", &LoginSession::state)
//       .Field("accountId", &LoginSession::accountId, "", kBindingFieldRequired);
//
//   BindingResult result;
//   LoginSession session;
//   ConvertToNative(result, session, eventData, "data", &registry);
//
// The field's offset, type identifier, StaticTypeId and converter all follow
// from the member's C++ type:
//   bool, any integer of 1-8 bytes, float, double    scalar kinds
//   std::string                                      "string"
//   BindingProperty                                  "object" (held as is)
//   std::vector<uint8_t>                             "blob"
//   enumerations and records with a type id          "enum" / "struct"
//   std::vector<E> of any of the above but vectors   "vector"
// Every record and enumeration needs a type id (KOR_BINDING_TYPE_ID or
// KOR_BINDING_NAMED_TYPE_ID at global scope). A field of an enum or struct
// type, or a vector of them, finds its descriptor in the registry by that
// id, so register the types a record uses before the record itself; a
// missing descriptor makes every conversion of that field fail with an
// "unregistered" message.

#include "binding/BindingConverter.h"
#include "binding/BindingProperty.h"
#include "binding/BindingRegistry.h"
#include "binding/BindingResult.h"
#include "binding/BindingTypeDescriptor.h"
#include "binding/BlobConverter.h"
#include "binding/EnumConverter.h"
#include "binding/NativeTypeIds.h"
#include "binding/ObjectConverter.h"
#include "binding/ScalarConverters.h"
#include "binding/StaticTypeId.h"
#include "binding/StringConverter.h"
#include "binding/StructConverter.h"
#include "binding/VectorConverter.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace kor {

namespace native_type_detail {

template <class T>
struct VectorOf {
    static constexpr bool kIsVector = false;
};
template <class E>
struct VectorOf<std::vector<E>> {
    static constexpr bool kIsVector = true;
    using Element = E;
};

// The fixed-width integer that a native integer type shares its id with
// (long and long long, char and int8_t or uint8_t, ...).
template <std::size_t Size, bool Signed>
struct FixedInteger;
template <> struct FixedInteger<1, true> { using Type = int8_t; };
template <> struct FixedInteger<1, false> { using Type = uint8_t; };
template <> struct FixedInteger<2, true> { using Type = int16_t; };
template <> struct FixedInteger<2, false> { using Type = uint16_t; };
template <> struct FixedInteger<4, true> { using Type = int32_t; };
template <> struct FixedInteger<4, false> { using Type = uint32_t; };
template <> struct FixedInteger<8, true> { using Type = int64_t; };
template <> struct FixedInteger<8, false> { using Type = uint64_t; };

template <class T>
inline constexpr bool kIsInteger = std::is_integral_v<T> && !std::is_same_v<T, bool>;

template <class>
inline constexpr bool kUnsupported = false;

}  // namespace native_type_detail

// The BindingTypeKind of a native type (see the table at the top).
template <class T>
constexpr BindingTypeKind NativeTypeKindOf() {
    using namespace native_type_detail;
    if constexpr (std::is_same_v<T, bool>) return BindingTypeKind::Bool;
    else if constexpr (std::is_enum_v<T>) return BindingTypeKind::Enum;
    else if constexpr (kIsInteger<T>) return IntegerTypeKind<T>();
    else if constexpr (std::is_same_v<T, float>) return BindingTypeKind::Float;
    else if constexpr (std::is_same_v<T, double>) return BindingTypeKind::Double;
    else if constexpr (std::is_same_v<T, std::string>) return BindingTypeKind::String;
    else if constexpr (std::is_same_v<T, BindingProperty>) return BindingTypeKind::Object;
    else if constexpr (std::is_same_v<T, std::vector<uint8_t>>) return BindingTypeKind::Blob;
    else if constexpr (VectorOf<T>::kIsVector) {
        static_assert(!VectorOf<typename VectorOf<T>::Element>::kIsVector ||
                          std::is_same_v<typename VectorOf<T>::Element, std::vector<uint8_t>>,
                      "vector elements nest one level only");
        return BindingTypeKind::Vector;
    } else if constexpr (std::is_class_v<T>) return BindingTypeKind::Struct;
    else static_assert(kUnsupported<T>, "no binding type for this native type");
}

// The StaticTypeId a field of type T refers to. Integers share the id of
// their fixed-width type; vectors (other than blobs) have no id of their own
// and refer to the reserved one.
template <class T>
constexpr const StaticTypeId& NativeStaticTypeIdOf() {
    using namespace native_type_detail;
    if constexpr (kIsInteger<T> && !std::is_enum_v<T>) {
        return TypeIdOf<typename FixedInteger<sizeof(T), std::is_signed_v<T>>::Type>();
    } else if constexpr (NativeTypeKindOf<T>() == BindingTypeKind::Vector) {
        return kReservedStaticTypeId;
    } else {
        return TypeIdOf<T>();
    }
}

// The type identifier of T; enum and struct descriptors (of T, or of the
// element of a vector T) are looked up in `registry` and stay null without
// one.
template <class T>
BindingTypeIdentifier NativeTypeIdentifierOf(const BindingRegistry* registry) {
    using namespace native_type_detail;
    BindingTypeIdentifier type{NativeTypeKindOf<T>()};
    if constexpr (NativeTypeKindOf<T>() == BindingTypeKind::Vector) {
        using Element = typename VectorOf<T>::Element;
        type.elementKind = NativeTypeKindOf<Element>();
        if (type.elementKind == BindingTypeKind::Enum || type.elementKind == BindingTypeKind::Struct) {
            type.descriptor = registry != nullptr ? registry->FindType<Element>() : nullptr;
        }
    } else if constexpr (NativeTypeKindOf<T>() == BindingTypeKind::Enum ||
                         NativeTypeKindOf<T>() == BindingTypeKind::Struct) {
        type.descriptor = registry != nullptr ? registry->FindType<T>() : nullptr;
    }
    return type;
}

// A new converter for values of type T.
template <class T>
std::unique_ptr<BindingConverter> MakeNativeConverter() {
    using namespace native_type_detail;
    constexpr BindingTypeKind kKind = NativeTypeKindOf<T>();
    if constexpr (kKind == BindingTypeKind::Enum) {
        return std::make_unique<EnumConverter>(BindingEnumStorage::Of<T>());
    } else if constexpr (kKind == BindingTypeKind::Vector) {
        using Element = typename VectorOf<T>::Element;
        return std::make_unique<VectorConverter<Element>>(MakeNativeConverter<Element>());
    } else if constexpr (kIsInteger<T>) {
        return std::make_unique<IntegerConverter<T>>();
    } else {
        return MakeBindingConverter(BindingTypeIdentifier{kKind});
    }
}

// One shared converter per native type, for conversions of whole values.
template <class T>
const BindingConverter& NativeConverter() {
    static const std::unique_ptr<BindingConverter> converter = MakeNativeConverter<T>();
    return *converter;
}

// Converts `source` into `target`; `name` stands for the value in messages.
// The registry supplies descriptors (records, enumerations) and enumerator
// names; without one those conversions fail.
template <class T>
void ConvertToNative(BindingResult& result, T& target, const BindingProperty& source, std::string_view name,
                     const BindingRegistry* registry) {
    NativeConverter<T>().ToNative(result, &target, source, name, NativeTypeIdentifierOf<T>(registry), registry);
}

// Converts `source` into result.value().
template <class T>
void ConvertToProperty(BindingResult& result, const T& source, const BindingRegistry* registry) {
    NativeConverter<T>().ToProperty(result, &source, NativeTypeIdentifierOf<T>(registry), registry);
}

// Registers T and describes it. When the registry already holds a type of
// that name, every call is ignored and the first registration stands.
template <class T>
class NativeTypeBuilder {
public:
    NativeTypeBuilder(BindingRegistry& registry, std::string_view name)
        : registry_(&registry), builder_(registry.BeginType(name, sizeof(T), TypeIdOf<T>(), std::is_enum_v<T>)) {}

    // Appends a field for a data member of T (or of a base of T). `flags`
    // takes kBindingFieldOmitEmpty and kBindingFieldRequired; `optional` is
    // what the API description reports.
    template <class M, class C>
        requires(std::is_class_v<T> && std::is_base_of_v<C, T>)
    NativeTypeBuilder& Field(std::string_view name, M C::*member, std::string_view description = {},
                             uint32_t flags = 0, bool optional = false) {
        builder_.AddField(name, description, OffsetOf(member), NativeStaticTypeIdOf<M>(),
                          NativeTypeIdentifierOf<M>(registry_), BindingTypeIdentifier{}, flags,
                          MakeNativeConverter<M>(), optional);
        return *this;
    }

    // Adds (or replaces) the enumerator `name` with the number of `value`.
    NativeTypeBuilder& Enumerator(std::string_view name, T value, std::string_view description = {})
        requires std::is_enum_v<T>
    {
        builder_.AddEnumerator(name, static_cast<int32_t>(value), description);
        return *this;
    }

    NativeTypeBuilder& Description(std::string_view text) {
        builder_.SetDescription(text);
        return *this;
    }
    NativeTypeBuilder& NameSpace(std::string_view text) {
        builder_.SetNameSpace(text);
        return *this;
    }
    NativeTypeBuilder& Tag(std::string_view tag) {
        builder_.AddTag(tag);
        return *this;
    }

    const BindingTypeDescriptor* descriptor() const { return builder_.descriptor(); }
    bool alreadyRegistered() const { return builder_.alreadyRegistered(); }

private:
    // Measured on a real object, which keeps the arithmetic well defined for
    // any record (offsetof is only for standard-layout types).
    template <class M, class C>
    static uint32_t OffsetOf(M C::*member) {
        const T sample{};
        const C& base = sample;
        return static_cast<uint32_t>(reinterpret_cast<const char*>(&(base.*member)) -
                                     reinterpret_cast<const char*>(&sample));
    }

    const BindingRegistry* registry_;
    BindingTypeBuilder builder_;
};

template <class T>
NativeTypeBuilder<T> RegisterStruct(BindingRegistry& registry, std::string_view name) {
    static_assert(std::is_class_v<T> && NativeTypeKindOf<T>() == BindingTypeKind::Struct, "a record type");
    return NativeTypeBuilder<T>(registry, name);
}

template <class T>
NativeTypeBuilder<T> RegisterEnum(BindingRegistry& registry, std::string_view name) {
    static_assert(std::is_enum_v<T>, "an enumeration type");
    return NativeTypeBuilder<T>(registry, name);
}

}  // namespace kor
