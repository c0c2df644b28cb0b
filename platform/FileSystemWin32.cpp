#include "platform/FileSystem.h"

#include <direct.h>
#include <io.h>
#include <windows.h>
// <windows.h> maps ReplaceFile to the system function of that name.
#undef ReplaceFile

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace kor::platform {

static_assert(kErrorAlreadyExists == ERROR_ALREADY_EXISTS);

std::string CurrentDirectory(std::size_t capacity) {
    std::vector<char> buffer(capacity == 0 ? 1 : capacity);
    if (_getcwd(buffer.data(), static_cast<int>(buffer.size())) == nullptr) return {};
    return buffer.data();
}

int CreateOneDirectory(const std::string& path) {
    if (CreateDirectoryA(path.c_str(), nullptr)) return 0;
    const DWORD error = GetLastError();
    return error == 0 ? -1 : static_cast<int>(error);
}

int CheckAccess(const std::string& path, int mode) {
    // _access takes the classic modes as they are; anything else it rejects.
    return _access(path.c_str(), mode & 6) == 0 ? 0 : -1;
}

namespace {

// The attributes of an existing entry, or INVALID_FILE_ATTRIBUTES.
DWORD AttributesOf(const std::string& path) { return GetFileAttributesA(path.c_str()); }

}  // namespace

bool IsDirectory(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsNonDirectory(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool IsSpecialEntry(const std::string& path) {
    const DWORD attributes = AttributesOf(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    constexpr DWORD kSpecial = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_REPARSE_POINT;
    return (attributes & kSpecial) != 0;
}

bool SyncToDisk(std::FILE* file) {
    const intptr_t handle = _get_osfhandle(_fileno(file));
    if (handle == -1) return false;
    return FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) != 0;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
    // Unlike rename on Windows, MoveFileEx may replace an existing target;
    // write-through returns only once the move is on disk.
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

namespace {

// Closes a handle of CreateFileA however the caller leaves.
struct FileHandle {
    HANDLE handle;
    ~FileHandle() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

// Moves `size` bytes in chunks that a DWORD count holds: `transfer(done,
// chunk, moved)` reads or writes `chunk` bytes at offset `done` and sets how
// many it moved. A failed call, or one that moves nothing (the file ended
// early or the disk is full), fails the whole.
template <class Transfer>
bool TransferAll(std::size_t size, Transfer transfer) {
    std::size_t done = 0;
    while (done < size) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 20));
        DWORD moved = 0;
        if (!transfer(done, chunk, moved) || moved == 0) return false;
        done += moved;
    }
    return true;
}

bool ReadWholeFile(const std::string& path, std::vector<char>& bytes) {
    FileHandle file{CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)};
    LARGE_INTEGER size{};
    if (file.handle == INVALID_HANDLE_VALUE || !GetFileSizeEx(file.handle, &size) || size.QuadPart < 0 ||
        static_cast<unsigned long long>(size.QuadPart) > bytes.max_size()) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
    return TransferAll(bytes.size(), [&](std::size_t done, DWORD chunk, DWORD& read) {
        return ReadFile(file.handle, bytes.data() + done, chunk, &read, nullptr) != 0;
    });
}

// Truncates the existing file `path` and writes `bytes` into it, through to
// the disk. Shares everything, so that it works beside whoever holds the file.
bool RewriteExistingFile(const std::string& path, const std::vector<char>& bytes) {
    FileHandle file{CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (file.handle == INVALID_HANDLE_VALUE || !SetEndOfFile(file.handle)) return false;
    return TransferAll(bytes.size(),
                       [&](std::size_t done, DWORD chunk, DWORD& written) {
                           return WriteFile(file.handle, bytes.data() + done, chunk, &written, nullptr) != 0;
                       }) &&
           FlushFileBuffers(file.handle) != 0;
}

}  // namespace

ReplaceOutcome ReplaceOrRewriteFile(const std::string& from, const std::string& to) {
    if (ReplaceFile(from, to)) return ReplaceOutcome::kReplaced;
    const DWORD error = GetLastError();
    if ((error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED) || !IsNonDirectory(to)) {
        return ReplaceOutcome::kFailed;
    }
    std::vector<char> bytes;
    if (!ReadWholeFile(from, bytes) || !RewriteExistingFile(to, bytes)) return ReplaceOutcome::kFailed;
    RemoveFile(from);
    return ReplaceOutcome::kRewrittenInPlace;
}

bool RemoveFile(const std::string& path) {
    if (DeleteFileA(path.c_str())) return true;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

}  // namespace kor::platform
