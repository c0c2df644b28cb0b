#pragma once

#include <string>

namespace kor::platform {

// Full path of the module (shared library or executable) that contains this
// code, not of the process's main executable. Empty when it cannot be found.
std::string ModuleFileName();

}  // namespace kor::platform
