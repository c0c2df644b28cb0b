#pragma once

#include <string>
#include <string_view>

namespace kor {

// Decodes one URL component (a captured path value, a query name or value):
// "+" becomes a space and "%" with two hexadecimal digits (either case)
// becomes the byte they spell. A "%" that is not followed by two hexadecimal
// digits is copied as it is, and decoding goes on with the next character,
// so malformed escapes survive unchanged instead of producing guessed bytes.
std::string UrlDecode(std::string_view text);

}  // namespace kor
