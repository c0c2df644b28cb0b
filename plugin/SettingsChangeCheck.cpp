#include "plugin/SettingsChangeCheck.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "binding/BindingProperty.h"
#include "config/Utf8Text.h"
#include "plugin/SettingsResourceTable.h"

namespace kor {
namespace {

// The ranges a settings load reads values with (see ReadSettingsGroup).
constexpr int64_t kIntegerMin = INT32_MIN;
constexpr int64_t kIntegerLimit = 2147483647;     // exclusive
constexpr uint64_t kUnsignedLimit = 9223372036854775807ULL;  // exclusive
constexpr double kFloatLimit = 3.4028234663852886e38;         // exclusive

constexpr std::string_view kFloatOutOfRange = "expected a finite number below 3.4028234663852886e38 in magnitude";

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) return false;
        i += length;
    }
    return true;
}

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

// A name the INI text keeps apart from everything around it.
bool IsStorableName(std::string_view name) {
    if (name.empty() || IsBlankOrTab(name.front()) || IsBlankOrTab(name.back())) return false;
    if (name.find_first_of(std::string_view("\r\n\0=[];", 7)) != std::string_view::npos) return false;
    return IsValidUtf8(name);
}

// Values are stored as written; a text that ends its line early or is not
// UTF-8 would come back as something else.
bool IsStorableText(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) == std::string_view::npos && IsValidUtf8(text);
}

// A name as the message shows it: control bytes, and every byte of a name
// that is not UTF-8, as \xNN, so that the message itself stays valid text.
std::string Shown(std::string_view name) {
    const bool utf8 = IsValidUtf8(name);
    std::string shown;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && !utf8)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else {
            shown += c;
        }
    }
    return shown;
}

// The value as a double when it is a number.
std::optional<double> NumberOf(const BindingProperty& value) {
    switch (value.kind()) {
        case BindingPropertyKind::Signed:
            return static_cast<double>(value.GetSigned());
        case BindingPropertyKind::Unsigned:
            return static_cast<double>(value.GetUnsigned());
        case BindingPropertyKind::Float:
            return value.GetFloat();
        default:
            return std::nullopt;
    }
}

bool IsFloatInRange(const BindingProperty& value) {
    const std::optional<double> number = NumberOf(value);
    return number && std::isfinite(*number) && std::fabs(*number) < kFloatLimit;
}

bool IsIntegerInRange(const BindingProperty& value) {
    switch (value.kind()) {
        case BindingPropertyKind::Signed:
            return value.GetSigned() >= kIntegerMin && value.GetSigned() < kIntegerLimit;
        case BindingPropertyKind::Unsigned:
            return value.GetUnsigned() < static_cast<uint64_t>(kIntegerLimit);
        case BindingPropertyKind::Float: {
            const double number = value.GetFloat();
            return std::isfinite(number) && std::trunc(number) == number &&
                   number >= static_cast<double>(kIntegerMin) && number < static_cast<double>(kIntegerLimit);
        }
        default:
            return false;
    }
}

// Why `value` does not fit a setting whose default is `fallback` (empty for
// a setting the schema does not know); none when it fits.
std::optional<std::string_view> Misfit(const BindingProperty& value, const BindingProperty& fallback) {
    if (value.IsString() && !IsStorableText(value.GetString())) {
        return "the text holds a line break or NUL, or bytes that are not UTF-8";
    }
    switch (fallback.kind()) {
        case BindingPropertyKind::Bool:
            if (!value.Is(BindingPropertyKind::Bool)) return "expected a boolean";
            return std::nullopt;
        case BindingPropertyKind::Signed:
        case BindingPropertyKind::Unsigned:
            if (!IsIntegerInRange(value)) return "expected an integer from -2147483648 to 2147483646";
            return std::nullopt;
        case BindingPropertyKind::Float:
            if (!IsFloatInRange(value)) return kFloatOutOfRange;
            return std::nullopt;
        case BindingPropertyKind::String:
            if (!value.IsString()) return "expected a text";
            return std::nullopt;
        default:
            break;
    }
    switch (value.kind()) {
        case BindingPropertyKind::Bool:
        case BindingPropertyKind::Signed:
        case BindingPropertyKind::String:
            return std::nullopt;
        case BindingPropertyKind::Unsigned:
            if (value.GetUnsigned() >= kUnsignedLimit) return "expected an integer below 9223372036854775807";
            return std::nullopt;
        case BindingPropertyKind::Float:
            if (!IsFloatInRange(value)) return kFloatOutOfRange;
            return std::nullopt;
        default:
            return "expected a boolean, a number or a text";
    }
}

}  // namespace

std::optional<std::string> FindUnfitChange(const BindingProperty& change, const BindingProperty& schema) {
    if (!change.IsStructure()) return std::string("The change is not a structure of sections");
    constexpr std::string_view kBadName =
        ": the name is empty, has blanks at either end, holds a line break, NUL, \"=\", \"[\", \"]\" or \";\", "
        "or is not UTF-8";
    for (const auto& [section, settings] : change.Members()) {
        const std::string sectionShown = "Section [" + Shown(section) + "]";
        if (!IsStorableName(section)) return sectionShown + std::string(kBadName);
        if (!settings.IsStructure()) return sectionShown + ": not a structure of settings";
        const BindingProperty& sectionSchema = schema.Member(section);
        for (const auto& [key, value] : settings.Members()) {
            const std::string settingShown = "Setting [" + Shown(section) + "] " + Shown(key);
            if (!IsStorableName(key)) return settingShown + std::string(kBadName);
            const BindingProperty& schemaDefault = sectionSchema.Member(key).Member(kSchemaDefaultMember);
            const std::optional<std::string_view> misfit = Misfit(value, schemaDefault);
            if (misfit) return settingShown + ": " + std::string(*misfit);
        }
    }
    return std::nullopt;
}

}  // namespace kor
