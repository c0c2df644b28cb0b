#include "platform/Thread.h"

#include <sys/syscall.h>
#include <unistd.h>

namespace kor::platform {

uintptr_t CurrentThreadId() { return static_cast<uintptr_t>(syscall(SYS_gettid)); }

}  // namespace kor::platform
