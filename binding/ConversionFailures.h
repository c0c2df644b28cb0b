#pragma once

#include "binding/BindingPropertyKind.h"
#include "log/MessageFormat.h"

#include <string_view>

namespace kor {

class BindingResult;

// The failures that several native conversions share. Each one fails
// `result` (BindingResult::SetFailure) with its fixed message; callers check
// that the result was still ok before calling, so the first error stands.

// "A value for '<field>' is required."
void FailValueRequired(BindingResult& result, std::string_view fieldName);

// "Couldn't assign value to '<field>' of type <type> because the input is of
// an invalid type <kind>."
void FailInvalidType(BindingResult& result, std::string_view fieldName, std::string_view typeName,
                     BindingPropertyKind kind);

// "Value <text> for '<field>' of type <type> is in an incorrect format"
void FailIncorrectFormat(BindingResult& result, std::string_view text, std::string_view fieldName,
                         std::string_view typeName);

// "Value <value> for '<field>' of type <type> is out of range"; `value` is
// the input as held (a text, or a signed, unsigned or floating number).
void FailOutOfRange(BindingResult& result, const FormatArgument& value, std::string_view fieldName,
                    std::string_view typeName);

}  // namespace kor
