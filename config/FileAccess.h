#pragma once

#include "config/FileProvider.h"

#include <memory>
#include <string_view>

namespace kor {

// The process-wide provider table: four slots, filled at start-up and only
// read afterwards (not locked).
inline constexpr int kMaxFileProviders = 4;

// Puts `provider` into the first free slot. A provider that is already in the
// table, a null provider or a fifth provider is ignored. The table does not
// own the provider; it must outlive its registration.
void RegisterFileProvider(FileProvider* provider);

// Opens `name` for reading: the first provider whose access check passes for
// the access mode derived from `mode` and that opens the file wins. nullptr
// when no provider is registered or none opens it.
std::unique_ptr<FileStream> OpenFileForRead(std::string_view name, const char* mode);

// Opens `name` with the first provider that opens it, without access checks.
std::unique_ptr<FileStream> OpenFileForWrite(std::string_view name, const char* mode);

// 0 as soon as one provider answers 0, otherwise the last provider's answer;
// -1 when no provider is registered.
int CheckFileAccess(std::string_view name, int accessMode);

// The access mode a read opened with `mode` needs: 4 for "r...", 0 otherwise;
// 6 / 2 instead when the mode also writes ("w", "a", or "+" second).
int AccessModeForOpen(const char* mode);

// Empties the provider table so a test starts with no provider registered.
void ResetFileProvidersForTesting();

}  // namespace kor
