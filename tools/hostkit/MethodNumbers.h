#pragma once

#include <cstdint>
#include <string_view>

namespace kor::hostkit {

// Method numbers of request records: 0 none, 1 DELETE, 2 GET, 3 HEAD,
// 4 OPTIONS, 5 PATCH, 6 POST, 7 PUT, 8 a custom method named by the record's
// custom method text.
inline constexpr uint32_t kMethodNone = 0;
inline constexpr uint32_t kMethodDelete = 1;
inline constexpr uint32_t kMethodGet = 2;
inline constexpr uint32_t kMethodHead = 3;
inline constexpr uint32_t kMethodOptions = 4;
inline constexpr uint32_t kMethodPatch = 5;
inline constexpr uint32_t kMethodPost = 6;
inline constexpr uint32_t kMethodPut = 7;
inline constexpr uint32_t kMethodCustom = 8;

// The number of a method text: the empty text is 0, the seven listed texts
// (compared exactly; HTTP methods are case-sensitive) their numbers, any
// other text 8.
uint32_t MethodNumber(std::string_view text);

// The text of a number 1-7; the empty text for 0, 8 and numbers outside the
// table.
std::string_view MethodText(uint32_t number);

// A number read from the other side, outside 1-8, is taken as 0.
uint32_t NormalizeMethodNumber(uint32_t number);

}  // namespace kor::hostkit
