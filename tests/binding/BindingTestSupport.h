#pragma once

#include "binding/BindingProperty.h"
#include "binding/StaticTypeId.h"

#include <ostream>
#include <string>

namespace kor::test {

// A compact text of a tree for assertions: null, true, s:-1, u:2, f:1.5,
// "text", blob:3, enum:4, [..], {"key":..}.
inline void Describe(const BindingProperty& value, std::string& out) {
    switch (value.kind()) {
        case BindingPropertyKind::Empty:
            out += "null";
            break;
        case BindingPropertyKind::Bool:
            out += value.GetBool() ? "true" : "false";
            break;
        case BindingPropertyKind::Signed:
            out += "s:" + std::to_string(value.GetSigned());
            break;
        case BindingPropertyKind::Unsigned:
            out += "u:" + std::to_string(value.GetUnsigned());
            break;
        case BindingPropertyKind::Float: {
            std::string text = std::to_string(value.GetFloat());
            text.erase(text.find_last_not_of('0') + 1);
            if (!text.empty() && text.back() == '.') text.pop_back();
            out += "f:" + text;
            break;
        }
        case BindingPropertyKind::String:
            out += '"';
            out.append(value.GetString());
            out += '"';
            break;
        case BindingPropertyKind::Blob:
            out += "blob:" + std::to_string(value.Size());
            break;
        case BindingPropertyKind::Enum:
            out += "enum:" + std::to_string(value.GetEnum().number);
            break;
        case BindingPropertyKind::Collection: {
            out += '[';
            bool first = true;
            for (const BindingProperty& element : value.Elements()) {
                if (!first) out += ',';
                first = false;
                Describe(element, out);
            }
            out += ']';
            break;
        }
        case BindingPropertyKind::Structure: {
            out += '{';
            bool first = true;
            for (const auto& [key, member] : value.Members()) {
                if (!first) out += ',';
                first = false;
                out += '"';
                out.append(key);
                out += "\":";
                Describe(member, out);
            }
            out += '}';
            break;
        }
    }
}

inline std::string Describe(const BindingProperty& value) {
    std::string out;
    Describe(value, out);
    return out;
}

}  // namespace kor::test

namespace kor {
// Lets GoogleTest print values in failure messages.
inline void PrintTo(const BindingProperty& value, std::ostream* out) { *out << test::Describe(value); }
}  // namespace kor
