#pragma once

#include <cstdio>
#include <string>

namespace kor::platform {

// The process's current working directory as the system gives it; empty when
// it does not fit into `capacity` bytes (terminating zero included).
std::string CurrentDirectory(std::size_t capacity);

// Error code that directory creation reports for a directory that exists.
inline constexpr int kErrorAlreadyExists = 183;

// Creates one directory. Returns 0 on success, kErrorAlreadyExists when the
// path names an existing entry, or another non-zero system error code.
int CreateOneDirectory(const std::string& path);

// Access check with the classic modes: 0 exists, 2 write, 4 read, 6 both.
// Returns 0 when the check passes, -1 otherwise.
int CheckAccess(const std::string& path, int mode);

bool IsDirectory(const std::string& path);
// True for an existing entry that is not a directory.
bool IsNonDirectory(const std::string& path);

// True for a path that exists but is not a plain file: a directory, a
// device, a pipe, a symbolic link or any other special entry. Writing a new
// version beside such an entry and renaming it over would replace the entry
// itself, not the file a user meant.
bool IsSpecialEntry(const std::string& path);

// Pushes what the system holds of an open, flushed stream's file to the
// storage device, so the bytes survive a crash of the machine. False when
// the device did not confirm it.
bool SyncToDisk(std::FILE* file);

// Renames `from` over `to`, replacing `to` atomically when it exists.
bool ReplaceFile(const std::string& from, const std::string& to);

enum class ReplaceOutcome { kFailed, kReplaced, kRewrittenInPlace };

// ReplaceFile for a finished temporary file `from`. Windows refuses to
// replace a file that another process holds open without allowing its
// deletion (a sharing violation or access denied), where opening it for
// writing still works; an existing file `to` is then rewritten in place with
// the bytes of `from` (truncated, written, flushed) and `from` is removed.
// That rewrite is not atomic: a failure in the middle leaves `to` cut short.
// On failure `from` is left for the caller.
ReplaceOutcome ReplaceOrRewriteFile(const std::string& from, const std::string& to);

// Removes a file; true when it is gone afterwards.
bool RemoveFile(const std::string& path);

}  // namespace kor::platform
