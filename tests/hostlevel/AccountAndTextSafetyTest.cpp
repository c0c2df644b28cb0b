// Players' data the built library must not lose or hand to another account:
// the first section of an INI file saved with a byte-order mark, a change
// made while nobody is logged in, and non-ASCII text in the persisted
// settings. Driven through the test host, as the host core drives it.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "support/InstalledLibraryTest.h"

namespace kor {
namespace {

using hostkit::HostValue;
using namespace kor::testing;

constexpr const char* kPersistList = R"({"files": [
    {"name": "Game.cfg", "sections": [{"name": "General", "settings": [{"name": "GameMouseSpeed", "persisted": true}]}]},
    {"name": "Input.ini", "sections": [{"name": "GameEvents", "settings": [{"name": "evtCastSpell2", "persisted": true}]}]}
]})";
constexpr const char* kReloadPostGame = "/kor-game-settings/v1/reload-post-game";
constexpr const char* kSave = "/kor-game-settings/v1/save";

class AccountAndTextSafetyTest : public InstalledLibraryTest {
protected:
    AccountAndTextSafetyTest() : InstalledLibraryTest(KOR_GAME_SETTINGS_LIBRARY, "kor-safety-") {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(InstalledLibraryTest::SetUp());
        std::filesystem::create_directories("Config");
        std::filesystem::create_directories("DATA/CFG/defaults");
        table().AnswerStream(kAssetPath, hostkit::StreamScript{{kPersistList}, {}, {}, {}});
        table().AnswerValue(kHashPath, HostValue::String("hash-of-local"));
        table().OnRequest(kUploadPath, [this](PluginResponse* response, const PluginRequest* request) {
            lastUpload_ = *hostkit::ReadPlainValue(request->args[0].value).value().Find("data")->AsString();
            hostkit::AnswerValue(response, HostValue::Structure({{"modified", HostValue::Unsigned(50)}}));
        });
        ScriptDataStore();
    }

    // Logs `accountId` in against a server that holds no copy for it, which
    // loads the settings after the reset check.
    void LogInAndLoad(uint64_t accountId) {
        table().AnswerError(kServerCopyPath, "no copy", 404);
        LogIn(accountId);
    }

    std::string lastUpload_ = "<none>";
};

TEST_F(AccountAndTextSafetyTest, AByteOrderMarkStartsTheFirstLineForTheReaderAndTheEditor) {
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

TEST_F(AccountAndTextSafetyTest, AChangeWhileNobodyIsLoggedInStaysWithTheOwnersAccount) {
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

TEST_F(AccountAndTextSafetyTest, OnlyBytesOutsideUtf8SequencesAreCleanedFromThePersistedFile) {
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
