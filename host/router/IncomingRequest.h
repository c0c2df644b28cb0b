#pragma once

#include "abi/PluginAbi.h"

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <string_view>

namespace kor {

// Header names to values; a later entry of the same name replaced an
// earlier one.
using HeaderMap = std::map<std::string, std::string, std::less<>>;

// A request record from the host, read defensively. The record is trusted
// only as far as it can be checked: a null text reads as the empty text, a
// null array as an empty one whatever its count says, and header entries
// with a null name or value are left out. (A count larger than the array it
// describes cannot be seen from here.) Nothing is copied except the header
// map; the views live as long as the record.
class IncomingRequest {
public:
    explicit IncomingRequest(const PluginRequest& record) : record_(record) {}

    // The method number; a number outside 1-8 is taken as 0.
    uint32_t method() const;
    // The custom method text when the method is 8, else the empty text.
    std::string_view customMethod() const;
    std::string_view url() const;
    // The URL up to its first "?", and the text after it (empty when none).
    std::string_view path() const;
    std::string_view query() const;

    std::span<const PluginArgument> arguments() const;
    HeaderMap headers() const;

    bool hasBody() const { return record_.body != nullptr; }
    std::span<const uint8_t> body() const;
    std::string_view contentType() const;

    uintptr_t callWord() const { return record_.callWord; }
    const void* callContext() const { return record_.callContext; }

private:
    const PluginRequest& record_;
};

// The text a possibly null C string holds.
inline std::string_view TextOrEmpty(const char* text) { return text != nullptr ? std::string_view(text) : std::string_view(); }

}  // namespace kor
