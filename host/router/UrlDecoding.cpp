#include "host/router/UrlDecoding.h"

namespace kor {
namespace {

// The value of a hexadecimal digit, or -1.
int HexDigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::string UrlDecode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char c = text[index];
        if (c == '+') {
            decoded.push_back(' ');
            continue;
        }
        if (c == '%' && index + 2 < text.size()) {
            const int high = HexDigitValue(text[index + 1]);
            const int low = HexDigitValue(text[index + 2]);
            if (high >= 0 && low >= 0) {
                decoded.push_back(static_cast<char>(high * 16 + low));
                index += 2;
                continue;
            }
        }
        decoded.push_back(c);
    }
    return decoded;
}

}  // namespace kor
