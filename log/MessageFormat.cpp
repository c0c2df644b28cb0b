#include "log/MessageFormat.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace kor {
namespace {

constexpr std::size_t kMaxSpecification = 60;
constexpr std::size_t kMessageBuffer = 4096;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Builds "%<flags><width><precision><length><conversion>" for snprintf; the
// width and precision are written as numbers, never as "*".
std::string PrintfSpecification(std::string_view flags, int width, int precision, std::string_view length,
                                char conversion) {
    std::string spec = "%";
    spec.append(flags);
    if (width >= 0) spec += std::to_string(width);
    // Appended in two steps: "." + std::to_string(...) inlined at -O3 makes
    // GCC 12 report a false overlap (-Wrestrict) inside the string insert.
    if (precision >= 0) {
        spec += '.';
        spec += std::to_string(precision);
    }
    spec.append(length);
    spec += conversion;
    return spec;
}

template <class T>
std::size_t Print(char* out, std::size_t size, const std::string& spec, T value) {
    if (size == 0) return 0;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    int written = std::snprintf(out, size, spec.c_str(), value);
#pragma GCC diagnostic pop
    if (written < 0) {
        out[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(written) < size ? static_cast<std::size_t>(written) : size - 1;
}

// A parsed conversion specification.
struct Specification {
    std::size_t position = 0;  // 1-based; 0 means "next argument"
    bool bare = false;         // "%1": a position and nothing else
    std::string flags;
    int width = -1;
    int precision = -1;
    bool widthFromArgument = false;
    std::size_t widthPosition = 0;
    bool precisionFromArgument = false;
    std::size_t precisionPosition = 0;
    char conversion = '\0';
};

// Reads a decimal number starting at `pos`; returns false on overflow.
bool ReadNumber(std::string_view text, std::size_t& pos, std::size_t& value) {
    value = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        value = value * 10 + static_cast<std::size_t>(text[pos] - '0');
        if (value > 1000000) return false;
        ++pos;
    }
    return true;
}

// Reads "*", "*N$" or digits for a width or precision.
bool ReadWidthLike(std::string_view text, std::size_t& pos, int& value, bool& fromArgument,
                   std::size_t& position) {
    if (pos < text.size() && text[pos] == '*') {
        fromArgument = true;
        ++pos;
        std::size_t start = pos;
        std::size_t number = 0;
        if (pos < text.size() && text[pos] >= '1' && text[pos] <= '9') {
            if (!ReadNumber(text, pos, number)) return false;
            if (pos < text.size() && text[pos] == '$') {
                position = number;
                ++pos;
            } else {
                pos = start;  // the digits were not a position after all
            }
        }
        return true;
    }
    std::size_t number = 0;
    std::size_t start = pos;
    if (!ReadNumber(text, pos, number)) return false;
    if (pos > start) value = static_cast<int>(number);
    return true;
}

// Parses what follows a "%" at `pos`. On success `pos` is just past the
// specification.
bool ParseSpecification(std::string_view text, std::size_t& pos, Specification& spec) {
    const std::size_t start = pos;
    if (pos < text.size() && text[pos] >= '1' && text[pos] <= '9') {
        std::size_t number = 0;
        if (!ReadNumber(text, pos, number)) return false;
        spec.position = number;
        if (pos < text.size() && text[pos] == '$') {
            ++pos;
        } else {
            spec.bare = true;
            return pos - start <= kMaxSpecification;
        }
    }
    while (pos < text.size() && std::strchr("-+ #0", text[pos]) != nullptr && text[pos] != '\0') {
        spec.flags += text[pos++];
    }
    if (!ReadWidthLike(text, pos, spec.width, spec.widthFromArgument, spec.widthPosition)) return false;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        spec.precision = 0;
        if (!ReadWidthLike(text, pos, spec.precision, spec.precisionFromArgument, spec.precisionPosition)) {
            return false;
        }
    }
    if (pos < text.size() && (text[pos] == 'h' || text[pos] == 'l')) {
        char letter = text[pos++];
        if (pos < text.size() && text[pos] == letter) ++pos;
    } else if (pos < text.size() && std::strchr("Ljtz", text[pos]) != nullptr && text[pos] != '\0') {
        ++pos;
    }
    if (pos >= text.size()) return false;
    spec.conversion = text[pos++];
    return pos - start <= kMaxSpecification;
}

class Expander {
public:
    Expander(char* buffer, std::size_t size, const FormatArgument* args, std::size_t count)
        : out_(buffer), size_(size), args_(args), count_(count) {}

    std::size_t Run(std::string_view text) {
        if (size_ == 0) return 0;
        std::size_t pos = 0;
        while (pos < text.size() && used_ + 1 < size_) {
            char c = text[pos++];
            if (c != '%') {
                out_[used_++] = c;
                continue;
            }
            if (pos < text.size() && text[pos] == '%') {
                out_[used_++] = '%';
                ++pos;
                continue;
            }
            Specification spec;
            if (!ParseSpecification(text, pos, spec) || !Expand(spec)) break;
        }
        out_[used_] = '\0';
        return used_;
    }

private:
    // Resolves an explicit or running position to an argument, or null.
    const FormatArgument* Take(std::size_t explicitPosition) {
        std::size_t position = explicitPosition;
        if (position == 0) position = next_++;
        if (position == 0 || position > count_) return nullptr;
        return &args_[position - 1];
    }

    bool ResolveFromArgument(bool fromArgument, std::size_t position, int& value) {
        if (!fromArgument) return true;
        const FormatArgument* arg = Take(position);
        if (arg == nullptr || !arg->IsUsableAsInteger()) return false;
        value = arg->AsInteger();
        return true;
    }

    bool Expand(Specification& spec) {
        if (!ResolveFromArgument(spec.widthFromArgument, spec.widthPosition, spec.width)) return false;
        if (!ResolveFromArgument(spec.precisionFromArgument, spec.precisionPosition, spec.precision)) {
            return false;
        }
        const FormatArgument* arg = Take(spec.position);
        if (arg == nullptr) return false;
        if (spec.conversion == 'n') return true;  // never performed, prints nothing
        if (spec.width == INT32_MIN) {
            spec.width = -1;  // no positive counterpart: no width at all
        } else if (spec.width < 0 && spec.widthFromArgument) {
            // A negative width taken from an argument means left-justified.
            spec.flags += '-';
            spec.width = -spec.width;
        }
        char conversion = spec.conversion;
        if (spec.bare || arg->AcceptedConversions().find(conversion) == std::string_view::npos) {
            conversion = arg->DefaultConversion();
        }
        used_ += arg->Write(out_ + used_, size_ - used_, spec.flags, spec.width, spec.precision, conversion);
        return true;
    }

    char* out_;
    std::size_t size_;
    const FormatArgument* args_;
    std::size_t count_;
    std::size_t used_ = 0;
    std::size_t next_ = 1;
};

}  // namespace

bool FormatArgument::IsUsableAsInteger() const {
    return type_ == Type::Int32 || type_ == Type::UInt32 || type_ == Type::Int64 || type_ == Type::UInt64 ||
           type_ == Type::Char;
}

int32_t FormatArgument::AsInteger() const {
    switch (type_) {
        case Type::UInt32:
        case Type::UInt64:
            return static_cast<int32_t>(unsigned_);
        default:
            return static_cast<int32_t>(signed_);
    }
}

std::string_view FormatArgument::AcceptedConversions() const {
    switch (type_) {
        case Type::Int32:
        case Type::Int64:
            return "dciouxX";
        case Type::UInt32:
        case Type::UInt64:
            return "ucdioxX";
        case Type::Char:
            return "cdiouxX";
        case Type::Double:
            return "gaefGAEF";
        case Type::Text:
        case Type::Version:
            return "s";
    }
    return "";
}

char FormatArgument::DefaultConversion() const {
    switch (type_) {
        case Type::Int32:
        case Type::Int64:
            return 'd';
        case Type::UInt32:
        case Type::UInt64:
            return 'u';
        case Type::Char:
            return 'c';
        case Type::Double:
            return 'g';
        case Type::Text:
        case Type::Version:
            return 's';
    }
    return 's';
}

std::size_t FormatArgument::Write(char* out, std::size_t size, std::string_view flags, int width, int precision,
                                  char conversion) const {
    switch (type_) {
        case Type::Int32:
        case Type::Char:
            return Print(out, size, PrintfSpecification(flags, width, precision, "", conversion),
                         static_cast<int>(signed_));
        case Type::UInt32:
            return Print(out, size, PrintfSpecification(flags, width, precision, "", conversion),
                         static_cast<unsigned>(unsigned_));
        case Type::Int64:
            return Print(out, size, PrintfSpecification(flags, width, precision, "ll", conversion),
                         static_cast<long long>(signed_));
        case Type::UInt64:
            return Print(out, size, PrintfSpecification(flags, width, precision, "ll", conversion),
                         static_cast<unsigned long long>(unsigned_));
        case Type::Double:
            return Print(out, size, PrintfSpecification(flags, width, precision, "", conversion), double_);
        case Type::Text:
            return Print(out, size, PrintfSpecification(flags, width, precision, "", 's'),
                         std::string(text_).c_str());
        case Type::Version:
            return Print(out, size, PrintfSpecification(flags, width, precision, "", 's'),
                         VersionText(*version_).c_str());
    }
    return 0;
}

std::string VersionText(const SemanticVersion& version) {
    char buffer[33];
    const FormatArgument parts[] = {version.major, version.minor, version.patch};
    FormatMessageInto(buffer, sizeof buffer, "%1.%2.%3", parts, 3);
    std::string text = buffer;
    if (!version.preRelease.empty()) text += "-" + version.preRelease;
    if (!version.build.empty()) text += "+" + version.build;
    return text;
}

std::size_t FormatMessageInto(char* buffer, std::size_t size, std::string_view tmpl, const FormatArgument* args,
                              std::size_t count) {
    if (buffer == nullptr) return 0;
    return Expander(buffer, size, args, count).Run(tmpl);
}

std::string FormatMessageArgs(std::string_view tmpl, const FormatArgument* args, std::size_t count) {
    char buffer[kMessageBuffer];
    std::size_t length = FormatMessageInto(buffer, sizeof buffer, tmpl, args, count);
    return std::string(buffer, length);
}

}  // namespace kor
