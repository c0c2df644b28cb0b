#include "binding/ScalarConverters.h"

#include "binding/ConversionFailures.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <type_traits>
#include <utility>

namespace kor {
namespace {

constexpr std::string_view kBoolIncorrectFormat =
    "Value %1 for '%2' of type bool is in an incorrect format. Options are \"true\", \"false\", \"1\", \"0\".";
constexpr std::string_view kBoolInvalidType =
    "Couldn't assign value to '%1' of type bool because the input is of an invalid type %2.";

// How a text parsed as a number.
enum class ParseStatus { Ok, IncorrectFormat, OutOfRange };

// Whether the parse consumed the whole text. Interned texts are
// zero-terminated but may hold zero bytes, so the end is checked against the
// full length: a text with a zero byte inside is never a number.
bool ConsumedAll(const BindingProperty& source, const char* end) {
    return end == source.GetCString() + source.Size();
}

bool StartsWithMinus(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    return *text == '-';
}

// The C library's parse for T: strtoll, strtoull (base 0) or strtod; leading
// white space and a sign allowed; the empty text is 0. A range error is out
// of range, and so is a negative text for an unsigned T: strtoull negates
// "-1" into the largest value, which would pass for a valid uint64 (leading
// white space before the minus sign does not hide it).
template <class T>
ParseStatus ParseNumber(const BindingProperty& source, T& value) {
    value = 0;
    if (source.Size() == 0) return ParseStatus::Ok;
    const char* text = source.GetCString();
    char* end = nullptr;
    errno = 0;
    T parsed;
    if constexpr (std::is_floating_point_v<T>) {
        parsed = std::strtod(text, &end);
    } else if constexpr (std::is_signed_v<T>) {
        parsed = std::strtoll(text, &end, 0);
    } else {
        parsed = std::strtoull(text, &end, 0);
    }
    const bool overflow = errno == ERANGE;
    if (!ConsumedAll(source, end)) return ParseStatus::IncorrectFormat;
    if (overflow) return ParseStatus::OutOfRange;
    if constexpr (std::is_unsigned_v<T>) {
        if (StartsWithMinus(text)) return ParseStatus::OutOfRange;
    }
    value = parsed;
    return ParseStatus::Ok;
}

// Reports a failed parse; true when the text parsed.
bool CheckParse(BindingResult& result, ParseStatus status, const BindingProperty& source, std::string_view fieldName,
                std::string_view typeName) {
    switch (status) {
        case ParseStatus::Ok:
            return true;
        case ParseStatus::IncorrectFormat:
            FailIncorrectFormat(result, source.GetString(), fieldName, typeName);
            return false;
        case ParseStatus::OutOfRange:
            FailOutOfRange(result, source.GetString(), fieldName, typeName);
            return false;
    }
    return false;
}

// 2^63 for int64, 2^64 for uint64, as a double: the first value that T does
// not hold. T's maximum rounds up to it when compared as a double, so a
// float equal to the maximum would pass [min, max] and overflow the cast.
template <class T>
constexpr double kFirstPastMax = static_cast<double>(std::numeric_limits<T>::max() / 2 + 1) * 2.0;

// Whether `value`, of whichever number type the source holds, lies in
// [min, max] of the target type T. Integers compare by value whatever their
// signedness. A float for an integer T must also stay below kFirstPastMax,
// and a NaN fails every comparison, so it is out of range; a float for a
// float T passes unless it is plainly below or above, so a NaN passes.
template <class T, class S>
bool InRange(S value, T min, T max) {
    if constexpr (std::is_integral_v<T> && std::is_integral_v<S>) {
        return std::cmp_greater_equal(value, min) && std::cmp_less_equal(value, max);
    } else if constexpr (std::is_integral_v<T>) {
        return value >= static_cast<double>(min) && value <= static_cast<double>(max) && value < kFirstPastMax<T>;
    } else if constexpr (std::is_floating_point_v<S>) {
        return !(value < min || value > max);
    } else {
        const double converted = static_cast<double>(value);
        return converted >= min && converted <= max;
    }
}

// The source number as T when it lies in [min, max] (a float truncated toward
// zero for an integer T); otherwise fails `result` with the number as held.
template <class T, class S>
T Narrow(BindingResult& result, S value, T min, T max, std::string_view fieldName, std::string_view typeName) {
    if (InRange(value, min, max)) return static_cast<T>(value);
    FailOutOfRange(result, value, fieldName, typeName);
    return 0;
}

// One conversion for every number family: T is int64_t, uint64_t or double,
// and the caller narrows the result to its own width.
template <class T>
T ConvertToNumber(BindingResult& result, const BindingProperty& source, std::string_view fieldName, T min, T max,
                  std::string_view typeName) {
    if (!result.ok()) return 0;
    switch (source.kind()) {
        case BindingPropertyKind::Empty:
            FailValueRequired(result, fieldName);
            return 0;
        case BindingPropertyKind::Signed:
            return Narrow(result, source.GetSigned(), min, max, fieldName, typeName);
        case BindingPropertyKind::Unsigned:
            return Narrow(result, source.GetUnsigned(), min, max, fieldName, typeName);
        case BindingPropertyKind::Float:
            return Narrow(result, source.GetFloat(), min, max, fieldName, typeName);
        case BindingPropertyKind::String: {
            // A text out of range is reported as the text, not as the parsed number.
            T value = 0;
            if (!CheckParse(result, ParseNumber(source, value), source, fieldName, typeName)) return 0;
            if (InRange(value, min, max)) return value;
            FailOutOfRange(result, source.GetString(), fieldName, typeName);
            return 0;
        }
        case BindingPropertyKind::Enum:
            return Narrow(result, source.GetEnum().number, min, max, fieldName, typeName);
        default:
            FailInvalidType(result, fieldName, typeName, source.kind());
            return 0;
    }
}

}  // namespace

bool ConvertToBool(BindingResult& result, const BindingProperty& source, std::string_view fieldName) {
    if (!result.ok()) return false;
    switch (source.kind()) {
        case BindingPropertyKind::Empty:
            FailValueRequired(result, fieldName);
            return false;
        case BindingPropertyKind::Bool:
            return source.GetBool();
        case BindingPropertyKind::String: {
            const std::string_view text = source.GetString();
            if (text == "true" || text == "1") return true;
            if (text == "false" || text == "0") return false;
            result.SetFailure(FormatMessage(kBoolIncorrectFormat, text, fieldName));
            return false;
        }
        default:
            result.SetFailure(FormatMessage(kBoolInvalidType, fieldName, BindingPropertyKindName(source.kind())));
            return false;
    }
}

int64_t ConvertToSigned(BindingResult& result, const BindingProperty& source, std::string_view fieldName, int64_t min,
                        int64_t max, std::string_view typeName) {
    return ConvertToNumber(result, source, fieldName, min, max, typeName);
}

uint64_t ConvertToUnsigned(BindingResult& result, const BindingProperty& source, std::string_view fieldName,
                           uint64_t max, std::string_view typeName) {
    return ConvertToNumber<uint64_t>(result, source, fieldName, 0, max, typeName);
}

double ConvertToFloating(BindingResult& result, const BindingProperty& source, std::string_view fieldName,
                         double min, double max, std::string_view typeName) {
    return ConvertToNumber(result, source, fieldName, min, max, typeName);
}

void BoolConverter::ToNative(BindingResult& result, void* target, const BindingProperty& source,
                             std::string_view fieldName, const BindingTypeIdentifier&, const BindingRegistry*) const {
    if (!result.ok()) return;
    *static_cast<bool*>(target) = ConvertToBool(result, source, fieldName);
}

void BoolConverter::ToProperty(BindingResult& result, const void* source, const BindingTypeIdentifier&,
                               const BindingRegistry*) const {
    if (!result.ok()) return;
    result.value().SetBool(*static_cast<const bool*>(source));
}

}  // namespace kor
