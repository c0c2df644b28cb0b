#include "config/AtomicFileWrite.h"

#include "config/FileAccess.h"
#include "platform/FileSystem.h"

namespace kor {
namespace {

enum class TemporaryFile { kNotCreated, kIncomplete, kComplete };

TemporaryFile WriteWhole(std::string_view path, std::string_view bytes, const char* mode) {
    std::unique_ptr<FileStream> stream = OpenFileForWrite(path, mode);
    if (!stream || !stream->IsOpen()) return TemporaryFile::kNotCreated;
    const bool written = bytes.empty() || stream->Write(bytes.data(), 1, bytes.size()) == bytes.size();
    const bool flushed = stream->Flush();
    return written && flushed ? TemporaryFile::kComplete : TemporaryFile::kIncomplete;
}

}  // namespace

std::string TemporaryPathFor(std::string_view path) {
    std::string temporary(path);
    temporary += ".tmp";
    return temporary;
}

bool WriteFileAtomically(std::string_view path, std::string_view bytes, const char* mode) {
    const std::string temporary = TemporaryPathFor(path);
    const TemporaryFile written = WriteWhole(temporary, bytes, mode);
    if (written != TemporaryFile::kComplete) {
        if (written == TemporaryFile::kIncomplete) platform::RemoveFile(temporary);
        return false;
    }
    if (!platform::ReplaceFile(temporary, std::string(path))) {
        platform::RemoveFile(temporary);
        return false;
    }
    return true;
}

}  // namespace kor
