#include "config/ValueText.h"

#include "config/TextUtilities.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace kor {
namespace {

bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Sign and magnitude of the leading integer; false when no digit follows.
bool ReadLeadingInteger(std::string_view text, bool& negative, uint64_t& magnitude, bool& overflow) {
    std::size_t i = 0;
    while (i < text.size() && IsCSpace(text[i])) ++i;
    negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    magnitude = 0;
    overflow = false;
    const std::size_t firstDigit = i;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        const auto digit = static_cast<uint64_t>(text[i] - '0');
        if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10) {
            overflow = true;
        } else {
            magnitude = magnitude * 10 + digit;
        }
    }
    return i > firstDigit;
}

template <class Int>
Int Saturate(bool negative, uint64_t magnitude, bool overflow) {
    constexpr auto kMax = static_cast<uint64_t>(std::numeric_limits<Int>::max());
    if (negative) {
        if (overflow || magnitude > kMax + 1) return std::numeric_limits<Int>::min();
        return static_cast<Int>(0 - static_cast<int64_t>(magnitude - 1) - 1);
    }
    if (overflow || magnitude > kMax) return std::numeric_limits<Int>::max();
    return static_cast<Int>(magnitude);
}

}  // namespace

int32_t LeadingInt32(std::string_view text) {
    bool negative = false;
    bool overflow = false;
    uint64_t magnitude = 0;
    if (!ReadLeadingInteger(text, negative, magnitude, overflow)) return 0;
    return Saturate<int32_t>(negative, magnitude, overflow);
}

bool ParseLeadingInt64(std::string_view text, int64_t& value) {
    bool negative = false;
    bool overflow = false;
    uint64_t magnitude = 0;
    if (!ReadLeadingInteger(text, negative, magnitude, overflow)) return false;
    value = Saturate<int64_t>(negative, magnitude, overflow);
    return true;
}

double LeadingDouble(std::string_view text) {
    const std::string terminated(text);
    return std::strtod(terminated.c_str(), nullptr);
}

float NarrowToFloat(double value) {
    constexpr double kMax = std::numeric_limits<float>::max();
    if (value > kMax) return std::numeric_limits<float>::infinity();
    if (value < -kMax) return -std::numeric_limits<float>::infinity();
    return static_cast<float>(value);
}

namespace {

template <class Int>
Int Truncate(double value) {
    if (std::isnan(value)) return 0;
    // The limits are powers of two, so these bounds are exact in double.
    constexpr double kUpper = -static_cast<double>(std::numeric_limits<Int>::min());
    constexpr double kLower = static_cast<double>(std::numeric_limits<Int>::min());
    if (value >= kUpper) return std::numeric_limits<Int>::max();
    if (value <= kLower) return std::numeric_limits<Int>::min();
    return static_cast<Int>(value);
}

}  // namespace

int32_t TruncateToInt32(double value) {
    return Truncate<int32_t>(value);
}

int64_t TruncateToInt64(double value) {
    return Truncate<int64_t>(value);
}

std::string FloatText(float value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%g", static_cast<double>(value));
    return buffer;
}

std::string IntText(int64_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(value));
    return buffer;
}

std::string FixedFloatText(double value) {
    // "%.4f" of the largest double needs a little over 300 characters.
    const int length = std::snprintf(nullptr, 0, "%.4f", value);
    std::string text(static_cast<std::size_t>(length < 0 ? 0 : length), '\0');
    std::snprintf(text.data(), text.size() + 1, "%.4f", value);
    return text;
}

bool TextAsBool(std::string_view text) {
    if (EqualsIgnoringCase(text, "true")) return true;
    if (EqualsIgnoringCase(text, "false")) return false;
    return LeadingInt32(text) != 0;
}

}  // namespace kor
