#include "binding/BindingPropertyKind.h"

#include <array>

namespace kor {

std::string_view BindingPropertyKindName(BindingPropertyKind kind) {
    static constexpr std::array<std::string_view, 10> kNames = {
        "empty", "bool", "signed", "unsigned", "float", "string", "blob", "enum", "collection", "structure",
    };
    auto code = static_cast<std::size_t>(kind);
    return code < kNames.size() ? kNames[code] : std::string_view();
}

}  // namespace kor
