#include "plugin/PersistedSettingsFile.h"

#include <memory>

#include "config/AtomicFileWrite.h"
#include "config/ConfigLocations.h"
#include "config/FileAccess.h"
#include "config/Utf8Text.h"

namespace kor {

std::optional<std::string> ReadPersistedSettingsFile() {
    std::unique_ptr<FileStream> stream = OpenFileForRead(GetPersistedSettingsPath(), "rb");
    if (!stream || !stream->IsOpen()) return std::nullopt;
    const char* contents = stream->Contents();
    if (contents == nullptr) return std::string();
    return std::string(contents, stream->Size());
}

bool WritePersistedSettingsFile(std::string_view text) {
    return WriteFileAtomically(GetPersistedSettingsPath(), text, "wb");
}

bool CleanPersistedSettingsFile() {
    std::optional<std::string> text = ReadPersistedSettingsFile();
    if (!text) return true;
    return WritePersistedSettingsFile(WithoutStrayUtf8Bytes(*text));
}

}  // namespace kor
