#include "plugin/PersistedSettingsFile.h"

#include <algorithm>
#include <memory>

#include "config/AtomicFileWrite.h"
#include "config/ConfigLocations.h"
#include "config/FileAccess.h"

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
    std::erase_if(*text, [](char c) { return static_cast<unsigned char>(c) > 127; });
    return WritePersistedSettingsFile(*text);
}

}  // namespace kor
