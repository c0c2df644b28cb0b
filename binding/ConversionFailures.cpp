#include "binding/ConversionFailures.h"

#include "binding/BindingResult.h"

namespace kor {
namespace {

constexpr std::string_view kValueRequired = "A value for '%1' is required.";
constexpr std::string_view kInvalidType =
    "Couldn't assign value to '%1' of type %2 because the input is of an invalid type %3.";
constexpr std::string_view kIncorrectFormat = "Value %1 for '%2' of type %3 is in an incorrect format";
constexpr std::string_view kOutOfRange = "Value %1 for '%2' of type %3 is out of range";

}  // namespace

void FailValueRequired(BindingResult& result, std::string_view fieldName) {
    result.SetFailure(FormatMessage(kValueRequired, fieldName));
}

void FailInvalidType(BindingResult& result, std::string_view fieldName, std::string_view typeName,
                     BindingPropertyKind kind) {
    result.SetFailure(FormatMessage(kInvalidType, fieldName, typeName, BindingPropertyKindName(kind)));
}

void FailIncorrectFormat(BindingResult& result, std::string_view text, std::string_view fieldName,
                         std::string_view typeName) {
    result.SetFailure(FormatMessage(kIncorrectFormat, text, fieldName, typeName));
}

void FailOutOfRange(BindingResult& result, const FormatArgument& value, std::string_view fieldName,
                    std::string_view typeName) {
    const FormatArgument args[] = {value, FormatArgument(fieldName), FormatArgument(typeName)};
    result.SetFailure(FormatMessageArgs(kOutOfRange, args, 3));
}

}  // namespace kor
