#pragma once

#include "binding/BindingProperty.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace kor {

// How an argument's text is read.
enum class ValueFormat : uint8_t { MessagePack, Json, Yaml, Blob, String };

// Chooses by content type (a prefix, case ignored): "application/x-msgpack"
// (with "application/x-msgpack-ext"), "application/json", "text/x-yaml",
// "application/octet-stream", anything else a plain string. A structured
// parameter (object, vector, struct) that arrives without a content type is
// recognised by its first bytes instead: 0x80-0x9F or 0xDC-0xDF is a
// MessagePack map or array, "{" or "[" after white space JSON, "---" after
// white space YAML.
ValueFormat ChooseValueFormat(std::string_view text, std::string_view contentType, bool structured);

// Decodes `text` into `target` in the chosen format. Nothing on success;
// on failure the message, naming the parameter and the function:
// "Couldn't deserialize JSON value for parameter '<p>' of '<f>': <reader's
// message>" and likewise for MessagePack and YAML.
std::optional<std::string> DecodeValue(BindingProperty& target, std::string_view parameterName,
                                       std::string_view functionName, std::string_view text,
                                       std::string_view contentType, bool structured);

// How a request body is read; Unsupported fails the call.
enum class BodyFormat : uint8_t { MessagePack, Json, Yaml, Unsupported };

// By content type (a prefix, case ignored): "application/x-msgpack",
// "application/json" or "application/vnd.api+json", "application/x-yaml".
BodyFormat ChooseBodyFormat(std::string_view contentType);

// Decodes a request body into `target`. Nothing on success; on failure the
// reader's own message, "Unsupported body content type", or "Extra
// MessgePack data found in body" when a MessagePack value ends before the
// body does. A JSON body is read up to its first zero byte and never past
// its size.
std::optional<std::string> DecodeBody(BindingProperty& target, std::span<const uint8_t> body,
                                      std::string_view contentType);

}  // namespace kor
