#include "config/ConfigValueWriter.h"

#include "config/AtomicFileWrite.h"
#include "config/ConfigFileCache.h"
#include "config/ConfigPersistence.h"
#include "config/FileAccess.h"
#include "config/IniTextEditor.h"
#include "config/PathUtilities.h"
#include "config/ValueText.h"
#include "log/Log.h"

#include <memory>
#include <optional>
#include <string>

namespace kor {
namespace {

// The file's current bytes; empty for a file that does not exist yet, none
// when it exists but cannot be read.
std::optional<std::string> CurrentText(const std::string& path, bool exists) {
    if (!exists) return std::string();
    std::unique_ptr<FileStream> stream = OpenFileForRead(path, "rb");
    if (!stream) return std::nullopt;
    const char* bytes = stream->Contents();
    if (bytes == nullptr) return std::nullopt;
    return std::string(bytes, stream->Size());
}

void CreateDirectoriesFor(const std::string& path) {
    const std::size_t separator = path.rfind('/');
    if (separator != std::string::npos) CreateDirectoryTree(path.substr(0, separator));
}

bool EditFile(const std::string& path, bool exists, std::string_view section, std::string_view key,
              std::string_view value) {
    const std::optional<std::string> current = CurrentText(path, exists);
    if (!current) return false;
    const std::string edited = EditIniText(*current, section, key, value);
    // The file already says this: replacing it with the same bytes would
    // only cost time, and writing a settings group back writes every one of
    // its settings, most of them unchanged.
    if (edited == *current) return true;
    return WriteFileAtomically(path, edited, "wb");
}

bool WriteValue(std::string_view file, std::string_view section, std::string_view key, std::string_view text,
                ConfigPersistence* captureInto) {
    if (captureInto != nullptr) captureInto->CaptureValue(file, section, key, text);
    const std::string path = NormalizedPath(file);
    const bool exists = CheckFileAccess(path, 0) == 0;
    if (!exists) CreateDirectoriesFor(path);
    if (EditFile(path, exists, section, key, text)) {
        ConfigFileCache::Instance().MarkStale(file);
        return true;
    }
    const std::string textCopy(text);
    const std::string keyCopy(key);
    const std::string sectionCopy(section);
    const std::string fileCopy(file);
    LogWrite(kLogError, kLogGroupsConfig, "Failed to write value %s for %s:%s in %s.\n", textCopy.c_str(),
             keyCopy.c_str(), sectionCopy.c_str(), fileCopy.c_str());
    return false;
}

void LogReplaceFailure(const std::string& path) {
    LogWrite(kLogError, kLogGroupsConfig, "Failed to write settings to %s.\n", path.c_str());
}

}  // namespace

void ConfigWriteBatch::Write(std::string_view file, std::string_view section, std::string_view key,
                             std::string_view text) {
    if (captureInto_ != nullptr) captureInto_->CaptureValue(file, section, key, text);
    std::string path = NormalizedPath(file);
    auto [entry, added] = byPath_.try_emplace(path, files_.size());
    if (added) files_.push_back(PendingFile{std::move(path), {}, {}, {}, "wb", false});
    PendingFile& pending = files_[entry->second];
    if (pending.names.empty() || pending.names.back() != file) pending.names.emplace_back(file);
    pending.edits.push_back(IniEdit{std::string(section), std::string(key), std::string(text)});
}

void ConfigWriteBatch::WriteString(std::string_view file, std::string_view section, std::string_view key,
                                   std::string_view text) {
    Write(file, section, key, text);
}

void ConfigWriteBatch::WriteBool(std::string_view file, std::string_view section, std::string_view key, bool value) {
    Write(file, section, key, value ? "1" : "0");
}

void ConfigWriteBatch::WriteInt64(std::string_view file, std::string_view section, std::string_view key,
                                  int64_t value) {
    Write(file, section, key, IntText(value));
}

void ConfigWriteBatch::WriteFloat(std::string_view file, std::string_view section, std::string_view key,
                                  float value) {
    Write(file, section, key, FixedFloatText(static_cast<double>(value)));
}

void ConfigWriteBatch::AddFile(std::string path, std::string bytes, const char* mode) {
    files_.push_back(PendingFile{std::move(path), {}, {}, std::move(bytes), mode, true});
}

ReplaceResult ConfigWriteBatch::Commit() {
    std::vector<FileReplacement> replacements;
    std::vector<const PendingFile*> replaced;
    for (PendingFile& pending : files_) {
        if (!pending.whole) {
            const bool exists = CheckFileAccess(pending.path, 0) == 0;
            const std::optional<std::string> current = CurrentText(pending.path, exists);
            if (!current) {
                LogReplaceFailure(pending.path);
                return ReplaceResult::kUntouched;
            }
            pending.bytes = EditIniTexts(*current, pending.edits);
            if (pending.bytes == *current) continue;
            if (!exists) CreateDirectoriesFor(pending.path);
        }
        replacements.push_back(FileReplacement{pending.path, pending.bytes, pending.mode});
        replaced.push_back(&pending);
    }
    const ReplaceOutcome outcome = ReplaceFilesTogether(replacements);
    const std::size_t renamed = outcome.result == ReplaceResult::kReplaced ? replaced.size() : outcome.failed;
    if (outcome.result != ReplaceResult::kReplaced) LogReplaceFailure(replaced[outcome.failed]->path);
    if (outcome.result != ReplaceResult::kUntouched) {
        for (std::size_t i = 0; i < renamed; ++i) {
            for (const std::string& name : replaced[i]->names) ConfigFileCache::Instance().MarkStale(name);
        }
    }
    return outcome.result;
}

bool WriteString(std::string_view file, std::string_view section, std::string_view key, std::string_view text,
                 ConfigPersistence* captureInto) {
    return WriteValue(file, section, key, text, captureInto);
}

bool WriteBool(std::string_view file, std::string_view section, std::string_view key, bool value,
               ConfigPersistence* captureInto) {
    return WriteValue(file, section, key, value ? "1" : "0", captureInto);
}

bool WriteInt64(std::string_view file, std::string_view section, std::string_view key, int64_t value,
                ConfigPersistence* captureInto) {
    return WriteValue(file, section, key, IntText(value), captureInto);
}

bool WriteFloat(std::string_view file, std::string_view section, std::string_view key, float value,
                ConfigPersistence* captureInto) {
    return WriteValue(file, section, key, FixedFloatText(static_cast<double>(value)), captureInto);
}

}  // namespace kor
