#include "platform/Module.h"

#include <windows.h>

#include <vector>

namespace kor::platform {

namespace {

// The module that contains this code, found by an address inside it (this
// function's own will do), or null.
HMODULE OwnModule(DWORD extraFlags) {
    HMODULE module = nullptr;
    const DWORD flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | extraFlags;
    if (!GetModuleHandleExA(flags, reinterpret_cast<LPCSTR>(&OwnModule), &module)) return nullptr;
    return module;
}

}  // namespace

std::string ModuleFileName() {
    // The reference count is left alone: the module outlives this call.
    HMODULE module = OwnModule(GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT);
    if (module == nullptr) return {};

    // GetModuleFileName truncates silently when the buffer is too small (it
    // then fills the buffer completely), so grow until the name fits.
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameA(module, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return std::string(buffer.data(), length);
        if (buffer.size() >= 32768) return {};
        buffer.resize(buffer.size() * 2);
    }
}

void KeepModuleLoaded() { OwnModule(GET_MODULE_HANDLE_EX_FLAG_PIN); }

}  // namespace kor::platform
