#include "config/ConfigFileCache.h"

#include "config/ConfigNameHash.h"
#include "config/ConfigPersistence.h"
#include "config/PathUtilities.h"
#include "config/ValueText.h"

namespace kor {
namespace {

// The persisted text of a setting the store owns; nullptr when the store does
// not own it. `owned` tells the two "no text" cases apart.
const std::string* PersistedText(const ConfigPersistence* persistence, std::string_view file,
                                 std::string_view section, std::string_view key, bool& owned) {
    owned = persistence != nullptr && persistence->IsPersisted(file, section, key);
    return owned ? persistence->FindPersistedValue(file, section, key) : nullptr;
}

}  // namespace

ConfigFileCache& ConfigFileCache::Instance() {
    // Never destroyed: lookups may still come from other static destructors.
    static ConfigFileCache* const cache = new ConfigFileCache();
    return *cache;
}

void ConfigFileCache::ResetForTesting() {
    ConfigFileCache& cache = Instance();
    cache.lastEntry_ = nullptr;
    cache.lastName_.clear();
    cache.entries_.clear();
}

std::string ConfigFileCache::DefaultsPathFor(std::string_view file) {
    const std::string name = NormalizedPath(file);
    const std::size_t separator = name.find_last_of("/\\:");
    std::string directory;
    std::string_view fileName = name;
    if (separator != std::string::npos) {
        directory = name.substr(0, separator + 1);
        if (name[separator] == ':') directory += '/';
        fileName = std::string_view(name).substr(separator + 1);
    }
    return directory + "defaults/" + std::string(fileName);
}

ConfigFile& ConfigFileCache::Rebuild(std::string_view file) {
    std::string name(file);
    auto& slot = entries_[name];
    lastEntry_ = nullptr;
    slot.reset();
    const std::string path = NormalizedPath(file);
    slot = std::make_unique<ConfigFile>(path, path, DefaultsPathFor(file));
    slot->SetStale(false);
    lastEntry_ = slot.get();
    lastName_ = std::move(name);
    return *lastEntry_;
}

ConfigFile& ConfigFileCache::Entry(std::string_view file, bool reload) {
    if (lastEntry_ == nullptr || lastName_ != file) {
        const auto found = entries_.find(std::string(file));
        lastEntry_ = found == entries_.end() ? nullptr : found->second.get();
        lastName_ = file;
    }
    if (lastEntry_ == nullptr || reload || lastEntry_->IsStale()) return Rebuild(file);
    return *lastEntry_;
}

bool ConfigFileCache::GetBool(std::string_view file, std::string_view section, std::string_view key,
                              bool defaultValue, const ConfigPersistence* persisted, bool reload) {
    bool owned = false;
    if (const std::string* text = PersistedText(persisted, file, section, key, owned)) return TextAsBool(*text);
    if (owned) return defaultValue;
    return Entry(file, reload).GetBool(ConfigValueKey(section, key), defaultValue).value;
}

int32_t ConfigFileCache::GetInt(std::string_view file, std::string_view section, std::string_view key,
                                int32_t defaultValue, const ConfigPersistence* persisted, bool reload) {
    bool owned = false;
    if (const std::string* text = PersistedText(persisted, file, section, key, owned)) return LeadingInt32(*text);
    if (owned) return defaultValue;
    return Entry(file, reload).GetInt(ConfigValueKey(section, key), defaultValue).value;
}

int64_t ConfigFileCache::GetInt64(std::string_view file, std::string_view section, std::string_view key,
                                  int64_t defaultValue, const ConfigPersistence* persisted, bool reload) {
    bool owned = false;
    if (const std::string* text = PersistedText(persisted, file, section, key, owned)) {
        // Read as a full 64-bit number, so persisted values beyond the 32-bit
        // range come back as they were written.
        int64_t value = 0;
        ParseLeadingInt64(*text, value);
        return value;
    }
    if (owned) return defaultValue;
    return Entry(file, reload).GetInt64(ConfigValueKey(section, key), defaultValue).value;
}

float ConfigFileCache::GetFloat(std::string_view file, std::string_view section, std::string_view key,
                                float defaultValue, const ConfigPersistence* persisted, bool reload) {
    bool owned = false;
    if (const std::string* text = PersistedText(persisted, file, section, key, owned)) {
        return NarrowToFloat(LeadingDouble(*text));
    }
    if (owned) return defaultValue;
    return Entry(file, reload).GetFloat(ConfigValueKey(section, key), defaultValue).value;
}

std::string ConfigFileCache::GetString(std::string_view file, std::string_view section, std::string_view key,
                                       const char* defaultValue, const ConfigPersistence* persisted,
                                       bool reload) {
    bool owned = false;
    if (const std::string* text = PersistedText(persisted, file, section, key, owned)) return *text;
    if (owned) return defaultValue != nullptr ? defaultValue : "";
    return Entry(file, reload).GetString(ConfigValueKey(section, key), defaultValue).value;
}

int32_t ConfigFileCache::Reload(std::string_view file, ConfigPersistence* captureInto) {
    ConfigFile& entry = Entry(file, true);
    entry.ClearTextValues();
    return entry.ParseText(entry.MainPath(), ConfigFile::kCaptureValues, captureInto);
}

void ConfigFileCache::MarkStale(std::string_view file) {
    const auto found = entries_.find(std::string(file));
    if (found != entries_.end()) found->second->SetStale(true);
}

}  // namespace kor
