#pragma once

#include <string>

namespace kor::platform {

// A shared library opened at run time. The handle is opaque; null means no
// library.
using LibraryHandle = void*;

// Opens the library `name` (searched for the system's way when it has no
// directory part). Null on failure, with the system's reason in `error`.
LibraryHandle OpenLibrary(const std::string& name, std::string& error);

// The address of the exported `symbol` of `library`; null when absent.
void* FindLibrarySymbol(LibraryHandle library, const char* symbol);

// Closes a library from OpenLibrary; null does nothing.
void CloseLibrary(LibraryHandle library);

}  // namespace kor::platform
