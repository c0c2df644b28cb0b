#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tools/hostkit/Outcome.h"

struct sqlite3;

namespace kor::korhost {

// The SQLite file behind the simulated host services, so that what they
// hold survives a restart of kor-host: the host's own state (login session,
// player-preferences readiness), the data store, the player-preferences
// copies per account and the telemetry received.
//
// Every operation is one statement (or one transaction) under the object's
// lock, so services and control endpoints may call from any thread. Values
// are stored as JSON texts; the callers own their meaning. Failures come back
// as values carrying SQLite's message.
class StateDatabase {
public:
    // Opens or creates the file and its tables. Another process may use the
    // same file at the same time (a kor-host call next to a running server):
    // a locked database is waited for, briefly.
    static hostkit::Outcome<std::unique_ptr<StateDatabase>> Open(const std::string& path);
    ~StateDatabase();
    StateDatabase(const StateDatabase&) = delete;
    StateDatabase& operator=(const StateDatabase&) = delete;

    // ---- named JSON texts: host state and data-store entries ----
    hostkit::Outcome<std::optional<std::string>> GetText(std::string_view name);
    hostkit::Outcome<void> PutText(std::string_view name, std::string_view json);
    hostkit::Outcome<void> DeleteText(std::string_view name);
    // Every (name, JSON) pair whose name starts with `prefix`, by name.
    hostkit::Outcome<std::vector<std::pair<std::string, std::string>>> ListTexts(std::string_view prefix);

    // ---- player preferences, one copy per (account, type) ----
    struct Preference {
        std::string data;
        std::string type;
        std::string version;
        uint64_t modified = 0;
    };
    hostkit::Outcome<std::optional<Preference>> GetPreference(uint64_t accountId, std::string_view type);
    // Stores `preference` with a "modified" stamp later than any this account
    // got before (the clock in milliseconds, or one more than the last stamp
    // when the clock has not moved on); the stored copy is returned.
    hostkit::Outcome<Preference> PutPreference(uint64_t accountId, Preference preference);
    struct AccountPreference {
        uint64_t accountId = 0;
        Preference preference;
    };
    // Every stored copy, by account and type.
    hostkit::Outcome<std::vector<AccountPreference>> ListPreferences();

    // ---- telemetry ----
    struct TelemetryEvent {
        std::string name;
        std::string payloadJson;
        uint64_t receivedAt = 0;  // milliseconds since 1970
    };
    hostkit::Outcome<void> AddTelemetry(std::string_view name, std::string_view payloadJson);
    hostkit::Outcome<std::vector<TelemetryEvent>> Telemetry();

private:
    explicit StateDatabase(sqlite3* handle) : db_(handle) {}
    hostkit::Outcome<void> Execute(const char* sql);

    std::mutex mutex_;
    sqlite3* db_;
};

}  // namespace kor::korhost
