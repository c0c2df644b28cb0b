#pragma once

namespace kor::platform {

// Sends a text to an attached debugger's console. Linux has no such console,
// so the text goes nowhere there.
void WriteDebuggerOutput(const char* text);

}  // namespace kor::platform
