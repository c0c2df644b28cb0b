#pragma once
// TEMPORARY: stands in for the binding layer's JSON, MessagePack and YAML
// readers until they are on main; every read fails with "pending". Removed
// when the router switches to the real readers.
#include "binding/BindingResult.h"
#include <cstdint>
#include <span>
#include <string_view>
namespace kor {
struct MessagePackReading { BindingResult result; std::size_t consumed = 0; };
MessagePackReading ReadMessagePack(std::span<const uint8_t> bytes);
BindingResult ReadJson(std::string_view text);
BindingResult ReadYaml(std::string_view text);
}
