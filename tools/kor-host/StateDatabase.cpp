#include "tools/kor-host/StateDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <utility>

namespace kor::korhost {
namespace {

using hostkit::Failure;
using hostkit::Outcome;

constexpr int kBusyTimeoutMs = 5000;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS host_texts("
    "  name TEXT PRIMARY KEY, json TEXT NOT NULL);"
    "CREATE TABLE IF NOT EXISTS player_preferences("
    "  account_id TEXT NOT NULL, type TEXT NOT NULL, data TEXT NOT NULL, version TEXT NOT NULL,"
    "  modified INTEGER NOT NULL, PRIMARY KEY(account_id, type));"
    "CREATE TABLE IF NOT EXISTS telemetry_events("
    "  id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL, payload TEXT NOT NULL,"
    "  received_at INTEGER NOT NULL);";

uint64_t NowMilliseconds() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

// Account ids are unsigned 64-bit; SQLite integers are signed, so they are
// kept as decimal text.
std::string AccountKey(uint64_t accountId) { return std::to_string(accountId); }

std::string ColumnText(sqlite3_stmt* statement, int column) {
    const unsigned char* text = sqlite3_column_text(statement, column);
    const int size = sqlite3_column_bytes(statement, column);
    return text != nullptr ? std::string(reinterpret_cast<const char*>(text), static_cast<std::size_t>(size))
                           : std::string();
}

// One prepared statement, finalised when it goes out of scope.
class Statement {
public:
    Statement(sqlite3* db, const char* sql) : db_(db) {
        if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) statement_ = nullptr;
    }
    ~Statement() { sqlite3_finalize(statement_); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    bool ok() const { return statement_ != nullptr; }
    sqlite3_stmt* get() const { return statement_; }

    Statement& Bind(int index, std::string_view text) {
        sqlite3_bind_text(statement_, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        return *this;
    }
    Statement& Bind(int index, int64_t number) {
        sqlite3_bind_int64(statement_, index, number);
        return *this;
    }

    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step() { return sqlite3_step(statement_); }

    Failure Error(std::string_view what) const {
        return Failure{std::string(what) + ": " + sqlite3_errmsg(db_)};
    }

private:
    sqlite3* db_;
    sqlite3_stmt* statement_ = nullptr;
};

Outcome<void> RunToCompletion(Statement& statement, std::string_view what) {
    if (!statement.ok()) return statement.Error(what);
    if (statement.Step() != SQLITE_DONE) return statement.Error(what);
    return {};
}

}  // namespace

Outcome<std::unique_ptr<StateDatabase>> StateDatabase::Open(const std::string& path) {
    sqlite3* handle = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_FULLMUTEX;
    if (sqlite3_open_v2(path.c_str(), &handle, flags, nullptr) != SQLITE_OK) {
        std::string message = "cannot open the state database " + path + ": " +
                              (handle != nullptr ? sqlite3_errmsg(handle) : "out of memory");
        sqlite3_close(handle);
        return Failure{std::move(message)};
    }
    sqlite3_busy_timeout(handle, kBusyTimeoutMs);
    std::unique_ptr<StateDatabase> database(new StateDatabase(handle));
    if (Outcome<void> created = database->Execute(kSchema); !created) {
        return Failure{"cannot prepare the state database " + path + ": " + created.error()};
    }
    return database;
}

StateDatabase::~StateDatabase() { sqlite3_close(db_); }

Outcome<void> StateDatabase::Execute(const char* sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql, nullptr, nullptr, &message) != SQLITE_OK) {
        std::string text = message != nullptr ? message : sqlite3_errmsg(db_);
        sqlite3_free(message);
        return Failure{std::move(text)};
    }
    return {};
}

Outcome<std::optional<std::string>> StateDatabase::GetText(std::string_view name) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement statement(db_, "SELECT json FROM host_texts WHERE name = ?1");
    if (!statement.ok()) return statement.Error("reading host state");
    statement.Bind(1, name);
    const int step = statement.Step();
    if (step == SQLITE_DONE) return std::optional<std::string>();
    if (step != SQLITE_ROW) return statement.Error("reading host state");
    return std::optional<std::string>(ColumnText(statement.get(), 0));
}

Outcome<void> StateDatabase::PutText(std::string_view name, std::string_view json) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement statement(db_, "INSERT INTO host_texts(name, json) VALUES(?1, ?2) "
                             "ON CONFLICT(name) DO UPDATE SET json = excluded.json");
    if (statement.ok()) statement.Bind(1, name).Bind(2, json);
    return RunToCompletion(statement, "writing host state");
}

Outcome<void> StateDatabase::DeleteText(std::string_view name) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement statement(db_, "DELETE FROM host_texts WHERE name = ?1");
    if (statement.ok()) statement.Bind(1, name);
    return RunToCompletion(statement, "removing host state");
}

Outcome<std::vector<std::pair<std::string, std::string>>> StateDatabase::ListTexts(std::string_view prefix) {
    std::lock_guard<std::mutex> lock(mutex_);
    // substr instead of LIKE: names may hold "%" and "_".
    Statement statement(db_, "SELECT name, json FROM host_texts WHERE substr(name, 1, length(?1)) = ?1 "
                             "ORDER BY name");
    if (!statement.ok()) return statement.Error("listing host state");
    statement.Bind(1, prefix);
    std::vector<std::pair<std::string, std::string>> texts;
    int step;
    while ((step = statement.Step()) == SQLITE_ROW) {
        texts.emplace_back(ColumnText(statement.get(), 0), ColumnText(statement.get(), 1));
    }
    if (step != SQLITE_DONE) return statement.Error("listing host state");
    return texts;
}

Outcome<std::optional<StateDatabase::Preference>> StateDatabase::GetPreference(uint64_t accountId,
                                                                              std::string_view type) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement statement(db_, "SELECT data, version, modified FROM player_preferences "
                             "WHERE account_id = ?1 AND type = ?2");
    if (!statement.ok()) return statement.Error("reading player preferences");
    statement.Bind(1, AccountKey(accountId)).Bind(2, type);
    const int step = statement.Step();
    if (step == SQLITE_DONE) return std::optional<Preference>();
    if (step != SQLITE_ROW) return statement.Error("reading player preferences");
    Preference preference;
    preference.data = ColumnText(statement.get(), 0);
    preference.type = std::string(type);
    preference.version = ColumnText(statement.get(), 1);
    preference.modified = static_cast<uint64_t>(sqlite3_column_int64(statement.get(), 2));
    return std::optional<Preference>(std::move(preference));
}

Outcome<StateDatabase::Preference> StateDatabase::PutPreference(uint64_t accountId, Preference preference) {
    std::lock_guard<std::mutex> lock(mutex_);
    // Read the last stamp and write the new copy in one transaction, so that
    // two processes sharing the file never hand out the same stamp.
    if (Outcome<void> begun = Execute("BEGIN IMMEDIATE"); !begun) {
        return Failure{"writing player preferences: " + begun.error()};
    }
    uint64_t last = 0;
    {
        Statement previous(db_, "SELECT MAX(modified) FROM player_preferences WHERE account_id = ?1");
        if (previous.ok()) {
            previous.Bind(1, AccountKey(accountId));
            if (previous.Step() == SQLITE_ROW) last = static_cast<uint64_t>(sqlite3_column_int64(previous.get(), 0));
        }
    }
    preference.modified = std::max(NowMilliseconds(), last + 1);
    Statement statement(db_, "INSERT INTO player_preferences(account_id, type, data, version, modified) "
                             "VALUES(?1, ?2, ?3, ?4, ?5) ON CONFLICT(account_id, type) DO UPDATE SET "
                             "data = excluded.data, version = excluded.version, modified = excluded.modified");
    if (statement.ok()) {
        statement.Bind(1, AccountKey(accountId))
            .Bind(2, preference.type)
            .Bind(3, preference.data)
            .Bind(4, preference.version)
            .Bind(5, static_cast<int64_t>(preference.modified));
    }
    Outcome<void> written = RunToCompletion(statement, "writing player preferences");
    if (!written) {
        (void)Execute("ROLLBACK");
        return Failure{written.error()};
    }
    if (Outcome<void> committed = Execute("COMMIT"); !committed) {
        (void)Execute("ROLLBACK");
        return Failure{"writing player preferences: " + committed.error()};
    }
    return preference;
}

Outcome<std::vector<StateDatabase::AccountPreference>> StateDatabase::ListPreferences() {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement statement(db_, "SELECT account_id, type, data, version, modified FROM player_preferences "
                             "ORDER BY CAST(account_id AS INTEGER), type");
    if (!statement.ok()) return statement.Error("listing player preferences");
    std::vector<AccountPreference> list;
    int step;
    while ((step = statement.Step()) == SQLITE_ROW) {
        AccountPreference entry;
        entry.accountId = std::strtoull(ColumnText(statement.get(), 0).c_str(), nullptr, 10);
        entry.preference.type = ColumnText(statement.get(), 1);
        entry.preference.data = ColumnText(statement.get(), 2);
        entry.preference.version = ColumnText(statement.get(), 3);
        entry.preference.modified = static_cast<uint64_t>(sqlite3_column_int64(statement.get(), 4));
        list.push_back(std::move(entry));
    }
    if (step != SQLITE_DONE) return statement.Error("listing player preferences");
    return list;
}

Outcome<void> StateDatabase::AddTelemetry(std::string_view name, std::string_view payloadJson) {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement statement(db_, "INSERT INTO telemetry_events(name, payload, received_at) VALUES(?1, ?2, ?3)");
    if (statement.ok()) statement.Bind(1, name).Bind(2, payloadJson).Bind(3, static_cast<int64_t>(NowMilliseconds()));
    return RunToCompletion(statement, "storing a telemetry event");
}

Outcome<std::vector<StateDatabase::TelemetryEvent>> StateDatabase::Telemetry() {
    std::lock_guard<std::mutex> lock(mutex_);
    Statement statement(db_, "SELECT name, payload, received_at FROM telemetry_events ORDER BY id");
    if (!statement.ok()) return statement.Error("reading telemetry");
    std::vector<TelemetryEvent> events;
    int step;
    while ((step = statement.Step()) == SQLITE_ROW) {
        events.push_back(TelemetryEvent{ColumnText(statement.get(), 0), ColumnText(statement.get(), 1),
                                        static_cast<uint64_t>(sqlite3_column_int64(statement.get(), 2))});
    }
    if (step != SQLITE_DONE) return statement.Error("reading telemetry");
    return events;
}

}  // namespace kor::korhost
