#include "config/ConfigFile.h"

#include "config/ConfigNameHash.h"
#include "config/ConfigPersistence.h"
#include "config/FileAccess.h"
#include "config/IniTextReader.h"
#include "config/TextUtilities.h"
#include "config/ValueText.h"
#include "log/Log.h"

#include <memory>

namespace kor {
namespace {

constexpr std::size_t kInitialBuckets = 8;
// Stands for "no text value" in the float getter.
constexpr std::string_view kAbsentMarker = "$##$";

const char* ShownValue(const std::string& value) {
    return value.empty() ? "nullptr" : value.c_str();
}

// Stores the pairs one parse finds.
class TextValueCollector final : public IniTextHandler {
public:
    TextValueCollector(std::unordered_map<uint32_t, std::string>& values, const std::string& path,
                       uint32_t flags, ConfigPersistence* capture)
        : values_(values), path_(path), flags_(flags), capture_(capture) {}

    void Pair(std::string_view section, std::string_view key, std::string_view value) override {
        const auto [entry, inserted] = values_.try_emplace(ValueKey(section, key), value);
        if (inserted) {
            if ((flags_ & ConfigFile::kCaptureValues) != 0 && capture_ != nullptr) {
                capture_->CaptureValue(path_, section, key, value);
            }
            return;
        }
        if ((flags_ & ConfigFile::kSilentDuplicates) != 0) return;
        const std::string keyText(key);
        const std::string valueText(value);
        LogWrite(kLogWarn, kLogGroupsConfig, "Duplicate key/value pair ([%s, %s] in %s\n", keyText.c_str(),
                 ShownValue(valueText), path_.c_str());
    }

    void PairOutsideSection(std::string_view key, std::string_view value) override {
        const std::string keyText(key);
        const std::string valueText(value);
        LogWrite(kLogError, kLogGroupsConfig, "Key/value pair found outside section ([%s, %s] in %s\n",
                 keyText.c_str(), ShownValue(valueText), path_.c_str());
    }

private:
    // ConfigValueKey, with the hash of the section and "*" kept while the
    // pairs of one section follow each other (the reader hands out the
    // section as the same view each time).
    uint32_t ValueKey(std::string_view section, std::string_view key) {
        if (section.data() != section_.data() || section.size() != section_.size()) {
            section_ = section;
            sectionSeed_ = ConfigNameHash("*", ConfigNameHash(section));
        }
        return ConfigNameHash(key, sectionSeed_);
    }

    std::unordered_map<uint32_t, std::string>& values_;
    std::string_view section_;
    uint32_t sectionSeed_ = 0;
    const std::string& path_;
    uint32_t flags_;
    ConfigPersistence* capture_;
};

// Title and extension (with its ".") of a path's file-name part.
void SplitFileName(std::string_view path, std::string_view& title, std::string_view& extension) {
    const std::size_t separator = path.find_last_of("/\\:");
    const std::string_view fileName = separator == std::string_view::npos ? path : path.substr(separator + 1);
    const std::size_t dot = fileName.rfind('.');
    title = dot == std::string_view::npos ? fileName : fileName.substr(0, dot);
    extension = dot == std::string_view::npos ? std::string_view() : fileName.substr(dot);
}

}  // namespace

ConfigFile::ConfigFile(std::string name, std::string mainPath, std::string defaultsPath)
    : name_(std::move(name)), mainPath_(std::move(mainPath)), defaultsPath_(std::move(defaultsPath)) {
    textValues_.max_load_factor(1.0f);
    Load();
}

bool ConfigFile::LoadCompiled(const std::string& path) {
    std::unique_ptr<FileStream> stream = OpenFileForRead(path, "rb");
    if (!stream) return false;
    const char* bytes = stream->Contents();
    if (bytes == nullptr) return false;
    switch (compiled_.Load(std::string_view(bytes, stream->Size()))) {
        case CompiledConfig::LoadResult::kLoaded:
            return true;
        case CompiledConfig::LoadResult::kOldVersion:
            LogWrite(kLogWarn, kLogGroupsConfig, "ConfigFile: Old version needs to be recompiled: '%s'\n",
                     name_.c_str());
            return false;
        case CompiledConfig::LoadResult::kMalformed:
            break;
    }
    return false;
}

bool ConfigFile::ServedByCompiledAlone() const {
    std::string_view title;
    std::string_view extension;
    SplitFileName(mainPath_, title, extension);
    if (!EqualsIgnoringCase(extension, ".ini")) return true;
    const std::string_view searched = title.empty() ? std::string_view(mainPath_) : title;
    return FindIgnoringCase(searched, "RecItems") == std::string_view::npos;
}

void ConfigFile::Load() {
    if (LoadCompiled(mainPath_ + "bin")) {
        hasCompiled_ = true;
        if (ServedByCompiledAlone()) return;
    } else if (LoadCompiled(defaultsPath_ + "bin")) {
        hasCompiled_ = true;
        compiledFromDefaults_ = true;
    }
    ClearTextValues();
    const bool mainParsed = ParseText(mainPath_, 0) == kParseSucceeded;
    const bool defaultsParsed = ParseText(defaultsPath_, kSilentDuplicates) == kParseSucceeded;
    hasText_ = mainParsed || defaultsParsed;
}

void ConfigFile::ClearTextValues() {
    textValues_.clear();
    textValues_.rehash(kInitialBuckets);
}

int32_t ConfigFile::ParseText(const std::string& path, uint32_t flags, ConfigPersistence* capture) {
    if (path.empty()) return kParseFailed;
    std::unique_ptr<FileStream> stream = OpenFileForRead(path, "rb");
    if (!stream) return kParseFailed;
    const char* bytes = stream->Contents();
    if (bytes == nullptr || stream->Size() == 0) return kParseFailed;
    TextValueCollector collector(textValues_, path, flags, capture);
    ReadIniText(std::string_view(bytes, stream->Size()), collector);
    return kParseSucceeded;
}

const std::string* ConfigFile::TextValue(uint32_t valueKey) const {
    const auto found = textValues_.find(valueKey);
    return found == textValues_.end() ? nullptr : &found->second;
}

ConfigLookup<int32_t> ConfigFile::GetInt(uint32_t valueKey, int32_t defaultValue) const {
    ConfigLookup<int32_t> result{defaultValue, false};
    if (!hasText_) {
        if (hasCompiled_) result.found = compiled_.FindInt32(valueKey, result.value);
        if (!result.found) result.value = defaultValue;
        return result;
    }
    if (compiledFromDefaults_) result.found = compiled_.FindInt32(valueKey, result.value);
    const std::string* stored = TextValue(valueKey);
    const std::string text = stored != nullptr ? *stored : IntText(result.value);
    result.found = result.found || stored != nullptr;
    result.value = LeadingInt32(text);
    if (result.value == 0 && text != "0" && EqualsIgnoringCase(text, "true")) result.value = 1;
    return result;
}

ConfigLookup<int64_t> ConfigFile::GetInt64(uint32_t valueKey, int64_t defaultValue) const {
    ConfigLookup<int64_t> result{defaultValue, false};
    if (!hasText_) {
        if (hasCompiled_) result.found = compiled_.FindInt64(valueKey, result.value);
        if (!result.found) result.value = defaultValue;
        return result;
    }
    if (compiledFromDefaults_) result.found = compiled_.FindInt64(valueKey, result.value);
    const std::string* stored = TextValue(valueKey);
    const std::string text = stored != nullptr ? *stored : IntText(result.value);
    result.found = result.found || stored != nullptr;
    if (!ParseLeadingInt64(text, result.value)) result.value = EqualsIgnoringCase(text, "true") ? 1 : 0;
    return result;
}

ConfigLookup<bool> ConfigFile::GetBool(uint32_t valueKey, bool defaultValue) const {
    ConfigLookup<bool> result{defaultValue, false};
    if (!hasText_) {
        if (hasCompiled_) result.found = compiled_.FindBool(valueKey, result.value);
        if (!result.found) result.value = defaultValue;
        return result;
    }
    if (compiledFromDefaults_) result.found = compiled_.FindBool(valueKey, result.value);
    const std::string* stored = TextValue(valueKey);
    const std::string text = stored != nullptr ? *stored : std::string(result.value ? "1" : "0");
    result.found = result.found || stored != nullptr;
    result.value = TextAsBool(text);
    return result;
}

ConfigLookup<float> ConfigFile::GetFloat(uint32_t valueKey, float defaultValue) const {
    ConfigLookup<float> result{defaultValue, false};
    if (!hasText_) {
        if (hasCompiled_) result.found = compiled_.FindFloat(valueKey, result.value);
        if (!result.found) result.value = defaultValue;
        return result;
    }
    if (compiledFromDefaults_) result.found = compiled_.FindFloat(valueKey, result.value);
    const std::string* stored = TextValue(valueKey);
    const std::string_view text = stored != nullptr ? std::string_view(*stored) : kAbsentMarker;
    result.found = result.found || stored != nullptr;
    if (text != kAbsentMarker) result.value = NarrowToFloat(LeadingDouble(text));
    return result;
}

ConfigLookup<std::string> ConfigFile::GetString(uint32_t valueKey, const char* defaultValue) const {
    ConfigLookup<std::string> result{defaultValue != nullptr ? defaultValue : "", false};
    if (!hasText_) {
        if (hasCompiled_) result.found = compiled_.FindText(valueKey, result.value);
        if (!result.found) result.value = defaultValue != nullptr ? defaultValue : "";
        return result;
    }
    if (compiledFromDefaults_) result.found = compiled_.FindText(valueKey, result.value);
    if (const std::string* stored = TextValue(valueKey)) {
        result.value = *stored;
        result.found = true;
    }
    return result;
}

}  // namespace kor
