#include "platform/DebuggerOutput.h"

#include <windows.h>

namespace kor::platform {

void WriteDebuggerOutput(const char* text) {
    if (text != nullptr) OutputDebugStringA(text);
}

}  // namespace kor::platform
