// The game-settings service end to end through the test host, for what the
// session model leaves out: the events that must not start a
// synchronisation, key rebinding and the in-place edit of "Input.ini", and
// the faults and regressions found so far (among them the first section of
// an INI file saved with a byte-order mark, a change made while nobody is
// logged in, and non-ASCII text in the persisted settings). Every test runs a fresh copy of
// the library in its own installation directory.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/InstalledLibraryTest.h"
#include "abi/EventKey.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/JsonCodec.h"

namespace kor {
namespace {

using hostkit::HostValue;
using hostkit::ResourceEventType;
using namespace kor::testing;  // the scripted paths, values and file helpers

// Settings kept server-side in these tests: one game setting and one key binding.
constexpr const char* kPersistList = R"({"files": [
    {"name": "Game.cfg", "sections": [{"name": "General", "settings": [{"name": "GameMouseSpeed", "persisted": true}]}]},
    {"name": "Input.ini", "sections": [{"name": "GameEvents", "settings": [{"name": "evtCastSpell2", "persisted": true}]}]}
]})";

constexpr const char* kReloadPostGame = "/kor-game-settings/v1/reload-post-game";
constexpr const char* kSave = "/kor-game-settings/v1/save";

class GameSettingsServiceTest : public InstalledLibraryTest {
protected:
    GameSettingsServiceTest() : InstalledLibraryTest(KOR_GAME_SETTINGS_LIBRARY, "kor-service-") {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(InstalledLibraryTest::SetUp());
        std::filesystem::create_directories("Config");
        std::filesystem::create_directories("DATA/CFG/defaults");
        ScriptDataStore();
        table().AnswerStream(kAssetPath, hostkit::StreamScript{{kPersistList}, {}, {}, {}});
        table().AnswerValue(kHashPath, HostValue::String("hash-of-local"));
        table().AnswerError(kServerCopyPath, "not modified", 304);
        table().OnRequest(kUploadPath, [this](PluginResponse* response, const PluginRequest* request) {
            lastUpload_ = *hostkit::ReadPlainValue(request->args[0].value).value().Find("data")->AsString();
            hostkit::AnswerValue(response, HostValue::Structure({{"modified", HostValue::Unsigned(50)}}));
        });
    }

    // The resource events fired under "OnJsonApiEvent", by uri, in order.
    std::vector<std::string> AnnouncedUris() const {
        std::vector<std::string> uris;
        for (const auto& event : host_->table().firedEvents()) {
            if (event.name == "OnJsonApiEvent") uris.push_back(*event.payload.Find("uri")->AsString());
        }
        return uris;
    }

    // Logs `accountId` in against a server that holds no copy for it, which
    // loads the settings after the reset check.
    void LogInAndLoad(uint64_t accountId) {
        table().AnswerError(kServerCopyPath, "no copy", 404);
        LogIn(accountId);
    }

    void StartLoaded() {
        Start();
        LogIn(2002);
        ASSERT_EQ(Answer("GET", kReady), HostValue::Bool(true));
        table().ClearRecords();
    }

    std::string lastUpload_ = "<none>";
};

TEST_F(GameSettingsServiceTest, OnlyAReadinessUpdateForALoggedInUserSynchronises) {
    Start();
    const struct {
        uint64_t summoner;  // 0: no session at all
        const char* state;
        ResourceEventType readiness;
        bool synchronises;
    } steps[] = {{0, "", ResourceEventType::Update, false},
                 {501, "IN_PROGRESS", ResourceEventType::Update, false},
                 {0, "SUCCEEDED", ResourceEventType::Update, false},  // no summoner
                 {501, "SUCCEEDED", ResourceEventType::Create, false},
                 {501, "SUCCEEDED", ResourceEventType::Update, true}};
    for (const auto& step : steps) {
        if (*step.state != '\0') {
            Deliver(kSessionPath, ResourceEventType::Update,
                    HostValue::Structure({{"state", HostValue::String(step.state)},
                                          {"summonerId", HostValue::Unsigned(step.summoner)},
                                          {"accountId", HostValue::Unsigned(2002)}}));
        }
        table().ClearRecords();
        Deliver(kReadyEventPath, step.readiness, HostValue::Bool(true));
        EXPECT_EQ(RequestsTo(kHashPath, kPost).size(), step.synchronises ? 1u : 0u) << step.state;
        EXPECT_EQ(Answer("GET", kReady), HostValue::Bool(step.synchronises)) << step.state;
    }
    // A logout forgets the ids: the next update does nothing more.
    Deliver(kSessionPath, ResourceEventType::Delete, HostValue());
    table().ClearRecords();
    Deliver(kReadyEventPath, ResourceEventType::Update, HostValue::Bool(true));
    EXPECT_TRUE(RequestsTo(kHashPath, kPost).empty());
    EXPECT_TRUE(AnnouncedUris().empty());
}

TEST_F(GameSettingsServiceTest, RebindingAKeyUnbindsItElsewhereAndEditsInputIniInPlace) {
    WriteFile(kInputConfig, "; the player's bindings\r\n[GameEvents]\r\nevtCastSpell1=[q]\r\nevtCastSpell2=[w]\r\n");
    storedOwner_ = OwnerValue(2002, 40, false);
    StartLoaded();
    std::filesystem::remove(kPersisted);

    const HostValue answer = Answer("PATCH", kInputSettings, R"({"GameEvents": {"evtCastSpell2": "[q]"}})");
    EXPECT_EQ(Setting(answer, "GameEvents", "evtCastSpell1"), "[<Unbound>]");
    EXPECT_EQ(Setting(answer, "GameEvents", "evtCastSpell2"), "[q]");
    EXPECT_EQ(answer, Answer("GET", kInputSettings));
    // The comment stays first, the two lines keep their order with their new
    // values, and what the file lacked is added.
    const std::string input = ReadFile(kInputConfig);
    EXPECT_EQ(input.rfind("; the player's bindings\r\n[GameEvents]\r\n", 0), 0u) << input;
    EXPECT_NE(input.find("\r\nevtCastSpell1=[<Unbound>]\r\nevtCastSpell2=[q]\r\n"), std::string::npos) << input;
    EXPECT_NE(input.find("evtSmartCastSpell1=[Shift][q]\r\n"), std::string::npos);
    EXPECT_NE(input.find("[Quickbinds]\r\n"), std::string::npos);
    EXPECT_NE(ReadFile(kPersisted).find("\"value\": \"[q]\""), std::string::npos);  // a persisted binding changed
    EXPECT_EQ(storedOwner_, OwnerValue(2002, 40, true));
    EXPECT_EQ(AnnouncedUris(), std::vector<std::string>{kInputSettings});
    const auto events = table().firedEvents();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].name, kor::EventKeyOf(kInputSettings));
    EXPECT_EQ(*events[1].payload.Find("data"), answer);

    // The index follows the change: [Q] for a third event now takes it from evtCastSpell2.
    const HostValue again = Answer("PATCH", kInputSettings, R"({"HUDEvents": {"evtTogglePlayerStats": "[Q]"}})");
    EXPECT_EQ(Setting(again, "GameEvents", "evtCastSpell2"), "[<Unbound>]");
    EXPECT_EQ(Setting(again, "HUDEvents", "evtTogglePlayerStats"), "[Q]");
}

TEST_F(GameSettingsServiceTest, StartUpSucceedsWithEveryHostRequestFailing) {
    table().AnswerError(kAssetPath, "asset service down", 503);
    table().AnswerError(kOwnerPath, "data store down", 503);
    WriteFile(kDefaultsList, "earlier list");
    Start();
    EXPECT_TRUE(Logged("Error requesting default SettingsToPersist data: ", 2));
    EXPECT_TRUE(Logged("asset service down", 2));
    EXPECT_EQ(ReadFile(kDefaultsList), "earlier list");
    EXPECT_TRUE(table().IsSubscribed(kor::EventKeyOf(kSessionPath)));
    EXPECT_TRUE(table().IsSubscribed(kor::EventKeyOf(kReadyEventPath)));
    // With the data store unreadable the owner is {0, 0, false}: another
    // account's login resets nothing.
    WriteFile(kPersisted, PersistedText(33));
    LogIn(2002, false);
    EXPECT_EQ(ReadFile(kPersisted), PersistedText(33));
    EXPECT_EQ(Answer("GET", kDidReset), HostValue::Bool(false));
    EXPECT_EQ(Answer("GET", kReady), HostValue::Bool(true));
}

// A file the service must write is a directory: the fault is told and the
// owner record stays. (A PATCH that cannot be written: PatchSafetyTest.)
TEST_F(GameSettingsServiceTest, FilesThatCannotBeWrittenAreToldAndChangeNoOwner) {
    storedOwner_ = OwnerValue(1001, 40, false);
    std::filesystem::create_directories(kPersisted);
    Start();
    LogIn(2002, false);  // another account's files: a reset that cannot be done
    EXPECT_TRUE(Logged("unable to reset ", 1));
    EXPECT_EQ(Answer("GET", kDidReset), HostValue::Bool(false));
    EXPECT_EQ(AnnouncedUris(), (std::vector<std::string>{kGameSettings, kInputSettings, kReady}));

    table().AnswerValue(kServerCopyPath, HostValue::Structure({{"data", HostValue::String(PersistedText(44))},
                                                               {"modified", HostValue::Unsigned(41)}}));
    LogIn(1001);  // a newer server copy that cannot be stored
    EXPECT_TRUE(Logged("Unable to store the player-preference server copy in ", 2));
    EXPECT_EQ(Setting(Answer("GET", kGameSettings), "General", "GameMouseSpeed"), "10");  // the load goes on
    EXPECT_EQ(ownerPosts_, 0u);
    EXPECT_EQ(storedOwner_, OwnerValue(1001, 40, false));
}

TEST_F(GameSettingsServiceTest, AnUnwritableDataStoreIsLoggedAndTheSameOwnerIsNotSentAgain) {
    StartLoaded();
    table().AnswerError(kOwnerPath, "store is read-only", 403);
    Answer("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 110}})");
    EXPECT_TRUE(Logged("Failed to set game-settings-owner: ", 2));
    EXPECT_TRUE(Logged("store is read-only", 2));
    Answer("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 111}})");
    EXPECT_EQ(ownerPosts_, 1u);
    EXPECT_EQ(AnnouncedUris(), (std::vector<std::string>{kGameSettings, kGameSettings}));
}

TEST_F(GameSettingsServiceTest, ValuesOutOfRangeAreReportedAndNeverReachTheResourcesOrFiles) {
    WriteFile("DATA/CFG/defaults/Game.cfg", "[HUD]\r\nChatScale=3000000000\r\n");  // no 32-bit setting holds it
    StartLoaded();
    Answer("POST", kReloadPostGame);  // a load with the records kept
    EXPECT_TRUE(Logged("ALE-9ACB0442", 2));
    EXPECT_EQ(Setting(Answer("GET", kGameSettings), "HUD", "ChatScale"), "<none>");
    EXPECT_EQ(Setting(Answer("GET", kGameSettingsSchema), "HUD", "ChatScale"), "<none>");
}

TEST_F(GameSettingsServiceTest, AByteOrderMarkStartsTheFirstLineForTheReaderAndTheEditor) {
    const std::string bom = "\xEF\xBB\xBF";
    for (const char* head : {"[General]", " \t[General]", "; written by an editor=yes\r\n[General]"}) {
        SCOPED_TRACE(head);
        TearDown();
        SetUp();
        WriteFile(kGameConfig, bom + head + "\r\nEnableAudio=1\r\n");
        Start();
        LogInAndLoad(1001);
        Answer("PATCH", kGameSettings, R"({"General": {"EnableAudio": false}})");
        const std::string written = ReadFile(kGameConfig);
        EXPECT_EQ(written.rfind(bom + head + "\r\n", 0), 0u) << written;
        EXPECT_EQ(written.find("[General]"), written.rfind("[General]")) << written;
        Answer("POST", kReloadPostGame);
        EXPECT_EQ(Setting(Answer("GET", kGameSettings), "General", "EnableAudio"), "false");
        EXPECT_FALSE(Logged("Duplicate key/value pair", 1));
        EXPECT_FALSE(Logged("found outside section", 2));
    }
}

TEST_F(GameSettingsServiceTest, AChangeWhileNobodyIsLoggedInStaysWithTheOwnersAccount) {
    const struct {
        bool savedBy1001;
        bool patch;  // else the game changed the files and the client reloads
        bool resetFor1002;
        int64_t speedFor1002;
    } cases[] = {{true, true, true, 10}, {true, false, true, 10}, {false, true, false, 35}};
    for (const auto& row : cases) {
        SCOPED_TRACE(::testing::Message() << row.savedBy1001 << row.patch);
        TearDown();
        SetUp();
        Start();
        LogInAndLoad(1001);
        if (row.savedBy1001) {
            Answer("PATCH", kGameSettings, R"({"General": {"GameMouseSpeed": 34}})");
            ASSERT_EQ(Answer("POST", kSave), HostValue::Bool(true));
        }
        Deliver(kSessionPath, hostkit::ResourceEventType::Delete, HostValue());
        if (row.patch) {
            Answer("PATCH", kGameSettings, R"({"General": {"GameMouseSpeed": 35}})");
        } else {
            WriteFile(kPersisted, PersistedText(35));
            EXPECT_EQ(Answer("POST", kReloadPostGame), HostValue::Bool(false));  // no account to upload for
        }
        const auto owner = row.savedBy1001 ? std::optional(OwnerValue(1001, 50, true)) : std::nullopt;
        EXPECT_EQ(storedOwner_, owner);

        LogInAndLoad(1002);
        EXPECT_EQ(Answer("GET", kDidReset), HostValue::Bool(row.resetFor1002));
        EXPECT_EQ(Setting(Answer("GET", kGameSettings), "General", "GameMouseSpeed"), std::to_string(row.speedFor1002));
        ASSERT_EQ(Answer("POST", kSave), HostValue::Bool(true));
        EXPECT_EQ(lastUpload_.find("\"35\"") != std::string::npos, !row.resetFor1002) << lastUpload_;
    }
}

TEST_F(GameSettingsServiceTest, OnlyBytesOutsideUtf8SequencesAreCleanedFromThePersistedFile) {
    const struct {
        const char* stored;
        const char* kept;
    } cases[] = {
        {"\xC3\xB6", "\xC3\xB6"},                  // two bytes
        {"\xE2\x82\xAC", "\xE2\x82\xAC"},          // three bytes
        {"\xF0\x9F\x8E\xAE", "\xF0\x9F\x8E\xAE"},  // four bytes
        {"\xC0\xAF", ""},                          // overlong, two bytes
        {"\xE0\x80\xAF", ""},                      // overlong, three bytes
        {"\xF0\x80\x80\xAF", ""},                  // overlong, four bytes
        {"\xC3", ""},                              // cut short by the "]"
        {"\xF0\x9F\x8E", ""},                      // cut short
        {"\xB6q\xBF", "q"},                        // stray continuation bytes
        {"\xED\xA0\x80", ""},                      // surrogate
        {"\xF4\x90\x80\x80", ""},                  // above U+10FFFF
        {"\xFFq\xC3\xB6\xF8", "q\xC3\xB6"},        // never a lead byte
        {"q", "q"},                                // ASCII: the file is left as it was
    };
    Start();
    LogInAndLoad(1001);
    for (const auto& row : cases) {
        const std::string kept = std::string("[") + row.kept + "]";
        SCOPED_TRACE(kept);
        const auto file = [](const std::string& binding) {
            return R"({"files": [{"name": "Input.ini", "sections": [{"name": "GameEvents", "settings": [)"
                   R"({"name": "evtCastSpell2", "value": ")" + binding + R"("}]}]}]})";
        };
        WriteFile(kPersisted, file(std::string("[") + row.stored + "]"));
        ASSERT_EQ(Answer("POST", kReloadPostGame), HostValue::Bool(true));  // loads, then uploads
        EXPECT_EQ(ReadFile(kPersisted), file(kept));  // the load cleans the file itself
        EXPECT_EQ(Setting(Answer("GET", kInputSettings), "GameEvents", "evtCastSpell2"), kept);
        EXPECT_NE(lastUpload_.find("\"" + kept + "\""), std::string::npos) << lastUpload_;
        Answer("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 120}})");  // saves the persisted settings
        EXPECT_NE(ReadFile(kPersisted).find("\"value\": \"" + kept + "\""), std::string::npos) << ReadFile(kPersisted);
    }
}

}  // namespace
}  // namespace kor
