#include "platform/DynamicLibrary.h"

#include <windows.h>

namespace kor::platform {
namespace {

std::string SystemMessage(DWORD code) {
    char* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length =
        FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string message = length > 0 && text != nullptr ? std::string(text, length) : std::string();
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
        message.pop_back();
    }
    return message.empty() ? "system error " + std::to_string(code) : message;
}

}  // namespace

LibraryHandle OpenLibrary(const std::string& name, std::string& error) {
    HMODULE module = LoadLibraryA(name.c_str());
    if (module == nullptr) error = SystemMessage(GetLastError());
    return reinterpret_cast<LibraryHandle>(module);
}

LibraryHandle OpenTrustedLibrary(const std::string& directory, const std::string& name, std::string& error) {
    const bool beside = !directory.empty();
    const std::string path = beside ? directory + name : name;
    const DWORD flags = beside ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                               : LOAD_LIBRARY_SEARCH_SYSTEM32;
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, flags);
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
        // Windows 7 without update KB2533623 knows none of the search flags:
        // full paths only, the library's own folder searched first for its
        // dependencies.
        std::string full = path;
        if (!beside) {
            char system[MAX_PATH];
            const UINT length = GetSystemDirectoryA(system, MAX_PATH);
            full = length > 0 && length < MAX_PATH ? std::string(system, length) + "\\" + name : std::string();
        }
        if (!full.empty()) module = LoadLibraryExA(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    if (module == nullptr) error = SystemMessage(GetLastError());
    return reinterpret_cast<LibraryHandle>(module);
}

void* FindLibrarySymbol(LibraryHandle library, const char* symbol) {
    if (library == nullptr) return nullptr;
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), symbol));
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) FreeLibrary(static_cast<HMODULE>(library));
}

}  // namespace kor::platform
