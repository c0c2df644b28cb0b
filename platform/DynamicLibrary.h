#pragma once

#include <string>

namespace kor::platform {

// A shared library opened at run time. The handle is opaque; null means no
// library.
using LibraryHandle = void*;

// Opens the library `name` (searched for the system's way when it has no
// directory part). Null on failure, with the system's reason in `error`.
LibraryHandle OpenLibrary(const std::string& name, std::string& error);

// Opens the library `name` from `directory` (a path that ends in a
// separator), its own dependencies looked for there and in the system's
// directories; with an empty `directory`, from the system's directories
// alone. Never from the working directory or the PATH: whoever can write
// there could plant a library of that name. Null on failure, with the
// system's reason in `error`.
LibraryHandle OpenTrustedLibrary(const std::string& directory, const std::string& name, std::string& error);

// The address of the exported `symbol` of `library`; null when absent.
void* FindLibrarySymbol(LibraryHandle library, const char* symbol);

// Closes a library from OpenLibrary; null does nothing.
void CloseLibrary(LibraryHandle library);

}  // namespace kor::platform
