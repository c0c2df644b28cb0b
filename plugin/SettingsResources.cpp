// The settings resources the client reads and changes: the load that fills
// them from the INI files and the change that writes them back.
#include "plugin/SettingsResources.h"

#include <optional>
#include <string>
#include <utility>

#include "abi/HttpStatus.h"
#include "config/ConfigFileCache.h"
#include "config/ConfigLocations.h"
#include "config/ConfigPersistence.h"
#include "config/ConfigValueWriter.h"
#include "host/client/EventTable.h"
#include "log/Log.h"
#include "plugin/DefaultSettingsDocument.h"
#include "plugin/KeyBindings.h"
#include "plugin/PersistedSettingsFile.h"
#include "plugin/SettingsChangeCheck.h"
#include "plugin/SettingsGroups.h"
#include "plugin/SettingsOwnership.h"

namespace kor {
namespace {

constexpr const char* kNoPersistenceStore =
    "Error attempting to save game configs locally, ConfigPersistence is invalid.";
constexpr std::string_view kUnableToSave = "Unable to save settings to file";

bool HasKeyBindingGroup(const BindingProperty& change) {
    if (!change.IsStructure()) return false;
    for (std::string_view group : KeyBindingGroups) {
        if (change.HasMember(group)) return true;
    }
    return false;
}

// A load reads the files as they are now: the game may have changed them
// since the cache last read them (a game that just ended, for one), and the
// cache only notices its own writes.
void ForgetCachedFiles() {
    for (const SettingsResourcePair& resource : kSettingsResources) {
        ConfigFileCache::Instance().MarkStale(resource.defaultsFile());
        ConfigFileCache::Instance().MarkStale(resource.file());
    }
}

// One group of the default document through the three passes of a load:
// its defaults replaced by the defaults file's, the values read from the
// main file (the store answering for the persisted ones), and the schema of
// defaults.
void LoadSettingsGroup(const BindingProperty& defaults, const std::string& defaultsFile, const std::string& file,
                       const ConfigPersistence& store, BindingProperty& values, BindingProperty& schema) {
    BindingProperty group = defaults;
    ReadSettingsGroup(group, group, defaultsFile, std::nullopt, &store);
    ReadSettingsGroup(values, group, file, std::nullopt, &store);
    ReadSettingsGroup(schema, group, std::nullopt, kSchemaDefaultMember, &store);
}

// Puts a resource and the persisted-settings store back as they were when
// it was made, unless released first; also when the change throws.
class PatchUndo {
public:
    PatchUndo(BindingProperty& resource, ConfigPersistence& store)
        : resource_(resource), before_(resource), store_(store), checkpoint_(store.MakeCheckpoint()) {}
    ~PatchUndo() {
        if (released_) return;
        try {
            resource_ = std::move(before_);
            store_.RestoreCheckpoint(std::move(checkpoint_));
        } catch (...) {
            // Out of memory while restoring: the next load reads the files,
            // which still hold the state before the change.
        }
    }
    PatchUndo(const PatchUndo&) = delete;
    PatchUndo& operator=(const PatchUndo&) = delete;

    void Release() { released_ = true; }

private:
    BindingProperty& resource_;
    BindingProperty before_;
    ConfigPersistence& store_;
    ConfigPersistence::Checkpoint checkpoint_;
    bool released_ = false;
};

}  // namespace

SettingsResources::SettingsResources(EventTable& events, SettingsOwnership& ownership)
    : events_(events), ownership_(ownership) {}

SettingsResources::~SettingsResources() = default;

BindingProperty& SettingsResources::Resource(std::string_view path) {
    // Structure members keep their address, and no member is ever removed
    // from `settings_`.
    return settings_.MemberForWrite(ResourceMember(path));
}

void SettingsResources::LoadSettings() {
    CleanPersistedSettingsFile();
    if (!store_) store_ = std::make_unique<ConfigPersistence>();
    const BindingProperty* defaults = DefaultSettingsDocument();
    if (defaults == nullptr) return;

    // The store is refilled from the file as it is now, so values of an
    // earlier file (another account's, say) are never read back.
    store_->LoadPersistedValues();
    ForgetCachedFiles();
    for (const SettingsResourcePair& resource : kSettingsResources) {
        LoadSettingsGroup(defaults->Member(resource.documentGroup), resource.defaultsFile(), resource.file(), *store_,
                          Resource(resource.values), Resource(resource.schema));
    }
    RebuildBindingIndex(bindingIndex_, Resource(kInputSettingsResources.values));

    for (const SettingsResourcePair& resource : kSettingsResources) {
        events_.FireResourceEvent(PluginResourceEventType::Update, resource.values, Resource(resource.values));
    }
    ready_ = true;
    events_.FireResourceEvent(PluginResourceEventType::Update, kReadyPath, true);
}

HandlerOutcome SettingsResources::PatchSettingsResource(const SettingsResourcePair& resource,
                                                        const BindingProperty& change) {
    BindingProperty& target = Resource(resource.values);
    if (std::optional<std::string> refusal = FindUnfitChange(change, Resource(resource.schema))) {
        return ErrorResponse(http::kBadRequest, *refusal);
    }
    if (!store_) {
        LogError("%s", kNoPersistenceStore);
        return InternalServerErrorResponse(kUnableToSave);
    }

    // Until every file holds the change, it can be taken back whole: the
    // resource as it was (the conflicts below change it too) and the values
    // the store had recorded.
    PatchUndo undo(target, *store_);
    // Before the merge, so that the conflicts are found among the bindings
    // as they were.
    const bool bindingsChanged = &resource == &kInputSettingsResources && HasKeyBindingGroup(change);
    if (bindingsChanged) UnbindConflicts(bindingIndex_, target, CollectCombos(change));
    MergeSettings(target, change);

    // Every INI file, whichever resource changed, and the persisted
    // settings, as one change; the store records the persisted values the
    // INI files are given.
    ConfigWriteBatch batch(store_.get());
    for (const SettingsResourcePair& written : kSettingsResources) {
        WriteSettingsGroup(Resource(written.values), written.file(), batch);
    }
    const bool persistedChanged = store_->IsDirty();
    if (persistedChanged) batch.AddFile(GetPersistedSettingsPath(), store_->PersistedSettingsText(), "w");
    const ReplaceResult result = batch.Commit();
    if (result == ReplaceResult::kUntouched) return InternalServerErrorResponse(kUnableToSave);

    // From the first rename on the change is on disk: it stays in memory too
    // (the next write brings any file that missed it up to date).
    undo.Release();
    if (persistedChanged && result == ReplaceResult::kReplaced) store_->MarkSaved();
    if (bindingsChanged) IndexBindings(bindingIndex_, change);
    BindingProperty answer = target;
    ownership_.MarkSettingsModified();
    events_.FireResourceEvent(PluginResourceEventType::Update, resource.values, answer);
    if (result != ReplaceResult::kReplaced) return InternalServerErrorResponse(kUnableToSave);
    return answer;
}

void SettingsResources::CloseStore() {
    if (!store_) return;
    // Dropped even when the save throws, so that nothing after shut-down
    // reads or writes through a store that was closed.
    std::unique_ptr<ConfigPersistence> closing = std::move(store_);
    closing->SavePersistedSettings();
}

}  // namespace kor
