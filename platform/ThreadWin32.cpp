#include "platform/Thread.h"

#include <windows.h>

namespace kor::platform {

uintptr_t CurrentThreadId() { return static_cast<uintptr_t>(GetCurrentThreadId()); }

}  // namespace kor::platform
