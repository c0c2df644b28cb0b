#include "platform/Module.h"

#include <dlfcn.h>

namespace kor::platform {

std::string ModuleFileName() {
    Dl_info info{};
    // Any address inside this module identifies it; this function's own will do.
    if (dladdr(reinterpret_cast<void*>(&ModuleFileName), &info) == 0 || info.dli_fname == nullptr) {
        return {};
    }
    return info.dli_fname;
}

void KeepModuleLoaded() {}

}  // namespace kor::platform
