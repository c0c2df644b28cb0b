#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "config/AtomicFileWrite.h"
#include "config/IniTextEditor.h"

namespace kor {

class ConfigPersistence;

// Write one value into an INI file in place (see EditIniText), recording it
// first in `captureInto` (when given) if that store owns the setting.
// Missing directories are created. The file is replaced only by a complete
// new version; on failure it stays as it was, the failure is logged, the
// cache entry is not marked stale and the result is false. On success the
// cache entry named exactly `file` is marked stale. A value the file already
// holds, written the same way, leaves the file untouched (and succeeds).
bool WriteString(std::string_view file, std::string_view section, std::string_view key, std::string_view text,
                 ConfigPersistence* captureInto);
// "1" or "0".
bool WriteBool(std::string_view file, std::string_view section, std::string_view key, bool value,
               ConfigPersistence* captureInto);
// Decimal, as "%lld".
bool WriteInt64(std::string_view file, std::string_view section, std::string_view key, int64_t value,
                ConfigPersistence* captureInto);
// Four decimals, as "%.4f".
bool WriteFloat(std::string_view file, std::string_view section, std::string_view key, float value,
                ConfigPersistence* captureInto);

// Value writes to any number of INI files made as one change. Writes are only
// collected (each value formatted as by the writers above, and recorded in
// the batch's store when that owns the setting); Commit then computes each
// file's new text whole from its current text, in one pass however many
// values it gets, and replaces all files together with any whole files added
// (ReplaceFilesTogether). A file whose text does not change is not written.
// Undoing what the store recorded when the change fails is the caller's
// part: only it knows what the store held before.
class ConfigWriteBatch {
public:
    // Every value written is offered to `captureInto`, which may be null.
    explicit ConfigWriteBatch(ConfigPersistence* captureInto) : captureInto_(captureInto) {}

    void WriteString(std::string_view file, std::string_view section, std::string_view key, std::string_view text);
    void WriteBool(std::string_view file, std::string_view section, std::string_view key, bool value);
    void WriteInt64(std::string_view file, std::string_view section, std::string_view key, int64_t value);
    void WriteFloat(std::string_view file, std::string_view section, std::string_view key, float value);

    // One more file to replace with the INI files, with its whole content.
    void AddFile(std::string path, std::string bytes, const char* mode);

    // Makes the change. A file that cannot be read, and every failure
    // ReplaceFilesTogether reports, is logged. After a rename the cache
    // entries of the INI files replaced are marked stale.
    ReplaceResult Commit();

private:
    struct PendingFile {
        std::string path;       // as the file access layer names it
        std::vector<std::string> names;  // as the callers gave it, for the cache
        std::vector<IniEdit> edits;
        std::string bytes;      // the whole content, for a file added whole
        const char* mode = "wb";
        bool whole = false;
    };

    void Write(std::string_view file, std::string_view section, std::string_view key, std::string_view text);

    ConfigPersistence* captureInto_;
    std::vector<PendingFile> files_;
    std::unordered_map<std::string, std::size_t> byPath_;
};

}  // namespace kor
