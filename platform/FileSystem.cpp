#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kor::platform {

std::string CurrentDirectory(std::size_t capacity) {
    std::vector<char> buffer(capacity == 0 ? 1 : capacity);
    if (getcwd(buffer.data(), buffer.size()) == nullptr) return {};
    return buffer.data();
}

int CreateOneDirectory(const std::string& path) {
    if (mkdir(path.c_str(), 0777) == 0) return 0;
    if (errno == EEXIST) return kErrorAlreadyExists;
    return errno == 0 ? -1 : errno;
}

int CheckAccess(const std::string& path, int mode) {
    int flags = F_OK;
    if (mode & 2) flags |= W_OK;
    if (mode & 4) flags |= R_OK;
    return access(path.c_str(), flags) == 0 ? 0 : -1;
}

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsNonDirectory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && !S_ISDIR(info.st_mode);
}

bool IsSpecialEntry(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode);
}

bool SyncToDisk(std::FILE* file) {
    return fsync(fileno(file)) == 0;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

// A rename here replaces a file whoever holds it open.
ReplaceOutcome ReplaceOrRewriteFile(const std::string& from, const std::string& to) {
    return ReplaceFile(from, to) ? ReplaceOutcome::kReplaced : ReplaceOutcome::kFailed;
}

bool RemoveFile(const std::string& path) {
    return std::remove(path.c_str()) == 0 || errno == ENOENT;
}

}  // namespace kor::platform
