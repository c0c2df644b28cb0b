#pragma once

#include <rapidjson/document.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace kor {

// The store of settings kept server-side for the player's account.
//
// Which settings are persisted comes from two lists merged at construction:
// "DATA/CFG/defaults/SettingsToPersist.json", then the user's
// "SettingsToPersist.json" in the configuration directory. Both have the shape
// {"files": [{"name", "persisted"?, "sections": [{"name", "persisted"?,
// "settings": [{"name", "persisted"}]}]}]}. Later entries override earlier
// ones, and a "persisted" at file or section level replaces everything
// gathered below it so far. The most specific flag present decides.
//
// Values of persisted settings come from "PersistedSettings.json" or, when
// that is missing or unreadable, from the main settings and key-binding
// files. Handed to ConfigFileCache's getters, the store answers every read of
// a persisted setting; handed to the INI writers, it records every write to
// one. SavePersistedSettings writes the file when something changed.
//
// Nothing reaches a store that is not handed to it: whoever makes one owns
// it and passes it to each read and write that must see it. Not locked:
// calls must not overlap.
class ConfigPersistence {
public:
    ConfigPersistence();
    virtual ~ConfigPersistence();
    ConfigPersistence(const ConfigPersistence&) = delete;
    ConfigPersistence& operator=(const ConfigPersistence&) = delete;

    bool IsPersisted(std::string_view file, std::string_view section, std::string_view key) const;
    // Records `value` for a persisted setting; ignored for any other. The
    // store becomes dirty when a record is added or its value changes.
    void CaptureValue(std::string_view file, std::string_view section, std::string_view key,
                      std::string_view value);
    // The recorded text, or nullptr.
    const std::string* FindPersistedValue(std::string_view file, std::string_view section,
                                          std::string_view key) const;

    // Replaces every recorded value by those in "PersistedSettings.json";
    // when that file is missing or not a JSON object, by the persisted
    // settings found in the main settings and key-binding files instead. The
    // store starts empty and clean, so nothing recorded before (another
    // account's values, say) survives a load that does not name it.
    void LoadPersistedValues();

    // Writes "PersistedSettings.json" when dirty: records sorted by file,
    // section and key, pretty JSON with 4-blank indentation and no final line
    // break. True when there was nothing to write or the file was written; on
    // failure the store stays dirty (the next save tries again), the failure
    // is logged and the result is false.
    bool SavePersistedSettings();

    bool IsDirty() const { return dirty_; }

    // For a caller that writes the file itself, with others, as one change
    // (PersistedSettingsText): the store is clean once that file is written.
    void MarkSaved() { dirty_ = false; }

    // The JSON document in `path`; a null document when the file cannot be
    // opened, and a non-object (with the parse error logged) when it is not
    // valid JSON.
    static rapidjson::Document LoadJsonFile(std::string_view path);

    // The text SavePersistedSettings writes for the current records.
    std::string PersistedSettingsText() const;

private:
    struct SectionEntry {
        bool persisted = false;
        std::unordered_map<uint32_t, bool> settings;
    };
    struct FileEntry {
        bool persisted = false;
        std::unordered_map<uint32_t, SectionEntry> sections;
    };
    struct ValueRecord {
        std::string file;
        std::string section;
        std::string key;
        std::string value;
    };

public:
    // The recorded values and the dirty flag as they are now, so that values
    // recorded for a change that then failed can be taken back.
    struct Checkpoint {
        std::unordered_map<uint32_t, ValueRecord> values;
        bool dirty = false;
    };
    Checkpoint MakeCheckpoint() const { return Checkpoint{values_, dirty_}; }
    void RestoreCheckpoint(Checkpoint checkpoint) {
        values_ = std::move(checkpoint.values);
        dirty_ = checkpoint.dirty;
    }

private:
    void MergeList(const rapidjson::Document& list);
    void MergeSections(FileEntry& file, const rapidjson::Value& sections);
    void CaptureFromDocument(const rapidjson::Document& document);
    void CaptureFromIniFiles();
    uint32_t FileHash(std::string_view file) const;

    std::unordered_map<uint32_t, FileEntry> files_;
    std::unordered_map<uint32_t, ValueRecord> values_;
    bool dirty_ = false;
    // A settings load asks about every key of one file in turn, and a file's
    // path is long next to its keys: its hash is kept for the next question.
    mutable std::string lastFile_;
    mutable uint32_t lastFileHash_ = 0;
    mutable bool lastFileKnown_ = false;
};

}  // namespace kor
