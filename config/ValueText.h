#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace kor {

// Conversions between setting texts and numbers, shared by the INI getters,
// the compiled tables and the persisted store. None of them has undefined
// behaviour on out-of-range input: integers saturate, floats become infinite.

// The leading decimal integer as the C library's atoi reads it (leading white
// space, optional sign); 0 when there is none. Saturates at the int32 limits.
int32_t LeadingInt32(std::string_view text);

// Reads a leading decimal integer like scanf's "%lld". False when no digits
// were read. Saturates at the int64 limits.
bool ParseLeadingInt64(std::string_view text, int64_t& value);

// The leading decimal floating-point number (as atof reads it); 0 if none.
double LeadingDouble(std::string_view text);

// Narrowing that keeps out-of-range values as infinities.
float NarrowToFloat(double value);
// Truncation toward zero that saturates; NaN gives 0.
int32_t TruncateToInt32(double value);
int64_t TruncateToInt64(double value);

// Six significant digits, as a standard output stream writes a float.
std::string FloatText(float value);

// printf-style "%d" / "%lld" / "%.4f" texts.
std::string IntText(int64_t value);
std::string FixedFloatText(double value);

// "true" / "false" ignoring case give true / false; any other text is true
// when its leading decimal integer is not zero.
bool TextAsBool(std::string_view text);

}  // namespace kor
