#pragma once

#include "binding/BindingConverter.h"
#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/BindingTypeKind.h"

#include <cstdint>
#include <limits>
#include <string_view>
#include <type_traits>

namespace kor {

// ---- Conversions to native scalars ----
//
// Each returns the native value and reports through `result`. When `result`
// has already failed they return zero at once (the first error stands); when
// they fail they return zero (false, 0, 0.0). An empty source is "required";
// texts are parsed with strtoll / strtoull / strtod in base 0 (so "0x1F" and
// "017" are numbers, the empty text is 0); the limits are inclusive.

// Accepts bool, and the texts "true", "false", "1" and "0" exactly.
bool ConvertToBool(BindingResult& result, const BindingProperty& source, std::string_view fieldName);

// Accepts signed, unsigned, float (truncated toward zero), string and enum
// values within [min, max]. The caller narrows the value to its width.
int64_t ConvertToSigned(BindingResult& result, const BindingProperty& source, std::string_view fieldName, int64_t min,
                        int64_t max, std::string_view typeName);

// Accepts signed, unsigned, float (truncated toward zero), string and enum
// values within [0, max]; a text that starts with a minus sign is out of range.
uint64_t ConvertToUnsigned(BindingResult& result, const BindingProperty& source, std::string_view fieldName,
                           uint64_t max, std::string_view typeName);

// Accepts signed, unsigned, float, string and enum values within [min, max];
// a floating NaN is accepted.
double ConvertToFloating(BindingResult& result, const BindingProperty& source, std::string_view fieldName,
                         double min, double max, std::string_view typeName);

// ---- Converters ----

class BoolConverter final : public BindingConverter {
public:
    void ToNative(BindingResult& result, void* target, const BindingProperty& source, std::string_view fieldName,
                  const BindingTypeIdentifier& type, const BindingRegistry* registry) const override;
    void ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier& type,
                    const BindingRegistry* registry) const override;
};

// The BindingTypeKind of a native integer (not bool), by width and signedness.
template <class T>
constexpr BindingTypeKind IntegerTypeKind() {
    static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>);
    constexpr bool isSigned = std::is_signed_v<T>;
    if constexpr (sizeof(T) == 1) return isSigned ? BindingTypeKind::Int8 : BindingTypeKind::UInt8;
    else if constexpr (sizeof(T) == 2) return isSigned ? BindingTypeKind::Int16 : BindingTypeKind::UInt16;
    else if constexpr (sizeof(T) == 4) return isSigned ? BindingTypeKind::Int32 : BindingTypeKind::UInt32;
    else {
        static_assert(sizeof(T) == 8, "integers of 1, 2, 4 or 8 bytes");
        return isSigned ? BindingTypeKind::Int64 : BindingTypeKind::UInt64;
    }
}

// Any integer width; limits and type name ("int32", "uint64", ...) come from T.
template <class T>
class IntegerConverter final : public BindingConverter {
public:
    void ToNative(BindingResult& result, void* target, const BindingProperty& source, std::string_view fieldName,
                  const BindingTypeIdentifier&, const BindingRegistry*) const override {
        if (!result.ok()) return;
        const std::string_view typeName = BindingTypeKindName(IntegerTypeKind<T>());
        T value;
        if constexpr (std::is_signed_v<T>) {
            value = static_cast<T>(ConvertToSigned(result, source, fieldName, std::numeric_limits<T>::min(),
                                                   std::numeric_limits<T>::max(), typeName));
        } else {
            value = static_cast<T>(ConvertToUnsigned(result, source, fieldName, std::numeric_limits<T>::max(), typeName));
        }
        *static_cast<T*>(target) = value;
    }

    void ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier&,
                    const BindingRegistry*) const override {
        if (!result.ok()) return;
        const T value = *static_cast<const T*>(source);
        if constexpr (std::is_signed_v<T>) {
            result.value().SetSigned(value);
        } else {
            result.value().SetUnsigned(value);
        }
    }
};

// float or double; the limits are the type's largest finite magnitude.
template <class T>
class FloatingConverter final : public BindingConverter {
    static_assert(std::is_same_v<T, float> || std::is_same_v<T, double>);

public:
    void ToNative(BindingResult& result, void* target, const BindingProperty& source, std::string_view fieldName,
                  const BindingTypeIdentifier&, const BindingRegistry*) const override {
        if (!result.ok()) return;
        constexpr double kMax = std::numeric_limits<T>::max();
        constexpr std::string_view typeName = std::is_same_v<T, float> ? "float" : "double";
        *static_cast<T*>(target) = static_cast<T>(ConvertToFloating(result, source, fieldName, -kMax, kMax, typeName));
    }

    void ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier&,
                    const BindingRegistry*) const override {
        if (!result.ok()) return;
        result.value().SetFloat(*static_cast<const T*>(source));
    }
};

}  // namespace kor
