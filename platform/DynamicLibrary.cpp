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

// The loader's search without a slash in the name covers the library paths
// and the system's directories, not the working directory.
LibraryHandle OpenTrustedLibrary(const std::string& directory, const std::string& name, std::string& error) {
    return OpenLibrary(directory + name, error);
}

void* FindLibrarySymbol(LibraryHandle library, const char* symbol) {
    return library != nullptr ? dlsym(library, symbol) : nullptr;
}

void CloseLibrary(LibraryHandle library) {
    if (library != nullptr) dlclose(library);
}

}  // namespace kor::platform
