#include "abi/FunctionName.h"

namespace kor {
namespace {

char ToUpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
char ToLowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool IsDroppedSeparator(char c) {
    return c == '!' || c == '+' || c == '-' || c == '.' || c == '/' || c == '_';
}

}  // namespace

std::string MakeFunctionName(std::string_view method, std::string_view path) {
    std::string joined;
    if (!method.empty()) {
        joined += method.front();
        for (char c : method.substr(1)) joined += ToLowerAscii(c);
        joined += '/';
    }
    joined += path;

    std::string name;
    name.reserve(joined.size() + 8);
    bool capitalise = true;
    for (char c : joined) {
        if (IsDroppedSeparator(c)) {
            capitalise = true;
        } else if (c == '{') {
            name += "By";
            capitalise = true;
        } else if (c == '}') {
            // Dropped; the flag stays as it is.
        } else if (capitalise) {
            name += ToUpperAscii(c);
            capitalise = false;
        } else {
            name += c;
        }
    }
    return name;
}

}  // namespace kor
