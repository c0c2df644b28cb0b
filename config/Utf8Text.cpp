#include "config/Utf8Text.h"

namespace kor {
namespace {

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
    return byte >= low && byte <= high;
}

}  // namespace

std::size_t ByteOrderMarkLength(std::string_view text) {
    return text.starts_with(kUtf8ByteOrderMark) ? kUtf8ByteOrderMark.size() : 0;
}

std::size_t Utf8SequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[at + i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    // The second byte's range is narrower after some lead bytes: that is what
    // rules out overlong forms, surrogates and code points past U+10FFFF.
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (InRange(lead, 0xC2, 0xDF)) {
        length = 2;
    } else if (InRange(lead, 0xE0, 0xEF)) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (InRange(lead, 0xF0, 0xF4)) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (text.size() - at < length || !InRange(byte(1), low, high)) return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (!InRange(byte(i), 0x80, 0xBF)) return 0;
    }
    return length;
}

std::string WithoutStrayUtf8Bytes(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            ++at;
            continue;
        }
        kept.append(text.substr(at, length));
        at += length;
    }
    return kept;
}

}  // namespace kor
