#pragma once

#include "binding/BindingTypeDescriptor.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kor {

class BindingRegistry;

struct BindingParameterDescriptor {
    std::string name;
    uint32_t nameHash = 0;  // FNV-1a of name
    std::string description;
    BindingTypeIdentifier type;
    bool optional = false;
};

// What the layer that dispatches calls attaches to a function (its handler
// binding); the registry only owns it and destroys it with the function.
class BindingFunctionHandler {
public:
    virtual ~BindingFunctionHandler() = default;
};

// One function of the plug-in's API, held by the registry.
struct BindingFunctionDescriptor {
    std::string name;
    std::string nameSpace;
    std::string description;
    std::string help;
    std::vector<BindingParameterDescriptor> parameters;  // declaration order
    BindingTypeIdentifier returnType;
    std::vector<std::string> tags;
    bool threadSafe = false;
    std::string asyncType;  // the async result type's name; empty for a function that is not async
    const BindingRegistry* registry = nullptr;
    std::unique_ptr<BindingFunctionHandler> handler;

    bool IsAsync() const { return !asyncType.empty(); }
    // The parameter of exactly this name (compared by FNV-1a hash, then
    // bytes); null when none.
    const BindingParameterDescriptor* FindParameter(std::string_view parameterName) const;
    // Its position, or -1.
    int ParameterIndex(std::string_view parameterName) const;
};

}  // namespace kor
