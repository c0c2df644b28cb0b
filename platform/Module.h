#pragma once

#include <string>

namespace kor::platform {

// Full path of the module (shared library or executable) that contains this
// code, not of the process's main executable. Empty when it cannot be found.
std::string ModuleFileName();

// Keeps the module that contains this code loaded until the process ends,
// whatever its loader is asked later. Where the linker already marks the
// library so (ELF "nodelete"), this does nothing.
void KeepModuleLoaded();

}  // namespace kor::platform
