#include "platform/DebuggerOutput.h"

namespace kor::platform {

void WriteDebuggerOutput(const char* /*text*/) {}

}  // namespace kor::platform
