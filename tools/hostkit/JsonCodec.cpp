#include "tools/hostkit/JsonCodec.h"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <charconv>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "tools/hostkit/Base64.h"

namespace kor::hostkit {
namespace {

// ---- encoding -------------------------------------------------------------

// Length of the valid UTF-8 sequence starting at text[i], or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<uint8_t>(text[k]); };
    auto continuation = [&](std::size_t k, uint8_t low = 0x80, uint8_t high = 0xBF) {
        return k < text.size() && byte(k) >= low && byte(k) <= high;
    };
    uint8_t lead = byte(i);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return continuation(i + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        uint8_t low = lead == 0xE0 ? 0xA0 : 0x80;   // overlong forms
        uint8_t high = lead == 0xED ? 0x9F : 0xBF;  // surrogates
        return continuation(i + 1, low, high) && continuation(i + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        uint8_t low = lead == 0xF0 ? 0x90 : 0x80;   // overlong forms
        uint8_t high = lead == 0xF4 ? 0x8F : 0xBF;  // above U+10FFFF
        return continuation(i + 1, low, high) && continuation(i + 2) && continuation(i + 3) ? 4 : 0;
    }
    return 0;
}

void AppendEscapedString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t length = Utf8SequenceLength(text, i);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        if (length > 1) {
            out.append(text, i, length);
            i += length;
            continue;
        }
        char c = text[i++];
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (static_cast<uint8_t>(c) < 0x20) {
                    out += "\\u00";
                    out += kHex[(c >> 4) & 0xF];
                    out += kHex[c & 0xF];
                } else {
                    out += c;
                }
        }
    }
    out += '"';
}

void AppendFloat(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    char buffer[64];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    std::string_view text(buffer, static_cast<std::size_t>(end - buffer));
    out += text;
    if (text.find_first_of(".eE") == std::string_view::npos) out += ".0";
}

template <class Integer>
void AppendInteger(std::string& out, Integer value) {
    char buffer[32];
    auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, end);
}

class JsonWriter {
public:
    explicit JsonWriter(bool pretty) : pretty_(pretty) {}

    void Write(const HostValue& value, int depth) {
        switch (value.kind()) {
            case HostValue::Kind::Empty: out_ += "null"; return;
            case HostValue::Kind::Bool: out_ += *value.AsBool() ? "true" : "false"; return;
            case HostValue::Kind::Signed: AppendInteger(out_, *value.AsSigned()); return;
            case HostValue::Kind::Unsigned: AppendInteger(out_, *value.AsUnsigned()); return;
            case HostValue::Kind::Float: AppendFloat(out_, *value.AsFloat()); return;
            case HostValue::Kind::String: AppendEscapedString(out_, *value.AsString()); return;
            case HostValue::Kind::Blob: AppendEscapedString(out_, EncodeBase64(*value.AsBlob())); return;
            case HostValue::Kind::Collection: WriteItems(*value.AsItems(), depth); return;
            case HostValue::Kind::Structure: WriteMembers(*value.AsMembers(), depth); return;
        }
    }

    std::string Take() { return std::move(out_); }

private:
    void WriteItems(const HostValue::Items& items, int depth) {
        out_ += '[';
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (i > 0) out_ += ',';
            NewLine(depth + 1);
            Write(items[i], depth + 1);
        }
        if (!items.empty()) NewLine(depth);
        out_ += ']';
    }

    void WriteMembers(const HostValue::Members& members, int depth) {
        out_ += '{';
        for (std::size_t i = 0; i < members.size(); ++i) {
            if (i > 0) out_ += ',';
            NewLine(depth + 1);
            AppendEscapedString(out_, members[i].name);
            out_ += pretty_ ? ": " : ":";
            Write(members[i].value, depth + 1);
        }
        if (!members.empty()) NewLine(depth);
        out_ += '}';
    }

    void NewLine(int depth) {
        if (!pretty_) return;
        out_ += '\n';
        out_.append(static_cast<std::size_t>(depth) * 2, ' ');
    }

    bool pretty_;
    std::string out_;
};

// ---- decoding -------------------------------------------------------------

// Receives the reader's events and builds the tree with an explicit stack,
// so deep documents cost heap, not call stack.
class TreeHandler : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, TreeHandler> {
public:
    bool Null() { return Put(HostValue()); }
    bool Bool(bool value) { return Put(HostValue::Bool(value)); }
    bool Int(int value) { return Put(HostValue::Signed(value)); }
    bool Uint(unsigned value) { return Put(HostValue::Unsigned(value)); }
    bool Int64(int64_t value) { return Put(HostValue::Signed(value)); }
    bool Uint64(uint64_t value) { return Put(HostValue::Unsigned(value)); }
    bool Double(double value) { return Put(HostValue::Float(value)); }
    bool String(const char* text, rapidjson::SizeType length, bool) {
        return Put(HostValue::String(std::string(text, length)));
    }
    bool StartObject() { return Open(HostValue::Structure()); }
    bool Key(const char* text, rapidjson::SizeType length, bool) {
        open_.back().key.assign(text, length);
        return true;
    }
    bool EndObject(rapidjson::SizeType) { return Close(); }
    bool StartArray() { return Open(HostValue::Collection()); }
    bool EndArray(rapidjson::SizeType) { return Close(); }

    bool tooDeep() const { return tooDeep_; }
    HostValue TakeRoot() { return std::move(root_); }

private:
    struct Frame {
        HostValue container;
        std::string key;
    };

    bool Put(HostValue value) {
        if (open_.empty()) {
            root_ = std::move(value);
        } else if (open_.back().container.kind() == HostValue::Kind::Collection) {
            open_.back().container.Append(std::move(value));
        } else {
            open_.back().container.Set(std::move(open_.back().key), std::move(value));
        }
        return true;
    }

    bool Open(HostValue container) {
        if (open_.size() >= static_cast<std::size_t>(kMaxJsonDepth)) {
            tooDeep_ = true;
            return false;
        }
        open_.push_back(Frame{std::move(container), {}});
        return true;
    }

    bool Close() {
        HostValue done = std::move(open_.back().container);
        open_.pop_back();
        return Put(std::move(done));
    }

    std::vector<Frame> open_;
    HostValue root_;
    bool tooDeep_ = false;
};

}  // namespace

std::string EncodeJson(const HostValue& value, bool pretty) {
    JsonWriter writer(pretty);
    writer.Write(value, 0);
    return writer.Take();
}

Outcome<HostValue> DecodeJson(std::string_view text) {
    constexpr unsigned kFlags =
        rapidjson::kParseFullPrecisionFlag | rapidjson::kParseValidateEncodingFlag | rapidjson::kParseIterativeFlag;
    rapidjson::MemoryStream stream(text.data(), text.size());
    rapidjson::Reader reader;
    TreeHandler handler;
    rapidjson::ParseResult result = reader.Parse<kFlags>(stream, handler);
    if (handler.tooDeep()) {
        return Failure{"JSON nested deeper than " + std::to_string(kMaxJsonDepth) + " levels at offset " +
                       std::to_string(result.Offset())};
    }
    if (result.IsError()) {
        return Failure{"JSON parse error at offset " + std::to_string(result.Offset()) + ": " +
                       rapidjson::GetParseError_En(result.Code())};
    }
    // The reader takes a NUL byte for the end of the text; anything after it
    // is trailing data that must not be ignored silently.
    if (stream.Tell() < text.size()) {
        return Failure{"JSON text has a NUL byte at offset " + std::to_string(stream.Tell())};
    }
    return handler.TakeRoot();
}

}  // namespace kor::hostkit
