#include "config/ConfigPersistence.h"

#include "config/AtomicFileWrite.h"
#include "config/ConfigFileCache.h"
#include "config/ConfigLocations.h"
#include "config/ConfigNameHash.h"
#include "config/FileAccess.h"
#include "log/Log.h"

#include <rapidjson/error/en.h>
#include <rapidjson/prettywriter.h>
#include <rapidjson/stringbuffer.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace kor {
namespace {

constexpr const char* kDescription =
    "The settings in this file are persisted server-side. This file is generated automatically. Editing it is "
    "not recommended. Modify SettingsToPersist.json to specify which settings are persisted.";

std::string_view Text(const rapidjson::Value& value) {
    return {value.GetString(), value.GetStringLength()};
}

// The member `name` when it exists and passes `test`, else nullptr.
template <class Test>
const rapidjson::Value* Member(const rapidjson::Value& object, const char* name, Test test) {
    const auto member = object.FindMember(name);
    if (member == object.MemberEnd() || !(member->value.*test)()) return nullptr;
    return &member->value;
}

const rapidjson::Value* StringMember(const rapidjson::Value& object, const char* name) {
    return Member(object, name, &rapidjson::Value::IsString);
}

const rapidjson::Value* ArrayMember(const rapidjson::Value& object, const char* name) {
    return Member(object, name, &rapidjson::Value::IsArray);
}

const rapidjson::Value* BoolMember(const rapidjson::Value& object, const char* name) {
    return Member(object, name, &rapidjson::Value::IsBool);
}

rapidjson::Value JsonText(std::string_view text, rapidjson::Document::AllocatorType& allocator) {
    return rapidjson::Value(text.data(), static_cast<rapidjson::SizeType>(text.size()), allocator);
}

// A file path as written in the persisted-settings file: relative to the
// configuration directory when it lies inside it, otherwise unchanged.
std::string_view ListedFileName(std::string_view path) {
    const std::string& directory = GetCachedConfigDirectory();
    if (path.substr(0, directory.size()) == directory) path.remove_prefix(directory.size());
    return path;
}

}  // namespace

ConfigPersistence::ConfigPersistence() {
    MergeList(LoadJsonFile(GetDefaultPersistedSettingsListPath()));
    MergeList(LoadJsonFile(GetPersistedSettingsListPath()));
    LoadPersistedValues();
}

ConfigPersistence::~ConfigPersistence() = default;

rapidjson::Document ConfigPersistence::LoadJsonFile(std::string_view path) {
    rapidjson::Document document;
    std::unique_ptr<FileStream> stream = OpenFileForRead(path, "r");
    if (!stream) return document;
    const char* bytes = stream->Contents();
    if (bytes == nullptr) return document;
    // The file is read in text mode, which on Windows turns each CR LF into
    // LF: fewer bytes arrive than the file's size, and the rest of the
    // zero-filled buffer would read as trailing garbage. The text ends at
    // its terminating zero.
    document.Parse(bytes, std::strlen(bytes));
    if (document.HasParseError()) {
        const std::string pathText(path);
        LogWrite(kLogAlways, kLogGroupDbg, "%s parse error: %s (%u)", pathText.c_str(),
                 rapidjson::GetParseError_En(document.GetParseError()),
                 static_cast<unsigned>(document.GetErrorOffset()));
    }
    return document;
}

void ConfigPersistence::MergeList(const rapidjson::Document& list) {
    if (!list.IsObject()) return;
    const rapidjson::Value* files = ArrayMember(list, "files");
    if (files == nullptr) return;
    for (const rapidjson::Value& element : files->GetArray()) {
        if (!element.IsObject()) continue;
        const rapidjson::Value* name = StringMember(element, "name");
        if (name == nullptr) continue;
        FileEntry& file = files_[ConfigNameHash(GetConfigFilePath(Text(*name)))];
        if (const rapidjson::Value* persisted = BoolMember(element, "persisted")) {
            file.persisted = persisted->GetBool();
            file.sections.clear();
        }
        if (const rapidjson::Value* sections = ArrayMember(element, "sections")) MergeSections(file, *sections);
    }
}

void ConfigPersistence::MergeSections(FileEntry& file, const rapidjson::Value& sections) {
    for (const rapidjson::Value& element : sections.GetArray()) {
        if (!element.IsObject()) continue;
        const rapidjson::Value* name = StringMember(element, "name");
        if (name == nullptr) continue;
        SectionEntry& section = file.sections[ConfigNameHash(Text(*name))];
        if (const rapidjson::Value* persisted = BoolMember(element, "persisted")) {
            section.persisted = persisted->GetBool();
            section.settings.clear();
        }
        const rapidjson::Value* settings = ArrayMember(element, "settings");
        if (settings == nullptr) continue;
        for (const rapidjson::Value& setting : settings->GetArray()) {
            if (!setting.IsObject()) continue;
            const rapidjson::Value* settingName = StringMember(setting, "name");
            const rapidjson::Value* persisted = BoolMember(setting, "persisted");
            if (settingName == nullptr || persisted == nullptr) continue;
            section.settings[ConfigNameHash(Text(*settingName))] = persisted->GetBool();
        }
    }
}

uint32_t ConfigPersistence::FileHash(std::string_view file) const {
    if (lastFileKnown_ && lastFile_ == file) return lastFileHash_;
    const uint32_t hash = ConfigNameHash(file);
    lastFileKnown_ = false;
    try {
        lastFile_.assign(file);
    } catch (const std::bad_alloc&) {
        return hash;  // a question answered without keeping the path
    }
    lastFileHash_ = hash;
    lastFileKnown_ = true;
    return hash;
}

bool ConfigPersistence::IsPersisted(std::string_view file, std::string_view section, std::string_view key) const {
    const auto fileEntry = files_.find(FileHash(file));
    if (fileEntry == files_.end()) return false;
    const auto sectionEntry = fileEntry->second.sections.find(ConfigNameHash(section));
    if (sectionEntry == fileEntry->second.sections.end()) return fileEntry->second.persisted;
    const auto setting = sectionEntry->second.settings.find(ConfigNameHash(key));
    if (setting == sectionEntry->second.settings.end()) return sectionEntry->second.persisted;
    return setting->second;
}

void ConfigPersistence::CaptureValue(std::string_view file, std::string_view section, std::string_view key,
                                     std::string_view value) {
    if (!IsPersisted(file, section, key)) return;
    const auto [record, added] = values_.try_emplace(
        ConfigStoreKey(file, section, key),
        ValueRecord{std::string(file), std::string(section), std::string(key), std::string(value)});
    if (added) {
        dirty_ = true;
    } else if (record->second.value != value) {
        record->second.value = std::string(value);
        dirty_ = true;
    }
}

const std::string* ConfigPersistence::FindPersistedValue(std::string_view file, std::string_view section,
                                                         std::string_view key) const {
    const auto record = values_.find(ConfigStoreKey(FileHash(file), section, key));
    return record == values_.end() ? nullptr : &record->second.value;
}

void ConfigPersistence::LoadPersistedValues() {
    values_.clear();
    dirty_ = false;
    const rapidjson::Document document = LoadJsonFile(GetPersistedSettingsPath());
    if (document.IsObject()) {
        CaptureFromDocument(document);
    } else {
        CaptureFromIniFiles();
    }
}

void ConfigPersistence::CaptureFromDocument(const rapidjson::Document& document) {
    const rapidjson::Value* files = ArrayMember(document, "files");
    if (files == nullptr) return;
    for (const rapidjson::Value& file : files->GetArray()) {
        if (!file.IsObject()) continue;
        const rapidjson::Value* fileName = StringMember(file, "name");
        const rapidjson::Value* sections = ArrayMember(file, "sections");
        if (fileName == nullptr || sections == nullptr) continue;
        const std::string path = GetConfigFilePath(Text(*fileName));
        for (const rapidjson::Value& section : sections->GetArray()) {
            if (!section.IsObject()) continue;
            const rapidjson::Value* sectionName = StringMember(section, "name");
            const rapidjson::Value* settings = ArrayMember(section, "settings");
            if (sectionName == nullptr || settings == nullptr) continue;
            for (const rapidjson::Value& setting : settings->GetArray()) {
                if (!setting.IsObject()) continue;
                const rapidjson::Value* name = StringMember(setting, "name");
                const rapidjson::Value* value = StringMember(setting, "value");
                if (name == nullptr || value == nullptr) continue;
                CaptureValue(path, Text(*sectionName), Text(*name), Text(*value));
            }
        }
    }
}

void ConfigPersistence::CaptureFromIniFiles() {
    // A private cache: the process-wide one keeps serving its own entries.
    ConfigFileCache cache;
    cache.Reload(GetGameConfigPath(), this);
    cache.Reload(GetInputConfigPath(), this);
}

std::string ConfigPersistence::PersistedSettingsText() const {
    std::vector<const ValueRecord*> records;
    records.reserve(values_.size());
    for (const auto& entry : values_) records.push_back(&entry.second);
    std::sort(records.begin(), records.end(), [](const ValueRecord* a, const ValueRecord* b) {
        if (a->file != b->file) return a->file < b->file;
        if (a->section != b->section) return a->section < b->section;
        return a->key < b->key;
    });

    rapidjson::Document document(rapidjson::kObjectType);
    auto& allocator = document.GetAllocator();
    rapidjson::Value files(rapidjson::kArrayType);
    const ValueRecord* previous = nullptr;
    for (const ValueRecord* record : records) {
        const bool newFile = previous == nullptr || record->file != previous->file;
        if (newFile) {
            rapidjson::Value file(rapidjson::kObjectType);
            file.AddMember("name", JsonText(ListedFileName(record->file), allocator), allocator);
            file.AddMember("sections", rapidjson::Value(rapidjson::kArrayType), allocator);
            files.PushBack(file, allocator);
        }
        rapidjson::Value& sections = files[files.Size() - 1]["sections"];
        if (newFile || record->section != previous->section) {
            rapidjson::Value section(rapidjson::kObjectType);
            section.AddMember("name", JsonText(record->section, allocator), allocator);
            section.AddMember("settings", rapidjson::Value(rapidjson::kArrayType), allocator);
            sections.PushBack(section, allocator);
        }
        rapidjson::Value setting(rapidjson::kObjectType);
        setting.AddMember("name", JsonText(record->key, allocator), allocator);
        setting.AddMember("value", JsonText(record->value, allocator), allocator);
        sections[sections.Size() - 1]["settings"].PushBack(setting, allocator);
        previous = record;
    }
    document.AddMember("description", rapidjson::StringRef(kDescription), allocator);
    document.AddMember("files", files, allocator);

    rapidjson::StringBuffer buffer;
    rapidjson::PrettyWriter<rapidjson::StringBuffer> writer(buffer);
    document.Accept(writer);
    return std::string(buffer.GetString(), buffer.GetSize());
}

bool ConfigPersistence::SavePersistedSettings() {
    if (!dirty_) return true;
    const std::string& path = GetPersistedSettingsPath();
    if (!WriteFileAtomically(path, PersistedSettingsText(), "w")) {
        LogWrite(kLogError, kLogGroupsConfig, "Failed to save persisted settings to %s.\n", path.c_str());
        return false;
    }
    dirty_ = false;
    return true;
}

}  // namespace kor
