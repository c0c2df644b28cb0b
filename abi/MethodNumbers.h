#pragma once

#include <cstdint>
#include <string_view>

namespace kor {

// The method numbers of request records, routes and outbound requests.
enum class PluginMethod : uint32_t {
    None = 0,
    Delete = 1,
    Get = 2,
    Head = 3,
    Options = 4,
    Patch = 5,
    Post = 6,
    Put = 7,
    Custom = 8,  // named by the record's separate custom method text
};

// "DELETE", "GET", "HEAD", "OPTIONS", "PATCH", "POST", "PUT" for 1-7; the
// empty text for 0, for 8 (whose text travels separately) and for any other
// number.
std::string_view MethodText(PluginMethod method);

// A number read from the other side: 1-8 stand, anything else is taken as 0.
PluginMethod MethodFromNumber(uint32_t number);

// The method of a text: the empty text is None, the seven texts above
// (compared exactly; HTTP methods are case-sensitive) their methods, any
// other text Custom.
PluginMethod MethodFromText(std::string_view text);

}  // namespace kor
