#pragma once

#include <cstdint>

#include "plugin/GameSettingsOwner.h"

namespace kor {

class EventTable;
class RequestClient;
struct ObservedSession;

// Which account the local settings files belong to, mirrored in the host's
// data store, and the reset of "PersistedSettings.json" when they belong to
// another account than the one logged in. Reads the session its plug-in
// observes; sends its requests through `requests` and its one event through
// `events`.
class SettingsOwnership {
public:
    SettingsOwnership(RequestClient& requests, EventTable& events, const ObservedSession& session)
        : requests_(requests), events_(events), session_(session) {}
    SettingsOwnership(const SettingsOwnership&) = delete;
    SettingsOwnership& operator=(const SettingsOwnership&) = delete;

    // `owner` from the data store; {0, 0, false} when it cannot be read.
    void ReadSettingsOwner();
    // Records a new owner state, posting it to the data store when it
    // differs from the current one.
    void SetSettingsOwner(uint64_t accountId, uint64_t timestamp, bool modified);
    // Marks the local settings changed since their last synchronisation.
    // They stay with their owner while nobody is logged in, so that the next
    // login of another account still resets them; with no owner there is
    // nobody to mark.
    void MarkSettingsModified();
    // Empties "PersistedSettings.json" when it belongs to another account
    // than the logged-in one, and tells the client through "didreset".
    void ResetForOtherAccount();

    const GameSettingsOwner& owner() const { return owner_; }
    // True from the first reset on.
    bool didReset() const { return didReset_; }

private:
    RequestClient& requests_;
    EventTable& events_;
    const ObservedSession& session_;
    GameSettingsOwner owner_;
    bool didReset_ = false;
};

}  // namespace kor
