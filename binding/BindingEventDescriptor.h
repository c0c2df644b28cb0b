#pragma once

#include <string>
#include <vector>

namespace kor {

struct BindingTypeDescriptor;

// One event the plug-in declares, held by the registry's event index.
struct BindingEventDescriptor {
    std::string name;
    const BindingTypeDescriptor* payloadType = nullptr;
    std::string nameSpace;
    std::string description;
    std::vector<std::string> tags;
};

}  // namespace kor
