#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/hostkit/Outcome.h"

namespace kor::hostkit {

// Standard base64 (RFC 4648 alphabet "+/", with "=" padding).
std::string EncodeBase64(const std::vector<uint8_t>& bytes);

// The inverse of EncodeBase64. Padding is required; whitespace, other
// alphabets and stray characters are rejected.
Outcome<std::vector<uint8_t>> DecodeBase64(std::string_view text);

}  // namespace kor::hostkit
