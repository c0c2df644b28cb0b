#pragma once

#include "binding/BindingProperty.h"
#include "binding/StaticTypeId.h"

#include <ostream>
#include <string>

namespace kor::test {

// A compact text of a tree for assertions: null, true, s:-1, u:2, f:1.5,
// "text", blob:3, enum:4, [..], {"key":..}.
inline std::string Describe(const BindingProperty& value) {
    std::string out, number = std::to_string(value.GetFloat());
    for (const BindingProperty& element : value.Elements()) out += (out.empty() ? "" : ",") + Describe(element);
    for (const auto& [key, member] : value.Members()) out += (out.empty() ? "\"" : ",\"") + std::string(key) + "\":" + Describe(member);
    number.erase(number.find_last_not_of('0') + 1);
    switch (value.kind()) {
        case BindingPropertyKind::Empty: return "null";
        case BindingPropertyKind::Bool: return value.GetBool() ? "true" : "false";
        case BindingPropertyKind::Signed: return "s:" + std::to_string(value.GetSigned());
        case BindingPropertyKind::Unsigned: return "u:" + std::to_string(value.GetUnsigned());
        case BindingPropertyKind::Float: return "f:" + number.substr(0, number.size() - (number.back() == '.'));
        case BindingPropertyKind::String: return '"' + std::string(value.GetString()) + '"';
        case BindingPropertyKind::Blob: return "blob:" + std::to_string(value.Size());
        case BindingPropertyKind::Enum: return "enum:" + std::to_string(value.GetEnum().number);
        case BindingPropertyKind::Collection: return '[' + out + ']';
        case BindingPropertyKind::Structure: return '{' + out + '}';
    }
    return out;
}

}  // namespace kor::test

namespace kor {
// Lets GoogleTest print values in failure messages.
inline void PrintTo(const BindingProperty& value, std::ostream* out) { *out << test::Describe(value); }
}  // namespace kor
