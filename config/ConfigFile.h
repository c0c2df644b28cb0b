#pragma once

#include "config/CompiledConfig.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace kor {

class ConfigPersistence;

// A typed value and whether the file (or its compiled form) had the key.
template <class T>
struct ConfigLookup {
    T value;
    bool found;
};

// One INI configuration file merged with its defaults file, answering lookups
// by value key (ConfigValueKey). Built by ConfigFileCache; it loads on
// construction and never watches its files afterwards.
//
// Loading: the compiled form of the main file ("<main path>bin") serves alone
// when present, unless the file is an ".ini" whose title names "RecItems".
// Otherwise the compiled form of the defaults file is loaded when present,
// then the main file's text is parsed and then the defaults file's; the first
// value stored under a key wins, so the main file overrides its defaults.
class ConfigFile {
public:
    // Parse flags.
    static constexpr uint32_t kSilentDuplicates = 1;
    static constexpr uint32_t kCaptureValues = 2;
    // Parse results.
    static constexpr int32_t kParseSucceeded = 0;
    static constexpr int32_t kParseFailed = static_cast<int32_t>(0x80004005u);

    // `name` is used in messages; `mainPath` is the file as asked for.
    ConfigFile(std::string name, std::string mainPath, std::string defaultsPath);

    ConfigLookup<int32_t> GetInt(uint32_t valueKey, int32_t defaultValue) const;
    ConfigLookup<int64_t> GetInt64(uint32_t valueKey, int64_t defaultValue) const;
    ConfigLookup<bool> GetBool(uint32_t valueKey, bool defaultValue) const;
    // A text value that is literally "$##$" counts as absent.
    ConfigLookup<float> GetFloat(uint32_t valueKey, float defaultValue) const;
    // A null default is the empty text.
    ConfigLookup<std::string> GetString(uint32_t valueKey, const char* defaultValue) const;

    // Parses INI text from `path` into the text values: kParseSucceeded, or
    // kParseFailed when the file cannot be opened or is empty. Duplicates keep
    // the first value and are logged unless kSilentDuplicates is set; with
    // kCaptureValues each newly stored pair is offered to `capture`.
    int32_t ParseText(const std::string& path, uint32_t flags, ConfigPersistence* capture = nullptr);
    void ClearTextValues();

    const std::string& Name() const { return name_; }
    const std::string& MainPath() const { return mainPath_; }
    const std::string& DefaultsPath() const { return defaultsPath_; }
    bool HasText() const { return hasText_; }
    bool HasCompiled() const { return hasCompiled_; }
    bool IsCompiledFromDefaults() const { return compiledFromDefaults_; }
    bool IsStale() const { return stale_; }
    void SetStale(bool stale) { stale_ = stale; }

private:
    void Load();
    // True when the compiled form at `path` loaded; reports an old version.
    bool LoadCompiled(const std::string& path);
    bool ServedByCompiledAlone() const;
    const std::string* TextValue(uint32_t valueKey) const;

    std::string name_;
    std::string mainPath_;
    std::string defaultsPath_;
    std::unordered_map<uint32_t, std::string> textValues_;
    CompiledConfig compiled_;
    bool hasCompiled_ = false;
    bool compiledFromDefaults_ = false;
    bool hasText_ = false;
    bool stale_ = false;
};

}  // namespace kor
