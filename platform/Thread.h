#pragma once

#include <cstdint>

namespace kor::platform {

// An identifier of the calling thread, stable for the thread's lifetime.
uintptr_t CurrentThreadId();

}  // namespace kor::platform
