#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kor {

// The byte-order mark many Windows editors put at the start of a UTF-8 text.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// Length of the byte-order mark at the start of `text`: 3 or 0. What follows
// it is the text's first line.
std::size_t ByteOrderMarkLength(std::string_view text);

// Length of the well-formed UTF-8 sequence that starts at `at`, or 0 when the
// bytes there are none: a continuation byte out of place, an overlong form, a
// surrogate, a code point above U+10FFFF, or a sequence cut short. `at` must
// lie inside the text.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at);

// `text` without the bytes that belong to no well-formed UTF-8 sequence; every
// sequence, ASCII included, keeps its bytes and its place.
std::string WithoutStrayUtf8Bytes(std::string_view text);

}  // namespace kor
