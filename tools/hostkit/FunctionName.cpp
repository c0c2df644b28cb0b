#include "tools/hostkit/FunctionName.h"

namespace kor::hostkit {
namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsSeparator(char c) {
    return c == '!' || c == '+' || c == '-' || c == '.' || c == '/' || c == '_';
}

std::string JoinMethodAndPath(std::string_view method, std::string_view path) {
    std::string joined;
    if (!method.empty()) {
        joined += method.front();
        for (char c : method.substr(1)) joined += AsciiLower(c);
        joined += '/';
    }
    joined += path;
    return joined;
}

}  // namespace

std::string MakeFunctionName(std::string_view method, std::string_view path) {
    std::string name;
    bool capitalise = true;
    for (char c : JoinMethodAndPath(method, path)) {
        if (IsSeparator(c)) {
            capitalise = true;
        } else if (c == '{') {
            name += "By";
            capitalise = true;
        } else if (c == '}') {
            // dropped; the flag stays as it was
        } else if (capitalise) {
            name += AsciiUpper(c);
            capitalise = false;
        } else {
            name += c;
        }
    }
    return name;
}

}  // namespace kor::hostkit
