#pragma once

#include "binding/BindingProperty.h"
#include "binding/BindingResult.h"
#include "binding/BindingTestSupport.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kor::test {

// Single values of each kind, for conversion inputs.
inline BindingProperty SignedValue(int64_t value) {
    BindingProperty property;
    property.SetSigned(value);
    return property;
}
inline BindingProperty UnsignedValue(uint64_t value) {
    BindingProperty property;
    property.SetUnsigned(value);
    return property;
}
inline BindingProperty FloatValue(double value) {
    BindingProperty property;
    property.SetFloat(value);
    return property;
}
inline BindingProperty BoolValue(bool value) {
    BindingProperty property;
    property.SetBool(value);
    return property;
}
inline BindingProperty StringValue(std::string_view text) {
    BindingProperty property;
    property.SetString(text);
    return property;
}

// The error text of a result, as a string that outlives it.
inline std::string ErrorOf(const BindingResult& result) { return std::string(result.ErrorText()); }

}  // namespace kor::test
