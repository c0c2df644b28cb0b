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
    // A rename is only safe once the new bytes are on the disk: otherwise a
    // crash soon after could leave the renamed file empty or short.
    const bool flushed = stream->FlushToDisk();
    return written && flushed ? TemporaryFile::kComplete : TemporaryFile::kIncomplete;
}

void RemoveAll(const std::vector<std::string>& temporaries, std::size_t from) {
    for (std::size_t i = from; i < temporaries.size(); ++i) platform::RemoveFile(temporaries[i]);
}

}  // namespace

std::string TemporaryPathFor(std::string_view path) {
    std::string temporary(path);
    temporary += ".tmp";
    return temporary;
}

ReplaceOutcome ReplaceFilesTogether(const std::vector<FileReplacement>& files) {
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (platform::IsSpecialEntry(files[i].path)) return {ReplaceResult::kUntouched, i};
    }
    std::vector<std::string> temporaries;
    temporaries.reserve(files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::string temporary = TemporaryPathFor(files[i].path);
        const TemporaryFile written = WriteWhole(temporary, files[i].bytes, files[i].mode);
        if (written != TemporaryFile::kComplete) {
            if (written == TemporaryFile::kIncomplete) platform::RemoveFile(temporary);
            RemoveAll(temporaries, 0);
            return {ReplaceResult::kUntouched, i};
        }
        temporaries.push_back(std::move(temporary));
    }
    for (std::size_t i = 0; i < files.size(); ++i) {
        const platform::ReplaceOutcome replaced = platform::ReplaceOrRewriteFile(temporaries[i], files[i].path);
        if (replaced == platform::ReplaceOutcome::kFailed) {
            RemoveAll(temporaries, i);
            return {i == 0 ? ReplaceResult::kUntouched : ReplaceResult::kPartly, i};
        }
        if (replaced == platform::ReplaceOutcome::kRewrittenInPlace) {
            LogWrite(kLogWarn, kLogGroupsConfig, "%s is held open elsewhere and was rewritten in place.\n",
                     files[i].path.c_str());
        }
    }
    return {};
}

bool WriteFileAtomically(std::string_view path, std::string_view bytes, const char* mode) {
    return ReplaceFilesTogether({{std::string(path), bytes, mode}}).result == ReplaceResult::kReplaced;
}

}  // namespace kor
