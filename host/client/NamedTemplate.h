#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "binding/BindingProperty.h"

namespace kor {

// One value for a named placeholder: a text, a bool, an integer or a float.
// A text is referred to, not copied, so the value must not outlive it.
class NamedValue {
public:
    NamedValue(std::string_view text) : value_(text) {}   // NOLINT(google-explicit-constructor)
    NamedValue(const char* text) : value_(std::string_view(text != nullptr ? text : "")) {}  // NOLINT
    NamedValue(const std::string& text) : value_(std::string_view(text)) {}  // NOLINT
    NamedValue(bool value) : value_(value) {}             // NOLINT
    NamedValue(int32_t value) : value_(int64_t{value}) {}  // NOLINT
    NamedValue(int64_t value) : value_(value) {}          // NOLINT
    NamedValue(uint32_t value) : value_(uint64_t{value}) {}  // NOLINT
    NamedValue(uint64_t value) : value_(value) {}         // NOLINT
    NamedValue(double value) : value_(value) {}           // NOLINT

    // The text that replaces the placeholder.
    std::string Text() const;
    // The suffix of the detail field: "_str", "_bool", "_int" or "_float".
    std::string_view KindSuffix() const;
    // Stores the value into a detail field.
    void StoreInto(BindingProperty& field) const;

private:
    std::variant<std::string_view, bool, int64_t, uint64_t, double> value_;
};

// What expanding a template gives: the text, and a structure with one field
// per placeholder that received a value.
struct NamedTemplateOutput {
    std::string text;
    BindingProperty fields;
};

// The longest text a named template produces; the rest is cut.
inline constexpr std::size_t kNamedTemplateMaxLength = 4095;

// Expands a template with named placeholders ("{method}"). Placeholders are
// numbered by their first occurrence, and the n-th value fills every
// occurrence of the n-th name. "{{" and "}}" give a single brace, "%%" gives
// "%", anything else is copied. A format specification after ":" inside the
// braces is accepted and ignored. A placeholder without a value, an unnamed
// one ("{}") and an unclosed "{" add no field; the first two expand to
// nothing, the last is copied as it stands.
//
// Each placeholder with a value becomes the field <name><suffix> of
// `fields`, the suffix following the value's kind ("_str", "_bool", "_int",
// "_float"); a name that already ends in "_bool", "_int", "_long", "_float",
// "_str", "_time" or "_ip" keeps its name. The text stops at
// kNamedTemplateMaxLength characters.
NamedTemplateOutput ExpandNamedTemplate(std::string_view tmpl, std::span<const NamedValue> values);
inline NamedTemplateOutput ExpandNamedTemplate(std::string_view tmpl, std::initializer_list<NamedValue> values) {
    return ExpandNamedTemplate(tmpl, std::span<const NamedValue>(values.begin(), values.size()));
}

}  // namespace kor
