#include "host/router/ValueDecoding.h"

#include "binding/BindingResult.h"
#include "binding/JsonReader.h"
#include "binding/MessagePackReader.h"
#include "binding/YamlReader.h"
#include "host/router/RouterMessages.h"
#include "log/MessageFormat.h"

#include <cstring>

namespace kor {
namespace {


bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t index = 0; index < prefix.size(); ++index) {
        char c = text[index];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[index]) return false;
    }
    return true;
}

// JSON's own white space, so a structured value with a leading line break
// is still recognised.
std::string_view SkipWhiteSpace(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t\r\n");
    return start == std::string_view::npos ? std::string_view() : text.substr(start);
}

bool LooksLikeMessagePack(std::string_view text) {
    if (text.empty()) return false;
    const auto first = static_cast<uint8_t>(text.front());
    return (first >= 0x80 && first <= 0x9F) || (first >= 0xDC && first <= 0xDF);
}

std::span<const uint8_t> Bytes(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// The readers fill a result; its value moves into the target on success.
std::optional<std::string> TakeResult(BindingResult& result, BindingProperty& target) {
    if (!result.ok()) return std::string(result.ErrorText());
    target = std::move(result.value());
    return std::nullopt;
}

}  // namespace

ValueFormat ChooseValueFormat(std::string_view text, std::string_view contentType, bool structured) {
    const bool sniff = structured && contentType.empty();
    if (StartsWithIgnoringCase(contentType, "application/x-msgpack") || (sniff && LooksLikeMessagePack(text))) {
        return ValueFormat::MessagePack;
    }
    if (StartsWithIgnoringCase(contentType, "application/json")) return ValueFormat::Json;
    if (sniff) {
        const std::string_view rest = SkipWhiteSpace(text);
        if (!rest.empty() && (rest.front() == '{' || rest.front() == '[')) return ValueFormat::Json;
    }
    if (StartsWithIgnoringCase(contentType, "text/x-yaml")) return ValueFormat::Yaml;
    if (sniff && SkipWhiteSpace(text).starts_with("---")) return ValueFormat::Yaml;
    if (StartsWithIgnoringCase(contentType, "application/octet-stream")) return ValueFormat::Blob;
    return ValueFormat::String;
}

std::optional<std::string> DecodeValue(BindingProperty& target, std::string_view parameterName,
                                       std::string_view functionName, std::string_view text,
                                       std::string_view contentType, bool structured) {
    switch (ChooseValueFormat(text, contentType, structured)) {
        case ValueFormat::MessagePack: {
            MessagePackDecoding reading = ReadMessagePack(Bytes(text));
            if (auto failure = TakeResult(reading.result, target)) {
                return FormatMessage(RouterMessageText(RouterMessage::MessagePackFailure), parameterName, functionName,
                                     *failure);
            }
            return std::nullopt;
        }
        case ValueFormat::Json: {
            BindingResult result = ReadJson(text);
            if (auto failure = TakeResult(result, target)) {
                return FormatMessage(RouterMessageText(RouterMessage::JsonFailure), parameterName, functionName,
                                     *failure);
            }
            return std::nullopt;
        }
        case ValueFormat::Yaml: {
            BindingResult result = ReadYaml(text);
            if (auto failure = TakeResult(result, target)) {
                return FormatMessage(RouterMessageText(RouterMessage::YamlFailure), parameterName, functionName,
                                     *failure);
            }
            return std::nullopt;
        }
        case ValueFormat::Blob:
            target.SetBlob(Bytes(text));
            return std::nullopt;
        case ValueFormat::String:
            target.SetString(text);
            return std::nullopt;
    }
    return std::nullopt;
}

BodyFormat ChooseBodyFormat(std::string_view contentType) {
    if (StartsWithIgnoringCase(contentType, "application/x-msgpack")) return BodyFormat::MessagePack;
    if (StartsWithIgnoringCase(contentType, "application/json") ||
        StartsWithIgnoringCase(contentType, "application/vnd.api+json")) {
        return BodyFormat::Json;
    }
    if (StartsWithIgnoringCase(contentType, "application/x-yaml")) return BodyFormat::Yaml;
    return BodyFormat::Unsupported;
}

std::optional<std::string> DecodeBody(BindingProperty& target, std::span<const uint8_t> body,
                                      std::string_view contentType) {
    const std::string_view bytes(reinterpret_cast<const char*>(body.data()), body.size());
    switch (ChooseBodyFormat(contentType)) {
        case BodyFormat::MessagePack: {
            MessagePackDecoding reading = ReadMessagePack(body);
            if (reading.result.ok() && reading.bytesConsumed < body.size()) {
                return std::string(RouterMessageText(RouterMessage::ExtraMessagePack));
            }
            return TakeResult(reading.result, target);
        }
        case BodyFormat::Json: {
            // The body is JSON text up to a terminating zero, if it has one.
            BindingResult result = ReadJson(bytes.substr(0, bytes.find('\0')));
            return TakeResult(result, target);
        }
        case BodyFormat::Yaml: {
            BindingResult result = ReadYaml(bytes);
            return TakeResult(result, target);
        }
        case BodyFormat::Unsupported:
            break;
    }
    return std::string(RouterMessageText(RouterMessage::UnsupportedBody));
}

}  // namespace kor
