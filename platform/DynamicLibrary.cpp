#include "platform/DynamicLibrary.h"

#include <dlfcn.h>

namespace kor::platform {

LibraryHandle OpenLibrary(const std::string& name, std::string& error) {
    dlerror();  // clear a stale error
    void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        const char* text = dlerror();
        error = text != nullptr ? text : "unknown dynamic loader error";
    }
    return handle;
}

void* FindLibrarySymbol(LibraryHandle library, const char* symbol) {
    return library != nullptr ? dlsym(library, symbol) : nullptr;
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) dlclose(library);
}

}  // namespace kor::platform
