#include "binding/BindingFunctionDescriptor.h"

#include "binding/Fnv1a.h"

namespace kor {

int BindingFunctionDescriptor::ParameterIndex(std::string_view parameterName) const {
    const uint32_t hash = Fnv1aHash(parameterName);
    for (std::size_t index = 0; index < parameters.size(); ++index) {
        const BindingParameterDescriptor& parameter = parameters[index];
        if (parameter.nameHash == hash && parameter.name == parameterName) return static_cast<int>(index);
    }
    return -1;
}

const BindingParameterDescriptor* BindingFunctionDescriptor::FindParameter(std::string_view parameterName) const {
    int index = ParameterIndex(parameterName);
    return index >= 0 ? &parameters[static_cast<std::size_t>(index)] : nullptr;
}

}  // namespace kor
