// The settings resources the client reads and changes, the four small
// endpoints beside them, the settings load and the change operation.
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "binding/BindingProperty.h"
#include "config/ConfigFileCache.h"
#include "config/ConfigLocations.h"
#include "config/ConfigPersistence.h"
#include "config/ConfigValueWriter.h"
#include "host/client/ResourceEvents.h"
#include "host/router/RouteRegistration.h"
#include "host/router/TypedRouteInvoker.h"
#include "log/Log.h"
#include "log/MessageFormat.h"
#include "plugin/DefaultSettingsDocument.h"
#include "plugin/GameSettingsPlugin.h"
#include "plugin/KeyBindings.h"
#include "plugin/PersistedSettingsFile.h"
#include "plugin/PersistenceStore.h"
#include "plugin/SettingsChangeCheck.h"
#include "plugin/SettingsGroups.h"

namespace kor {
namespace {

constexpr std::string_view kResourcePath = "/kor-game-settings/v1%1";
constexpr std::string_view kGameSettingsPath = "/kor-game-settings/v1/game-settings";
constexpr std::string_view kInputSettingsPath = "/kor-game-settings/v1/input-settings";
constexpr std::string_view kReadyPath = "/kor-game-settings/v1/ready";
constexpr std::string_view kInputSettingsSubPath = "/input-settings";

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
void ForgetCachedFiles(std::initializer_list<std::string> files) {
    for (const std::string& file : files) ConfigFileCache::Instance().MarkStale(file);
}

// One group of the default document through the three passes of a load:
// its defaults replaced by the defaults file's, the values read from the
// main file, and the schema of defaults.
void LoadSettingsGroup(const BindingProperty& defaults, const std::string& defaultsFile, const std::string& file,
                       BindingProperty& values, BindingProperty& schema) {
    BindingProperty group = defaults;
    ReadSettingsGroup(group, group, defaultsFile, std::nullopt);
    ReadSettingsGroup(values, group, file, std::nullopt);
    ReadSettingsGroup(schema, group, std::nullopt, "default");
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

void GameSettingsPlugin::RegisterSettingsResource(std::string_view member, std::string_view subPath,
                                                  bool readOnly) {
    if (subPath.empty()) return;
    const std::string fullPath = FormatMessage(kResourcePath, subPath);
    // Structure members keep their address, and no member is ever removed
    // from `settings_`: the handlers may hold the resource itself.
    BindingProperty* resource = &Resource(member);
    RegisterRoute(registry(), tags(), PluginMethod::Get, fullPath, [resource]() { return *resource; });
    if (readOnly) return;
    RegisterRoute(registry(), tags(), PluginMethod::Patch, fullPath,
                  [this, fullPath, subPath = std::string(subPath)](const BindingProperty& change) {
                      return PatchSettingsResource(fullPath, subPath, change);
                  })
        .AddBodyParameter<BindingProperty>("settingsResource", "");
}

void GameSettingsPlugin::RegisterEndpoints() {
    RegisterRoute(registry(), tags(), PluginMethod::Post, "/kor-game-settings/v1/save",
                  [this]() { return UploadPlayerPreferences(); });
    RegisterRoute(registry(), tags(), PluginMethod::Post, "/kor-game-settings/v1/reload-post-game",
                  [this]() { return ReloadPostGame(); });
    RegisterRoute(registry(), tags(), PluginMethod::Get, "/kor-game-settings/v1/didreset",
                  [this]() { return didReset_; });
    RegisterRoute(registry(), tags(), PluginMethod::Get, "/kor-game-settings/v1/ready", [this]() { return ready_; });
}

void GameSettingsPlugin::LoadSettings() {
    CleanPersistedSettingsFile();
    ConfigPersistence& persistence = EnsurePersistenceStore();
    const BindingProperty* defaults = DefaultSettingsDocument();
    if (defaults == nullptr) return;

    // The store is refilled from the file as it is now, so values of an
    // earlier file (another account's, say) are never read back.
    persistence.LoadPersistedValues();
    ForgetCachedFiles({GetDefaultGameConfigPath(), GetGameConfigPath(), GetDefaultInputConfigPath(),
                       GetInputConfigPath()});
    LoadSettingsGroup(defaults->Member("GameSettings"), GetDefaultGameConfigPath(), GetGameConfigPath(),
                      Resource("game-settings"), Resource("game-settings-schema"));
    LoadSettingsGroup(defaults->Member("InputSettings"), GetDefaultInputConfigPath(), GetInputConfigPath(),
                      Resource("input-settings"), Resource("input-settings-schema"));
    RebuildBindingIndex(bindingIndex_, Resource("input-settings"));

    AnnounceUpdate(kGameSettingsPath, Resource("game-settings"));
    AnnounceUpdate(kInputSettingsPath, Resource("input-settings"));
    ready_ = true;
    AnnounceUpdate(kReadyPath, true);
}

HandlerOutcome GameSettingsPlugin::PatchSettingsResource(const std::string& fullPath, std::string_view subPath,
                                                         const BindingProperty& change) {
    std::string_view relative = subPath;
    if (relative.starts_with('/')) relative.remove_prefix(1);
    BindingProperty* target = ResolveSettingsPath(settings_, relative);
    if (target == nullptr) return BindingProperty();

    const std::string schemaName = std::string(relative) + "-schema";
    if (std::optional<std::string> refusal = FindUnfitChange(change, settings_.Member(schemaName))) {
        return ErrorResponse(400, *refusal);
    }
    ConfigPersistence* persistence = PersistenceStore();
    if (persistence == nullptr) {
        LogError("%s", kNoPersistenceStore);
        return InternalServerErrorResponse(kUnableToSave);
    }

    // Until every file holds the change, it can be taken back whole: the
    // resource as it was (the conflicts below change it too) and the values
    // the store had recorded.
    PatchUndo undo(*target, *persistence);
    // Before the merge, so that the conflicts are found among the bindings
    // as they were.
    const bool bindingsChanged = subPath == kInputSettingsSubPath && HasKeyBindingGroup(change);
    if (bindingsChanged) UnbindConflicts(bindingIndex_, Resource("input-settings"), CollectCombos(change));
    MergeSettings(*target, change);

    // Both files every time, whichever resource changed, and the persisted
    // settings, as one change.
    ConfigWriteBatch batch;
    WriteSettingsGroup(Resource("game-settings"), GetGameConfigPath(), batch);
    WriteSettingsGroup(Resource("input-settings"), GetInputConfigPath(), batch);
    const bool persistedChanged = persistence->IsDirty();
    if (persistedChanged) batch.AddFile(GetPersistedSettingsPath(), persistence->PersistedSettingsText(), "w");
    const ReplaceResult result = batch.Commit();
    if (result == ReplaceResult::kUntouched) return InternalServerErrorResponse(kUnableToSave);

    // From the first rename on the change is on disk: it stays in memory too
    // (the next write brings any file that missed it up to date).
    undo.Release();
    if (persistedChanged && result == ReplaceResult::kReplaced) persistence->MarkSaved();
    if (bindingsChanged) IndexBindings(bindingIndex_, change);
    BindingProperty answer = *target;
    MarkSettingsModified();
    AnnounceUpdate(fullPath, answer);
    if (result != ReplaceResult::kReplaced) return InternalServerErrorResponse(kUnableToSave);
    return answer;
}

void GameSettingsPlugin::AnnounceUpdate(std::string_view uri, const BindingProperty& value) {
    FireResourceEvent(PluginResourceEventType::Update, uri, value);
}

void GameSettingsPlugin::AnnounceUpdate(std::string_view uri, bool value) {
    FireResourceEvent(PluginResourceEventType::Update, uri, value);
}

}  // namespace kor
