#include "config/AtomicFileWrite.h"

#include "config/FileAccess.h"
#include "log/Log.h"
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
    const std::string target(path);
    const platform::ReplaceOutcome replaced = platform::ReplaceOrRewriteFile(temporary, target);
    if (replaced == platform::ReplaceOutcome::kFailed) {
        platform::RemoveFile(temporary);
        return false;
    }
    if (replaced == platform::ReplaceOutcome::kRewrittenInPlace) {
        LogWrite(kLogWarn, kLogGroupsConfig, "%s is held open elsewhere and was rewritten in place.\n",
                 target.c_str());
    }
    return true;
}

}  // namespace kor
