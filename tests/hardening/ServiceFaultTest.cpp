// The game-settings library under injected faults, driven through the test
// host as a real host drives it: each outbound host request failing in turn,
// a streamed answer breaking off part-way, and a configuration directory or
// file that cannot be used. In every case the plug-in keeps answering, no
// failure crosses the boundary, the fault is told (an error answer or a log
// line), and each file on disk holds either its old bytes or a complete new
// version.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/InstalledLibraryTest.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/JsonCodec.h"
#include "tools/hostkit/ResourceEvent.h"
#include "tools/hostkit/ScriptedStream.h"

namespace kor {
namespace {

using hostkit::HostValue;
using namespace kor::testing;  // the scripted paths, values and file helpers

constexpr int32_t kWarn = 1, kError = 2;

constexpr const char* kPersistList = R"({"files": [
    {"name": "Game.cfg", "sections": [{"name": "General", "settings": [{"name": "GameMouseSpeed", "persisted": true}]}]}
]})";
constexpr const char* kOldGameConfig = "[General]\r\nGameMouseSpeed=33\r\n[HUD]\r\nChatScale=100\r\n";
constexpr const char* kOldInputConfig = "[GameEvents]\r\nevtCastSpell1=[q]\r\nevtCastSpell2=[w]\r\n";

class ServiceFaultTest : public InstalledLibraryTest {
protected:
    ServiceFaultTest() : InstalledLibraryTest(KOR_GAME_SETTINGS_LIBRARY, "kor-faults-") {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(InstalledLibraryTest::SetUp());
        std::filesystem::create_directories("DATA/CFG/defaults");
        ScriptHealthyServices();
    }

    // Every host service answers: the owner record says this account has
    // local changes on the server's version, so a readiness update loads and
    // uploads, and every outbound request of the service is made.
    void ScriptHealthyServices() {
        storedOwner_ = OwnerValue(2002, 40, true);
        ScriptDataStore();
        table().AnswerStream(kAssetPath, hostkit::StreamScript{{kPersistList}, {}, {}, {}});
        table().AnswerValue(kHashPath, HostValue::String("hash-of-local"));
        table().AnswerValue(kServerCopyPath, HostValue::Structure({{"data", HostValue::String(PersistedText(44))},
                                                                   {"modified", HostValue::Unsigned(40)}}));
        table().AnswerValue(kUploadPath, HostValue::Structure({{"modified", HostValue::Unsigned(52)}}));
    }

    void WriteInstallation() {
        std::filesystem::create_directories("Config");
        WriteFile(kGameConfig, kOldGameConfig);
        WriteFile(kInputConfig, kOldInputConfig);
        WriteFile(kPersisted, PersistedText(33));
    }

    struct FilesOnDisk {
        std::string game, input, persisted;
    };

    // The scenario every fault runs through: start-up, login, readiness
    // (load, synchronisation, upload), a change of each settings resource,
    // save, the post-game reload and shut-down.
    FilesOnDisk RunScenario() {
        Start();
        LogIn(2002);
        Call("PATCH", kGameSettings, R"({"General": {"GameMouseSpeed": 61}, "HUD": {"ChatScale": 120}})");
        Call("PATCH", kInputSettings, R"({"GameEvents": {"evtCastSpell2": "[e]"}})");
        Call("POST", "/kor-game-settings/v1/save");
        Call("POST", "/kor-game-settings/v1/reload-post-game");
        Call("GET", kGameSettings);
        Call("GET", kReady);
        host_->Shutdown();
        return {ReadFile(kGameConfig), ReadFile(kInputConfig), ReadFile(kPersisted)};
    }

};

// ---- Each outbound request failing in turn ---------------------------------------

// Without a load (when the synchronisation is dropped) a change writes only
// its own settings: the new version is the old text with them changed.
constexpr const char* kChangedGameConfig = "[General]\r\nGameMouseSpeed=61\r\n[HUD]\r\nChatScale=120\r\n";
constexpr const char* kChangedInputConfig = "[GameEvents]\r\nevtCastSpell1=[q]\r\nevtCastSpell2=[e]\r\n";

TEST_F(ServiceFaultTest, EachHostRequestFailingInTurnLeavesTheServiceWholeAndTheFilesOldOrNew) {
    WriteInstallation();
    const FilesOnDisk healthy = RunScenario();
    ASSERT_NE(healthy.game, kOldGameConfig);
    ASSERT_NE(healthy.input, kOldInputConfig);

    const struct {
        const char* path;
        uint32_t method;
    } failures[] = {
        {kAssetPath, kGet},
        {kOwnerPath, kGet},
        {kHashPath, kPost},
        {kServerCopyPath, kGet},
        {kUploadPath, kPut},
        {kOwnerPath, kPost},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(std::string(failure.path) + " method " + std::to_string(failure.method));
        TearDown();
        SetUp();
        WriteInstallation();
        const uint32_t failingMethod = failure.method;
        const bool ownerPath = std::string_view(failure.path) == kOwnerPath;
        table().OnRequest(failure.path, [=](PluginResponse* response, const PluginRequest* request) {
            if (request->method == failingMethod) {
                hostkit::AnswerError(response, "injected failure", 503);
            } else if (ownerPath) {
                hostkit::AnswerValue(response, request->method == kGet ? OwnerValue(2002, 40, true) : HostValue());
            }
        });
        const FilesOnDisk after = RunScenario();

        // The failing request was made, and nothing escaped the plug-in.
        EXPECT_GE(RequestsTo(failure.path, failure.method).size(), 1u);
        // Every file holds its old text or a complete new version.
        EXPECT_TRUE(after.game == kOldGameConfig || after.game == healthy.game || after.game == kChangedGameConfig) << after.game;
        EXPECT_TRUE(after.input == kOldInputConfig || after.input == healthy.input || after.input == kChangedInputConfig)
            << after.input;
        EXPECT_TRUE(hostkit::DecodeJson(after.persisted).ok()) << after.persisted;
    }
}

TEST_F(ServiceFaultTest, AFailedUploadKeepsTheOwnerModifiedAndSaveAnswersFalse) {
    WriteInstallation();
    table().AnswerError(kUploadPath, "preferences service down", 503);
    Start();
    LogIn(2002);
    EXPECT_EQ(RequestsTo(kUploadPath, kPut).size(), 1u);
    table().ClearRecords();

    EXPECT_EQ(Answer("POST", "/kor-game-settings/v1/save"), HostValue::Bool(false));
    EXPECT_EQ(RequestsTo(kUploadPath, kPut).size(), 1u);
    // The local changes are still unsent: no owner record says otherwise.
    EXPECT_EQ(ownerPosts_, 0);
    EXPECT_EQ(ReadFile(kPersisted), PersistedText(33));
}

// ---- A stream failing part-way ------------------------------------------------------

TEST_F(ServiceFaultTest, AServerCopyStreamBreakingOffKeepsTheLocalFile) {
    WriteInstallation();
    const std::string copy = R"({"data": ")" + std::string(64, 'x') + R"(", "modified": 41})";
    table().AnswerStream(kServerCopyPath,
                         hostkit::StreamScript{{copy.substr(0, 20), copy.substr(20)}, 1, {}, {}});
    Start();
    LogIn(2002);
    EXPECT_TRUE(Logged("player-preference server returned ", kWarn));
    EXPECT_EQ(ReadFile(kPersisted), PersistedText(33));
    // The load went on with the local file.
    EXPECT_EQ(Answer("GET", kReady), HostValue::Bool(true));
}

// ---- Unusable configuration places -------------------------------------------------

TEST_F(ServiceFaultTest, AConfigurationDirectoryThatIsAFileGivesWayToTheDataDirectory) {
    WriteFile("Config", "not a directory");
    Start();
    LogIn(2002);
    Answer("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 120}})");
    EXPECT_NE(ReadFile("DATA/CFG/Game.cfg").find("ChatScale=120"), std::string::npos);
    EXPECT_EQ(ReadFile("Config"), "not a directory");
}

TEST_F(ServiceFaultTest, NoUsableConfigurationDirectoryFailsWritesWithAnErrorAndKeepsTheFiles) {
    WriteFile("Config", "not a directory");
    std::filesystem::remove_all("DATA");
    WriteFile("DATA", "not a directory either");
    Start();
    LogIn(2002);
    EXPECT_FALSE(Answer("GET", kGameSettings).IsEmpty());

    EXPECT_EQ(Call("PATCH", kGameSettings, R"({"HUD": {"ChatScale": 120}})")->status(), 500u);
    EXPECT_TRUE(Logged("Failed to write settings to ", kError));
    EXPECT_EQ(ReadFile("Config"), "not a directory");
    EXPECT_EQ(ReadFile("DATA"), "not a directory either");
}

TEST_F(ServiceFaultTest, AGameConfigThatIsADirectoryStillLoadsTheOtherSettings) {
    WriteInstallation();
    std::filesystem::remove(kGameConfig);
    std::filesystem::create_directories(kGameConfig);
    Start();
    LogIn(2002);
    EXPECT_EQ(Answer("GET", kReady), HostValue::Bool(true));
    const HostValue input = Answer("GET", kInputSettings);
    ASSERT_NE(input.Find("GameEvents"), nullptr);
    EXPECT_EQ(hostkit::EncodeJson(*input.Find("GameEvents")->Find("evtCastSpell1")), R"("[q]")");
    EXPECT_TRUE(std::filesystem::is_directory(kGameConfig));
}

}  // namespace
}  // namespace kor
