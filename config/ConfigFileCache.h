#pragma once

#include "config/ConfigFile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kor {

class ConfigPersistence;

// One ConfigFile per file name, built on first use and rebuilt after the file
// was written (stale) or when a caller asks to reload. Entries are keyed by
// the name exactly as the caller gives it; the files opened are that name with
// "\" turned into "/" and doubled separators folded, in the caller's letter
// case: on a file system that tells case apart, "Game.cfg" and "game.cfg" are
// different files and different entries. The defaults file of
// "dir/Name.ext" is "dir/defaults/Name.ext".
//
// Every typed getter first asks the ConfigPersistence it is given, if any: a
// setting that store declares persisted is answered from the store alone (or
// the default when the store has no value), never from the files.
//
// Not locked: calls must not overlap.
class ConfigFileCache {
public:
    ConfigFileCache() = default;
    ConfigFileCache(const ConfigFileCache&) = delete;
    ConfigFileCache& operator=(const ConfigFileCache&) = delete;

    // The process-wide cache, created on first use.
    static ConfigFileCache& Instance();
    // Drops every entry of the process-wide cache (the instance itself stays).
    static void ResetForTesting();

    // `persisted` may be null: every setting is then read from the files.
    bool GetBool(std::string_view file, std::string_view section, std::string_view key, bool defaultValue,
                 const ConfigPersistence* persisted, bool reload = false);
    int32_t GetInt(std::string_view file, std::string_view section, std::string_view key, int32_t defaultValue,
                   const ConfigPersistence* persisted, bool reload = false);
    int64_t GetInt64(std::string_view file, std::string_view section, std::string_view key, int64_t defaultValue,
                     const ConfigPersistence* persisted, bool reload = false);
    float GetFloat(std::string_view file, std::string_view section, std::string_view key, float defaultValue,
                   const ConfigPersistence* persisted, bool reload = false);
    // A null default is the empty text.
    std::string GetString(std::string_view file, std::string_view section, std::string_view key,
                          const char* defaultValue, const ConfigPersistence* persisted, bool reload = false);

    // Rebuilds the entry for `file`, then re-reads the main file alone with
    // capture: every pair stored is offered to `captureInto`. Until its next
    // rebuild the entry then holds the main file's values only. Returns the
    // parse result (ConfigFile::kParseSucceeded or kParseFailed).
    int32_t Reload(std::string_view file, ConfigPersistence* captureInto);

    // Marks the entry named exactly `file`, if any, for rebuilding on its next use.
    void MarkStale(std::string_view file);

    // The entry for `file`, built or rebuilt as needed.
    ConfigFile& Entry(std::string_view file, bool reload);

    // The defaults file beside `file`: its directory, "defaults/", its name.
    static std::string DefaultsPathFor(std::string_view file);

private:
    ConfigFile& Rebuild(std::string_view file);

    std::unordered_map<std::string, std::unique_ptr<ConfigFile>> entries_;
    ConfigFile* lastEntry_ = nullptr;
    std::string lastName_;
};

}  // namespace kor
