// The simulated services as the plug-in reaches them: requests built and
// sent through the host table's SendRequest entry, answers read back from
// the response record and released through its release function.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "KorHostProcess.h"
#include "tools/hostkit/JsonCodec.h"
#include "tools/hostkit/RequestBuilder.h"
#include "tools/hostkit/ResponseHolder.h"
#include "tools/kor-host/EventHub.h"
#include "tools/kor-host/GameDataAssets.h"
#include "tools/kor-host/HostServices.h"
#include "tools/kor-host/HostState.h"
#include "tools/kor-host/KorHostTable.h"
#include "tools/kor-host/PlayerPreferences.h"
#include "tools/kor-host/StateDatabase.h"

namespace kor::korhost::testing {
namespace {

using hostkit::HostValue;
using hostkit::RequestBuilder;
using hostkit::ResponseHolder;

constexpr const char* kSession = "/kor-login/v1/session";
constexpr const char* kReady = "/kor-player-preferences/v1/player-preferences-ready";
constexpr const char* kHash = "/kor-player-preferences/v1/hash";
constexpr const char* kGamePreferences = "/kor-player-preferences/v1/preference/GamePreferences";
constexpr const char* kPreference = "/kor-player-preferences/v1/preference";
constexpr const char* kOwner = "/data-store/v1/install-settings/game-settings";
constexpr const char* kAssets = "/kor-game-data/assets/v1/SettingsToPersist.json";

// The host side of one kor-host, over a database file that can be reopened
// to play a restart.
struct Host {
    explicit Host(const std::string& databasePath)
        : database(StateDatabase::Open(databasePath).value()),
          state(*database),
          services(*database, state),
          events(4),
          table(services, events, nullptr) {}

    // What the plug-in does for one request: a record with the method, the
    // URL and at most one unnamed parameter, answered in place.
    std::unique_ptr<ResponseHolder> Send(const char* method, const char* url,
                                         const std::optional<HostValue>& parameter = std::nullopt) {
        RequestBuilder request;
        request.Method(method).Url(url).CallWord(table.host()->handle);
        if (parameter) request.UnnamedArgument(*parameter);
        auto response = std::make_unique<ResponseHolder>();
        table.table()->sendRequest(table.table(), response->record(), request.record());
        return response;
    }

    void LogIn(uint64_t account) {
        LoginSession session;
        session.state = "SUCCEEDED";
        session.accountId = account;
        session.summonerId = account + 1;
        ASSERT_TRUE(state.SetSession(session).ok());
    }

    std::unique_ptr<StateDatabase> database;
    HostState state;
    HostServices services;
    EventHub events;
    KorHostTable table;
};

HostValue ValueOf(ResponseHolder& response) {
    EXPECT_FALSE(response.failed()) << response.error();
    auto value = response.value();
    EXPECT_TRUE(value.ok()) << value.error();
    return value.ok() ? value.value() : HostValue();
}

HostValue Preference(const std::string& data) {
    return HostValue::Structure({{"data", HostValue::String(data)},
                                 {"type", HostValue::String("GamePreferences")},
                                 {"version", HostValue::String("1.0")}});
}

class HostServicesTest : public ::testing::Test {
protected:
    void SetUp() override {
        directory_ = MakeTemporaryDirectory();
        ASSERT_FALSE(directory_.empty());
        host_ = std::make_unique<Host>(DatabasePath());
    }
    void TearDown() override {
        host_.reset();
        std::filesystem::remove_all(directory_);
    }
    std::string DatabasePath() const { return directory_ + "/state.sqlite"; }
    void Restart() {
        host_.reset();
        host_ = std::make_unique<Host>(DatabasePath());
    }

    std::string directory_;
    std::unique_ptr<Host> host_;
};

TEST_F(HostServicesTest, LoginSessionAndReadinessAsThePluginReadsThem) {
    auto none = host_->Send("GET", kSession);
    EXPECT_TRUE(none->failed());
    EXPECT_EQ(none->status(), 404u);

    host_->LogIn(1001);
    HostValue session = ValueOf(*host_->Send("GET", kSession));
    EXPECT_EQ(session.Find("state")->AsString() ? *session.Find("state")->AsString() : "", "SUCCEEDED");
    // Unsigned, as the plug-in's LoginSession record declares the ids.
    EXPECT_EQ(session.Find("accountId")->AsUnsigned(), 1001u);
    EXPECT_EQ(session.Find("summonerId")->AsUnsigned(), 1002u);
    EXPECT_NE(session.Find("gasToken"), nullptr);

    EXPECT_EQ(ValueOf(*host_->Send("GET", kReady)).AsBool(), false);
    ASSERT_TRUE(host_->state.SetPlayerPreferencesReady(true).ok());
    EXPECT_EQ(ValueOf(*host_->Send("GET", kReady)).AsBool(), true);

    auto wrongMethod = host_->Send("POST", kSession, HostValue::Bool(true));
    EXPECT_EQ(wrongMethod->status(), 405u);
}

TEST_F(HostServicesTest, HashIsStableAndDependsOnTheText) {
    HostValue first = ValueOf(*host_->Send("POST", kHash, HostValue::String("{\"files\": []}")));
    HostValue again = ValueOf(*host_->Send("POST", kHash, HostValue::String("{\"files\": []}")));
    HostValue other = ValueOf(*host_->Send("POST", kHash, HostValue::String("{\"files\": [1]}")));
    HostValue empty = ValueOf(*host_->Send("POST", kHash, HostValue::String("")));
    ASSERT_NE(first.AsString(), nullptr);
    EXPECT_EQ(*first.AsString(), *again.AsString());
    EXPECT_NE(*first.AsString(), *other.AsString());
    // The FNV-1a offset basis: the hash of nothing, the same on every machine.
    EXPECT_EQ(*empty.AsString(), "cbf29ce484222325");

    auto missing = host_->Send("POST", kHash);
    EXPECT_TRUE(missing->failed());
    EXPECT_EQ(missing->status(), 400u);
}

TEST_F(HostServicesTest, PreferencesFollowTheSynchronisationContract) {
    host_->LogIn(1001);
    const std::string local = "{\"local\": 1}";
    const std::string hash = PlayerPreferences::StableHash(local);

    // No copy yet: a failure with 404.
    auto none = host_->Send("GET", kGamePreferences, HostValue::String(hash));
    EXPECT_TRUE(none->failed());
    EXPECT_EQ(none->status(), 404u);

    // An upload answers the stored copy with its "modified" stamp.
    HostValue stored = ValueOf(*host_->Send("PUT", kPreference, Preference(local)));
    ASSERT_NE(stored.Find("modified"), nullptr);
    const uint64_t modified = stored.Find("modified")->AsUnsigned().value_or(0);
    EXPECT_GT(modified, 0u);
    EXPECT_EQ(*stored.Find("data")->AsString(), local);

    // The hash of the stored data: 304, not modified.
    auto same = host_->Send("GET", kGamePreferences, HostValue::String(hash));
    EXPECT_TRUE(same->failed());
    EXPECT_EQ(same->status(), 304u);

    // Another hash: the stored copy.
    HostValue copy = ValueOf(*host_->Send("GET", kGamePreferences, HostValue::String("0000000000000000")));
    EXPECT_EQ(*copy.Find("data")->AsString(), local);
    EXPECT_EQ(copy.Find("modified")->AsUnsigned(), modified);

    // Every upload gets a later stamp, even within the same millisecond.
    HostValue second = ValueOf(*host_->Send("PUT", kPreference, Preference("{}")));
    EXPECT_GT(second.Find("modified")->AsUnsigned().value_or(0), modified);

    // Copies belong to their account.
    host_->LogIn(2002);
    EXPECT_EQ(host_->Send("GET", kGamePreferences, HostValue::String(hash))->status(), 404u);
}

TEST_F(HostServicesTest, PreferencesNeedALoggedInUserAndAWellFormedUpload) {
    EXPECT_EQ(host_->Send("GET", kGamePreferences, HostValue::String("x"))->status(), 401u);
    EXPECT_EQ(host_->Send("PUT", kPreference, Preference("{}"))->status(), 401u);
    host_->LogIn(7);
    EXPECT_EQ(host_->Send("PUT", kPreference, HostValue::String("not a structure"))->status(), 400u);
    EXPECT_EQ(host_->Send("PUT", kPreference, HostValue::Structure({{"type", HostValue::String("GamePreferences")}}))
                  ->status(),
              400u);
    EXPECT_EQ(host_->Send("GET", kPreference)->status(), 405u);
}

TEST_F(HostServicesTest, DataStoreAnswersTheLastRecordPostedAcrossARestart) {
    auto empty = host_->Send("GET", kOwner);
    EXPECT_TRUE(empty->failed());
    EXPECT_EQ(empty->status(), 404u);

    const HostValue owner = HostValue::Structure({{"accountId", HostValue::Unsigned(1001)},
                                                  {"modified", HostValue::Bool(true)},
                                                  {"timestamp", HostValue::Unsigned(1733500000123)}});
    auto posted = host_->Send("POST", kOwner, owner);
    EXPECT_FALSE(posted->failed()) << posted->error();
    EXPECT_EQ(ValueOf(*host_->Send("GET", kOwner)), owner);

    host_->LogIn(1001);
    ASSERT_FALSE(host_->Send("PUT", kPreference, Preference("{\"server\": true}"))->failed());

    Restart();
    // Same kinds as posted: the plug-in reads "timestamp" only when unsigned
    // and "modified" only when bool.
    EXPECT_EQ(ValueOf(*host_->Send("GET", kOwner)), owner);
    HostValue copy = ValueOf(*host_->Send("GET", kGamePreferences, HostValue::String("")));
    EXPECT_EQ(*copy.Find("data")->AsString(), "{\"server\": true}");
    EXPECT_EQ(host_->Send("POST", kOwner)->status(), 400u);
}

TEST_F(HostServicesTest, SettingsToPersistArrivesInShortChunksThatMakeUpTheList) {
    auto response = host_->Send("GET", kAssets);
    ASSERT_FALSE(response->failed()) << response->error();
    std::optional<hostkit::ResponseStream> stream = response->TakeStream();
    ASSERT_TRUE(stream.has_value());
    EXPECT_EQ(stream->sizeHint(), GameDataAssets::DefaultSettingsToPersist().size());

    // Read as the plug-in reads: a 4096-byte buffer, short reads with more
    // data announced in between.
    std::string text;
    int shortReadsWithMore = 0;
    for (;;) {
        auto chunk = stream->ReadChunk(4096);
        ASSERT_TRUE(chunk.ok()) << chunk.error();
        EXPECT_LE(chunk.value().bytes.size(), GameDataAssets::kChunkSize);
        text += chunk.value().bytes;
        if (!chunk.value().more) break;
        ++shortReadsWithMore;
    }
    EXPECT_GE(shortReadsWithMore, 3);
    EXPECT_EQ(text, GameDataAssets::DefaultSettingsToPersist());

    // The list the plug-in stores: volume and HUD settings are persisted.
    auto list = hostkit::DecodeJson(text);
    ASSERT_TRUE(list.ok()) << list.error();
    const HostValue& gameCfg = list.value().Find("files")->AsItems()->at(0);
    EXPECT_EQ(*gameCfg.Find("name")->AsString(), "Game.cfg");
    std::vector<std::string> sections;
    for (const HostValue& section : *gameCfg.Find("sections")->AsItems()) {
        EXPECT_EQ(section.Find("persisted")->AsBool(), true);
        sections.push_back(*section.Find("name")->AsString());
    }
    EXPECT_EQ(sections, (std::vector<std::string>{"HUD", "Volume"}));

    EXPECT_EQ(host_->Send("GET", "/kor-game-data/assets/v1/Other.json")->status(), 404u);
}

TEST_F(HostServicesTest, TelemetryIsStoredAndUnknownResourcesAnswer404) {
    const HostValue payload = HostValue::Structure({{"reason", HostValue::String("test")}});
    auto sent = host_->Send("POST", "/telemetry/v1/events/app-start", payload);
    EXPECT_FALSE(sent->failed()) << sent->error();
    auto report = host_->services.Describe();
    ASSERT_TRUE(report.ok()) << report.error();
    const HostValue* telemetry = report.value().Find("telemetry");
    ASSERT_EQ(telemetry->size(), 1u);
    EXPECT_EQ(*telemetry->AsItems()->at(0).Find("name")->AsString(), "app-start");
    EXPECT_EQ(*telemetry->AsItems()->at(0).Find("payload"), payload);

    auto unknown = host_->Send("GET", "/kor-unknown/v1/thing");
    EXPECT_TRUE(unknown->failed());
    EXPECT_EQ(unknown->status(), 404u);
    EXPECT_EQ(unknown->error(), "no host resource serves GET /kor-unknown/v1/thing");
}

TEST_F(HostServicesTest, EventsAndLogLinesThroughTheTable) {
    auto subscription = host_->events.Subscribe();
    ASSERT_NE(subscription, nullptr);
    BindingPlainValue payload{};
    payload.kind = 1;
    payload.payload.boolValue = 1;
    PluginEvent event{};
    event.name = "OnJsonApiEvent_kor-game-settings_v1_ready";
    event.payload = payload;
    host_->table.table()->fireEvent(host_->table.table(), &event);
    auto events = subscription->Next(std::chrono::milliseconds(100));
    ASSERT_TRUE(events.has_value());
    ASSERT_EQ(events->size(), 1u);
    EXPECT_EQ(events->at(0).name, "OnJsonApiEvent_kor-game-settings_v1_ready");
    EXPECT_EQ(events->at(0).json, "true");

    std::FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    {
        EventHub hub(1);
        KorHostTable table(host_->services, hub, log);
        table.table()->log(table.table(), 1, "player-preference server returned 404\n");
        table.table()->log(table.table(), 3, "always");
    }
    std::rewind(log);
    char buffer[256] = {};
    const std::size_t size = std::fread(buffer, 1, sizeof buffer - 1, log);
    std::fclose(log);
    EXPECT_EQ(std::string(buffer, size), "plug-in   WARN| player-preference server returned 404\nplug-in ALWAYS| always\n");
}

}  // namespace
}  // namespace kor::korhost::testing
