#include "binding/JsonReader.h"

#include "binding/BindingTreeBuilder.h"
#include "log/MessageFormat.h"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <string>

namespace kor {
namespace {

constexpr std::string_view kParseError = "Error: %s at offset %u.";

// Texts and keys are zero-terminated on both sides of the host boundary, so an
// escaped zero character ("\u0000") ends the text where it stands.
std::string_view UpToFirstZero(const char* text, rapidjson::SizeType length) {
    std::string_view whole(text, length);
    return whole.substr(0, whole.find('\0'));
}

// Feeds RapidJSON's SAX events into a BindingTreeBuilder. Returning false
// stops the reader with kParseErrorTermination; the builder then knows which
// limit was reached.
class JsonTreeHandler {
public:
    explicit JsonTreeHandler(BindingProperty& root) : builder_(root) {}

    bool Null() { return builder_.NextTarget() != nullptr; }  // the new place stays empty
    bool Bool(bool value) { return Set([value](BindingProperty& target) { target.SetBool(value); }); }
    bool Int(int value) { return Int64(value); }
    bool Uint(unsigned value) { return Uint64(value); }
    bool Int64(int64_t value) { return Set([value](BindingProperty& target) { target.SetSigned(value); }); }
    bool Uint64(uint64_t value) { return Set([value](BindingProperty& target) { target.SetUnsigned(value); }); }
    bool Double(double value) { return Set([value](BindingProperty& target) { target.SetFloat(value); }); }
    bool RawNumber(const char*, rapidjson::SizeType, bool) { return false; }  // not requested by the flags used
    bool String(const char* text, rapidjson::SizeType length, bool) {
        return Set([=](BindingProperty& target) { target.SetString(UpToFirstZero(text, length)); });
    }

    bool StartObject() {
        BindingProperty* target = builder_.NextTarget();
        return target != nullptr && builder_.OpenStructure(*target);
    }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        builder_.SetKey(UpToFirstZero(text, length));
        return true;
    }
    bool EndObject(rapidjson::SizeType) {
        builder_.Close();
        return true;
    }
    bool StartArray() {
        BindingProperty* target = builder_.NextTarget();
        return target != nullptr && builder_.OpenCollection(*target);
    }
    bool EndArray(rapidjson::SizeType) {
        builder_.Close();
        return true;
    }

    BindingTreeBuilder::Limit limit() const { return builder_.limit(); }

private:
    template <class Assign>
    bool Set(Assign assign) {
        BindingProperty* target = builder_.NextTarget();
        if (target == nullptr) return false;
        assign(*target);
        return true;
    }

    BindingTreeBuilder builder_;
};

bool IsJsonSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

}  // namespace

BindingResult ReadJson(std::string_view text) {
    BindingResult result;
    std::size_t start = 0;
    while (start < text.size() && IsJsonSpace(text[start])) ++start;
    if (start == text.size()) return result;

    // Default flags: the reader recurses once per nesting level, which the
    // handler bounds at kMaxNestingDepth.
    JsonTreeHandler handler(result.value());
    rapidjson::MemoryStream stream(text.data(), text.size());
    rapidjson::Reader reader;
    rapidjson::ParseResult parsed = reader.Parse<rapidjson::kParseDefaultFlags>(stream, handler);
    // The reader takes a zero byte for the end of the text, as a host that
    // counts the terminator into the size expects. Anything but more zero
    // bytes after it must not pass unseen behind a valid value.
    if (parsed && text.find_first_not_of('\0', stream.Tell()) != std::string_view::npos) {
        parsed.Set(rapidjson::kParseErrorDocumentRootNotSingular, stream.Tell());
    }
    if (parsed) return result;

    // Built in one initialisation: assigning a C string to a std::string that
    // may already hold text trips a false overlap warning in GCC 12 on i686.
    const bool stoppedAtLimit =
        parsed.Code() == rapidjson::kParseErrorTermination && handler.limit() != BindingTreeBuilder::Limit::None;
    const std::string reason = stoppedAtLimit ? BindingTreeBuilder::LimitMessage(handler.limit())
                                              : std::string(rapidjson::GetParseError_En(parsed.Code()));
    result.SetFailure(FormatMessage(kParseError, reason, static_cast<uint32_t>(parsed.Offset())));
    return result;
}

BindingResult ReadJson(const char* text) { return ReadJson(text != nullptr ? std::string_view(text) : std::string_view()); }

}  // namespace kor
