#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kor {

// The local "PersistedSettings.json" as whole texts, at the path the install
// locations give it. Writes replace the file atomically: a write that fails
// leaves the old bytes.

// The whole file; nothing when it cannot be opened for reading.
std::optional<std::string> ReadPersistedSettingsFile();

// Replaces the file's content; false when it could not be written.
bool WritePersistedSettingsFile(std::string_view text);

// Drops every byte that belongs to no well-formed UTF-8 sequence from the
// file; text in any language (a German keyboard's key "ö", say) keeps its
// bytes. A file that cannot be read is left alone. False only when a
// file that was read could not be written back.
bool CleanPersistedSettingsFile();

}  // namespace kor
