#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kor {

// A semantic version as a formatting argument prints "major.minor.patch",
// then "-preRelease" and "+build" when those texts are not empty.
struct SemanticVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t patch = 0;
    std::string preRelease;
    std::string build;
};

// One typed argument of a message template. It refers to the caller's value
// (texts and versions are not copied), so it must not outlive that value.
class FormatArgument {
public:
    enum class Type { Int32, UInt32, Int64, UInt64, Char, Double, Text, Version };

    template <std::integral T>
    FormatArgument(T value) {  // NOLINT(google-explicit-constructor)
        if constexpr (std::same_as<T, char>) {
            type_ = Type::Char;
            signed_ = value;
        } else if constexpr (std::same_as<T, bool>) {
            type_ = Type::Int32;
            signed_ = value ? 1 : 0;
        } else if constexpr (std::is_signed_v<T>) {
            type_ = sizeof(T) <= 4 ? Type::Int32 : Type::Int64;
            signed_ = value;
        } else {
            type_ = sizeof(T) <= 4 ? Type::UInt32 : Type::UInt64;
            unsigned_ = value;
        }
    }
    FormatArgument(double value) : type_(Type::Double), double_(value) {}  // NOLINT
    FormatArgument(float value) : type_(Type::Double), double_(value) {}   // NOLINT
    FormatArgument(const char* text) : type_(Type::Text), text_(text ? text : "") {}  // NOLINT
    FormatArgument(const std::string& text) : type_(Type::Text), text_(text) {}      // NOLINT
    FormatArgument(std::string_view text) : type_(Type::Text), text_(text) {}        // NOLINT
    FormatArgument(const SemanticVersion& version) : type_(Type::Version), version_(&version) {}  // NOLINT

    Type type() const { return type_; }
    // Whether the argument can serve as a "*" width or precision.
    bool IsUsableAsInteger() const;
    int32_t AsInteger() const;

    // Applies the conversion `conversion` with the already parsed flags, width
    // and precision (a negative width or precision means "not given") and
    // writes at most size - 1 characters. Returns the characters written.
    std::size_t Write(char* out, std::size_t size, std::string_view flags, int width, int precision,
                      char conversion) const;

    // The conversion characters this argument accepts, and its default one.
    std::string_view AcceptedConversions() const;
    char DefaultConversion() const;

private:
    Type type_;
    int64_t signed_ = 0;
    uint64_t unsigned_ = 0;
    double double_ = 0.0;
    std::string_view text_;
    const SemanticVersion* version_ = nullptr;
};

// The text of a version: "1.2.3", "1.2.3-beta+7".
std::string VersionText(const SemanticVersion& version);

// Expands a positional template ("%1", "%2$5d", "%*.*f", "%%") into `buffer`
// of `size` bytes; the text is always terminated. Never fails: a malformed
// specification, a position beyond `count` or a width taken from a
// non-integer argument ends the output early. Returns the characters written.
std::size_t FormatMessageInto(char* buffer, std::size_t size, std::string_view tmpl,
                              const FormatArgument* args, std::size_t count);

// The same into a 4096-byte buffer, returned as a string.
std::string FormatMessageArgs(std::string_view tmpl, const FormatArgument* args, std::size_t count);

template <class... Args>
std::string FormatMessage(std::string_view tmpl, const Args&... args) {
    if constexpr (sizeof...(Args) == 0) {
        return FormatMessageArgs(tmpl, nullptr, 0);
    } else {
        const FormatArgument list[] = {FormatArgument(args)...};
        return FormatMessageArgs(tmpl, list, sizeof...(Args));
    }
}

}  // namespace kor
