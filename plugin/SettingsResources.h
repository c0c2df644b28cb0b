#pragma once

#include <memory>
#include <string_view>

#include "binding/BindingProperty.h"
#include "host/router/HandlerOutcome.h"
#include "plugin/SettingsResourceTable.h"

namespace kor {

class ConfigPersistence;
class EventTable;
class SettingsOwnership;

// The four settings resources of kSettingsResources, the binding index over
// the input settings, and the persisted-settings store that both the load
// and a change read and write through. The store is this object's alone:
// absent until the first load makes it, handed explicitly to every INI read
// and write that must see it, saved and dropped by CloseStore. A change
// marks the settings modified with `ownership`; load and change announce
// themselves through `events`.
class SettingsResources {
public:
    SettingsResources(EventTable& events, SettingsOwnership& ownership);
    ~SettingsResources();
    SettingsResources(const SettingsResources&) = delete;
    SettingsResources& operator=(const SettingsResources&) = delete;

    // The resource at `path`, one of the paths of kSettingsResources; empty
    // until the first load. Its address stays the same for the object's
    // life, so a handler may hold it.
    BindingProperty& Resource(std::string_view path);

    // Fills the four settings resources from the default document and the
    // INI files, rebuilds the binding index and announces the load. Does
    // nothing beyond cleaning "PersistedSettings.json" and creating the
    // store while the default document is absent.
    void LoadSettings();
    // Merges `change` into the value document of `resource`, writes both INI
    // files and the persisted settings as one change, marks the owner
    // modified and announces the change. A change whose values the files
    // could not hold as they are answers 400; one that cannot be written (or
    // comes before the first load) answers the 500 error "Unable to save
    // settings to file" with nothing changed, in memory or on disk.
    HandlerOutcome PatchSettingsResource(const SettingsResourcePair& resource, const BindingProperty& change);

    // True from the first load that found the default document on.
    bool ready() const { return ready_; }

    // Saves the store when a load made one (writing "PersistedSettings.json"
    // when a persisted value changed), then drops it.
    void CloseStore();

private:
    EventTable& events_;
    SettingsOwnership& ownership_;
    BindingProperty settings_;
    BindingProperty bindingIndex_;
    bool ready_ = false;
    std::unique_ptr<ConfigPersistence> store_;
};

}  // namespace kor
