#include "binding/ScalarConverters.h"

#include "binding/ConversionFailures.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace kor {
namespace {

constexpr std::string_view kBoolIncorrectFormat =
    "Value %1 for '%2' of type bool is in an incorrect format. Options are \"true\", \"false\", \"1\", \"0\".";
constexpr std::string_view kBoolInvalidType =
    "Couldn't assign value to '%1' of type bool because the input is of an invalid type %2.";

// 2^63 and 2^64 as doubles: the first values that no int64 / uint64 holds.
// The limits themselves round up to these when compared as doubles.
constexpr double kTwoTo63 = 9223372036854775808.0;
constexpr double kTwoTo64 = 18446744073709551616.0;

// How a text parsed as a number.
enum class ParseStatus { Ok, IncorrectFormat, OutOfRange };

// Whether the parse consumed the whole text. Interned texts are
// zero-terminated but may hold zero bytes, so the end is checked against the
// full length: a text with a zero byte inside is never a number.
bool ConsumedAll(const BindingProperty& source, const char* end) {
    return end == source.GetCString() + source.Size();
}

// strtoll semantics: base 0, leading white space and a sign allowed; the
// empty text is 0.
ParseStatus ParseSigned(const BindingProperty& source, int64_t& value) {
    value = 0;
    if (source.Size() == 0) return ParseStatus::Ok;
    const char* text = source.GetCString();
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text, &end, 0);
    const bool overflow = errno == ERANGE;
    if (!ConsumedAll(source, end)) return ParseStatus::IncorrectFormat;
    if (overflow) return ParseStatus::OutOfRange;
    value = parsed;
    return ParseStatus::Ok;
}

bool StartsWithMinus(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    return *text == '-';
}

// strtoull semantics, except that a negative text is out of range rather
// than wrapped around: strtoull negates "-1" into the largest value, which
// would pass for a valid uint64. Leading white space before the minus sign
// does not hide it.
ParseStatus ParseUnsigned(const BindingProperty& source, uint64_t& value) {
    value = 0;
    if (source.Size() == 0) return ParseStatus::Ok;
    const char* text = source.GetCString();
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text, &end, 0);
    const bool overflow = errno == ERANGE;
    if (!ConsumedAll(source, end)) return ParseStatus::IncorrectFormat;
    if (overflow || StartsWithMinus(text)) return ParseStatus::OutOfRange;
    value = parsed;
    return ParseStatus::Ok;
}

// strtod semantics; a range error (overflow or underflow) is out of range.
ParseStatus ParseFloating(const BindingProperty& source, double& value) {
    value = 0.0;
    if (source.Size() == 0) return ParseStatus::Ok;
    const char* text = source.GetCString();
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text, &end);
    const bool overflow = errno == ERANGE;
    if (!ConsumedAll(source, end)) return ParseStatus::IncorrectFormat;
    if (overflow) return ParseStatus::OutOfRange;
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
    if (!result.ok()) return 0;
    switch (source.kind()) {
        case BindingPropertyKind::Empty:
            FailValueRequired(result, fieldName);
            return 0;
        case BindingPropertyKind::Signed: {
            const int64_t value = source.GetSigned();
            if (value >= min && value <= max) return value;
            FailOutOfRange(result, value, fieldName, typeName);
            return 0;
        }
        case BindingPropertyKind::Unsigned: {
            const uint64_t value = source.GetUnsigned();
            if (max >= 0 && value <= static_cast<uint64_t>(max) && static_cast<int64_t>(value) >= min) {
                return static_cast<int64_t>(value);
            }
            FailOutOfRange(result, value, fieldName, typeName);
            return 0;
        }
        case BindingPropertyKind::Float: {
            // NaN fails every comparison and lands out of range; so does
            // 2^63, which int64's maximum rounds up to as a double.
            const double value = source.GetFloat();
            if (value >= static_cast<double>(min) && value <= static_cast<double>(max) && value < kTwoTo63) {
                return static_cast<int64_t>(value);
            }
            FailOutOfRange(result, value, fieldName, typeName);
            return 0;
        }
        case BindingPropertyKind::String: {
            int64_t value = 0;
            if (!CheckParse(result, ParseSigned(source, value), source, fieldName, typeName)) return 0;
            if (value >= min && value <= max) return value;
            FailOutOfRange(result, source.GetString(), fieldName, typeName);
            return 0;
        }
        case BindingPropertyKind::Enum: {
            const int64_t value = source.GetEnum().number;
            if (value >= min && value <= max) return value;
            FailOutOfRange(result, value, fieldName, typeName);
            return 0;
        }
        default:
            FailInvalidType(result, fieldName, typeName, source.kind());
            return 0;
    }
}

uint64_t ConvertToUnsigned(BindingResult& result, const BindingProperty& source, std::string_view fieldName,
                           uint64_t max, std::string_view typeName) {
    if (!result.ok()) return 0;
    switch (source.kind()) {
        case BindingPropertyKind::Empty:
            FailValueRequired(result, fieldName);
            return 0;
        case BindingPropertyKind::Signed: {
            const int64_t value = source.GetSigned();
            if (value >= 0 && static_cast<uint64_t>(value) <= max) return static_cast<uint64_t>(value);
            FailOutOfRange(result, value, fieldName, typeName);
            return 0;
        }
        case BindingPropertyKind::Unsigned: {
            const uint64_t value = source.GetUnsigned();
            if (value <= max) return value;
            FailOutOfRange(result, value, fieldName, typeName);
            return 0;
        }
        case BindingPropertyKind::Float: {
            // NaN and 2^64 (uint64's maximum rounded up) are out of range too.
            const double value = source.GetFloat();
            if (value >= 0.0 && value <= static_cast<double>(max) && value < kTwoTo64) {
                return static_cast<uint64_t>(value);
            }
            FailOutOfRange(result, value, fieldName, typeName);
            return 0;
        }
        case BindingPropertyKind::String: {
            uint64_t value = 0;
            if (!CheckParse(result, ParseUnsigned(source, value), source, fieldName, typeName)) return 0;
            if (value <= max) return value;
            FailOutOfRange(result, source.GetString(), fieldName, typeName);
            return 0;
        }
        case BindingPropertyKind::Enum: {
            const int32_t value = source.GetEnum().number;
            if (value >= 0 && static_cast<uint64_t>(value) <= max) return static_cast<uint64_t>(value);
            FailOutOfRange(result, value, fieldName, typeName);
            return 0;
        }
        default:
            FailInvalidType(result, fieldName, typeName, source.kind());
            return 0;
    }
}

double ConvertToFloating(BindingResult& result, const BindingProperty& source, std::string_view fieldName,
                         double min, double max, std::string_view typeName) {
    if (!result.ok()) return 0.0;
    switch (source.kind()) {
        case BindingPropertyKind::Empty:
            FailValueRequired(result, fieldName);
            return 0.0;
        case BindingPropertyKind::Signed: {
            const int64_t value = source.GetSigned();
            const double converted = static_cast<double>(value);
            if (converted >= min && converted <= max) return converted;
            FailOutOfRange(result, value, fieldName, typeName);
            return 0.0;
        }
        case BindingPropertyKind::Unsigned: {
            const uint64_t value = source.GetUnsigned();
            const double converted = static_cast<double>(value);
            if (converted >= min && converted <= max) return converted;
            FailOutOfRange(result, value, fieldName, typeName);
            return 0.0;
        }
        case BindingPropertyKind::Float: {
            const double value = source.GetFloat();
            if (!(value < min || value > max)) return value;  // NaN passes
            FailOutOfRange(result, value, fieldName, typeName);
            return 0.0;
        }
        case BindingPropertyKind::String: {
            double value = 0.0;
            if (!CheckParse(result, ParseFloating(source, value), source, fieldName, typeName)) return 0.0;
            if (!(value < min || value > max)) return value;
            FailOutOfRange(result, source.GetString(), fieldName, typeName);
            return 0.0;
        }
        case BindingPropertyKind::Enum: {
            const int32_t value = source.GetEnum().number;
            const double converted = value;
            if (converted >= min && converted <= max) return converted;
            FailOutOfRange(result, value, fieldName, typeName);
            return 0.0;
        }
        default:
            FailInvalidType(result, fieldName, typeName, source.kind());
            return 0.0;
    }
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
