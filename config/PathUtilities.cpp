#include "config/PathUtilities.h"

#include "platform/FileSystem.h"

namespace kor {
namespace {

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::size_t LastSeparator(std::string_view text) {
    return text.find_last_of("/\\");
}

bool StartsAfresh(std::string_view part) {
    return IsSeparator(part[0]) || (part.size() >= 2 && part[1] == ':');
}

// "\" separates directories here too, also where the platform itself would
// take it as part of a name.
std::string WithForwardSlashes(std::string_view path) {
    std::string converted(path);
    for (char& c : converted) {
        if (c == '\\') c = '/';
    }
    return converted;
}

}  // namespace

std::size_t NormalizePathSeparators(std::string& text, bool stripTrailing) {
    std::size_t out = 0;
    for (char c : text) {
        if (c == '\\') c = '/';
        if (c == '/' && out >= 2 && text[out - 1] == '/') continue;
        text[out++] = c;
    }
    text.resize(out);
    if (stripTrailing && !text.empty() && text.back() == '/') text.pop_back();
    return text.size();
}

std::string NormalizedPath(std::string_view text, bool stripTrailing) {
    std::string copy(text);
    NormalizePathSeparators(copy, stripTrailing);
    return copy;
}

int CreateSingleDirectory(std::string_view path) {
    const int error = platform::CreateOneDirectory(WithForwardSlashes(path));
    return error == platform::kErrorAlreadyExists ? 0 : error;
}

namespace {

int CreateTree(const std::string& path) {
    if (path.empty() || platform::IsDirectory(path)) return 0;
    const std::size_t separator = path.rfind('/');
    if (separator != std::string::npos && separator > 0) {
        const int error = CreateTree(path.substr(0, separator));
        if (error != 0) return error;
    }
    return CreateSingleDirectory(path);
}

}  // namespace

int CreateDirectoryTree(std::string_view path) {
    return CreateTree(WithForwardSlashes(path));
}

bool GetParentDirectory(std::string_view path, std::string& parent) {
    if (path.size() > kMaxPathLength) return false;
    std::string_view drive;
    std::string_view rest = path;
    if (rest.size() >= 2 && rest[1] == ':') {
        drive = rest.substr(0, 2);
        rest.remove_prefix(2);
    }
    const std::size_t separator = LastSeparator(rest);
    std::string_view directory =
        separator == std::string_view::npos ? std::string_view() : rest.substr(0, separator + 1);
    const bool hasFileName = directory.size() < rest.size();
    if (!hasFileName && !directory.empty()) {
        const std::string_view shortened = directory.substr(0, directory.size() - 1);
        std::size_t cut = shortened.rfind('/');
        if (cut == std::string_view::npos) cut = shortened.rfind('\\');
        if (cut != std::string_view::npos) directory = shortened.substr(0, cut + 1);
    }
    parent.assign(drive);
    parent.append(directory);
    return true;
}

std::string JoinPath(std::initializer_list<std::string_view> parts) {
    constexpr std::size_t kMaxParts = 8;
    std::string joined;
    std::size_t taken = 0;
    for (std::string_view part : parts) {
        if (taken++ == kMaxParts) break;
        if (part.empty()) continue;
        std::string next = StartsAfresh(part) ? std::string() : joined;
        if (!next.empty() && !IsSeparator(next.back())) next += '/';
        for (char c : part) next += c == '\\' ? '/' : c;
        if (next.size() > kMaxPathLength) break;
        joined = std::move(next);
    }
    return joined;
}

}  // namespace kor
