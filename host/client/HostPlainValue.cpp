#include "host/client/HostPlainValue.h"

#include <cstring>

#include "binding/BindingPlainValue.h"
#include "platform/CountingAllocator.h"

namespace kor {

BindingResult ReadHostPlainValue(const BindingPlainValue& plain, std::string_view name) noexcept {
    BindingPlainResult failure;
    std::memset(static_cast<void*>(&failure), 0, sizeof failure);
    BindingResult result;
    if (!ConvertFromPlainValue(failure, result.value(), plain, name)) {
        try {
            result.SetFailure(failure.error != nullptr ? std::string_view(failure.error) : std::string_view());
        } catch (...) {
            // Out of memory for the message: the result still fails, with
            // whatever message fitted.
        }
    }
    platform::CountedFree(failure.error);
    return result;
}

}  // namespace kor
