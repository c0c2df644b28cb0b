#pragma once

#include <cstdint>
#include <string_view>

namespace kor {

// Write one value into an INI file in place (see EditIniText), recording it
// first in the process-wide ConfigPersistence when that owns the setting.
// Missing directories are created. The file is replaced only by a complete
// new version; on failure it stays as it was, the failure is logged, the
// cache entry is not marked stale and the result is false. On success the
// cache entry named exactly `file` is marked stale. A value the file already
// holds, written the same way, leaves the file untouched (and succeeds).
bool WriteString(std::string_view file, std::string_view section, std::string_view key, std::string_view text);
// "1" or "0".
bool WriteBool(std::string_view file, std::string_view section, std::string_view key, bool value);
// Decimal, as "%lld".
bool WriteInt64(std::string_view file, std::string_view section, std::string_view key, int64_t value);
// Four decimals, as "%.4f".
bool WriteFloat(std::string_view file, std::string_view section, std::string_view key, float value);

}  // namespace kor
