// A PATCH either happens whole or leaves everything as it was: bodies the
// files could not hold are refused before anything changes, a write that
// fails anywhere takes back the whole change, and a process killed in the
// middle leaves each file wholly old or wholly new. Driven through the test
// host against the built library, as a real host drives it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <thread>
#include <vector>

#if !defined(_WIN32)
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "support/InstalledLibraryTest.h"
#include "tools/hostkit/HostAnswer.h"

namespace kor {
namespace {

using hostkit::HostValue;
using namespace kor::testing;

constexpr const char* kPersistList = R"({"files": [{"name": "Input.ini", "sections": [{"name": "GameEvents",)"
                                     R"( "settings": [{"name": "evtCastSpell2", "persisted": true}]}]}]})";
constexpr const char* kGameText = "; mine\r\n[General]\r\nGameMouseSpeed=12\r\n";
constexpr const char* kInputText = "[GameEvents]\r\nevtCastSpell1=[q]\r\nevtCastSpell2=[w]\r\n";
// Several keys across both INI files: every PATCH writes every setting back.
constexpr const char* kBindings = R"({"GameEvents": {"evtCastSpell1": "[e]", "evtCastSpell2": "[q]",)"
                                  R"( "evtCastSpell3": "[w]"}})";

class PatchSafetyTest : public InstalledLibraryTest {
protected:
    PatchSafetyTest() : InstalledLibraryTest(KOR_GAME_SETTINGS_LIBRARY, "kor-patch-") {}

    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(InstalledLibraryTest::SetUp());
        std::filesystem::create_directories("Config");
        std::filesystem::create_directories("DATA/CFG/defaults");
        WriteFile(kGameConfig, kGameText);
        WriteFile(kInputConfig, kInputText);
        table().AnswerStream(kAssetPath, hostkit::StreamScript{{kPersistList}, {}, {}, {}});
        table().AnswerValue(kHashPath, HostValue::String("hash"));
        table().AnswerError(kServerCopyPath, "not modified", 304);
        table().AnswerError(kOwnerPath, "no record", 404);
        Start();
    }

    void Load() {
        LogIn(1001);
        table().ClearRecords();
    }

    // Everything a PATCH may change: the three files and both resources.
    std::vector<std::string> Files() const {
        return {ReadFile(kGameConfig), ReadFile(kInputConfig), ReadFile(kPersisted)};
    }
    std::vector<HostValue> State() { return {Answer("GET", kGameSettings), Answer("GET", kInputSettings)}; }

    // Checks that nothing of a refused or failed PATCH is left anywhere.
    void ExpectNothingChanged(const std::vector<std::string>& files, const std::vector<HostValue>& state) {
        EXPECT_EQ(Files(), files);
        EXPECT_EQ(State(), state);
        EXPECT_TRUE(table().firedEvents().empty());
        EXPECT_TRUE(RequestsTo(kOwnerPath, kPost).empty());
        for (const char* file : {kGameConfig, kInputConfig, kPersisted}) {
            EXPECT_FALSE(std::filesystem::is_regular_file(std::string(file) + ".tmp")) << file;
        }
    }
};

TEST_F(PatchSafetyTest, BodiesTheFilesCouldNotHoldAreRefusedBeforeAnythingChanges) {
    Load();
    struct Case {
        const char* path;
        std::string body;
        const char* named;  // the section and key the message names
    };
    const Case cases[] = {
        {kGameSettings, "[1, 2]", "not a structure"},
        {kGameSettings, R"({"HUD": 5})", "[HUD]"},
        {kInputSettings, R"({"GameEvents": {"evtCastSpell1": "[q]\r\n[INJECT]\r\nevilkey=1"}})",
         "[GameEvents] evtCastSpell1"},
        {kGameSettings, R"({"HUD": {"ChatScale=7\r\nINJECTkey": 1}})", "[HUD] ChatScale=7\\x0D\\x0AINJECTkey"},
        {kGameSettings, R"({"HUD": {"[x]": 1}})", "[HUD] [x]"},
        {kGameSettings, R"({"HUD": {"a;b": 1}})", "[HUD] a;b"},
        {kGameSettings, R"({"HUD": {"Tail ": 1}})", "[HUD] Tail "},
        {kGameSettings, R"({"H]UD": {"k": 1}})", "[H]UD]"},
        {kGameSettings, R"({"": {"k": 1}})", "[]"},
        {kGameSettings, "{\"New\": {\"k\": \"\xC3\x28\"}}", "[New] k"},
        {kGameSettings, R"({"HUD": {"ChatScale": {"a": 1}}})", "[HUD] ChatScale"},
        {kGameSettings, R"({"HUD": {"ChatScale": null}})", "[HUD] ChatScale"},
        {kGameSettings, R"({"HUD": {"ChatScale": [1]}})", "[HUD] ChatScale"},
        {kGameSettings, R"({"HUD": {"ChatScale": 1e20}})", "[HUD] ChatScale"},
        {kGameSettings, R"({"HUD": {"ChatScale": 2.5}})", "[HUD] ChatScale"},
        {kGameSettings, R"({"HUD": {"ChatScale": 9223372036854775808}})", "[HUD] ChatScale"},
        {kGameSettings, R"({"HUD": {"ChatScale": "120"}})", "[HUD] ChatScale"},
        {kGameSettings, R"({"HUD": {"GlobalScale": 1e39}})", "[HUD] GlobalScale"},
        {kGameSettings, R"({"HUD": {"GlobalScale": "NaN"}})", "[HUD] GlobalScale"},
        {kGameSettings, R"({"HUD": {"DrawHealthBars": 1}})", "[HUD] DrawHealthBars"},
        {kInputSettings, R"({"GameEvents": {"evtCastSpell1": true}})", "[GameEvents] evtCastSpell1"},
        {kGameSettings, R"({"New": {"k": null}})", "[New] k"},
        {kGameSettings, R"({"New": {"k": 9223372036854775807}})", "[New] k"},
        // A good section first: the refusal still leaves it unmerged.
        {kGameSettings, R"({"Aaa": {"k": 1}, "HUD": {"ChatScale": 1.5}})", "[HUD] ChatScale"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body);
        table().ClearRecords();
        const auto files = Files();
        const auto state = State();
        auto response = Call("PATCH", c.path, c.body);
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status(), 400u);
        EXPECT_NE(response->error().find(c.named), std::string::npos) << response->error();
        ExpectNothingChanged(files, state);
    }
}

TEST_F(PatchSafetyTest, AWriteThatFailsAnywhereTakesBackTheWholeChange) {
    struct Case {
        const char* name;
        bool loaded;
        const char* blocked;  // made a directory
    };
    const Case cases[] = {
        {"the temporary of Input.ini cannot be written", true, "Config/Input.ini.tmp"},
        {"the persisted settings cannot be written", true, "Config/PersistedSettings.json.tmp"},
        {"Game.cfg is a directory", true, nullptr},
        {"no load yet", false, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        ASSERT_NO_FATAL_FAILURE(SetUp());
        if (c.loaded) Load();
        if (c.blocked) std::filesystem::create_directories(c.blocked);
        if (c.loaded && !c.blocked) {
            std::filesystem::remove(kGameConfig);
            std::filesystem::create_directories(kGameConfig);
        }
        const auto files = Files();
        const auto state = State();
        auto response = Call("PATCH", kInputSettings, kBindings);
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status(), 500u);
        EXPECT_NE(response->error().find("Unable to save settings to file"), std::string::npos);
        EXPECT_EQ(Logged("Failed to write settings to ", 2), c.loaded);
        ExpectNothingChanged(files, state);

        // Once the way is clear the same change goes through whole.
        if (c.blocked) std::filesystem::remove(c.blocked);
        if (!c.loaded) Load();
        if (!c.blocked && c.loaded) std::filesystem::remove(kGameConfig);
        response = Call("PATCH", kInputSettings, kBindings);
        ASSERT_TRUE(response);
        EXPECT_FALSE(response->failed()) << response->error();
        EXPECT_NE(ReadFile(kInputConfig).find("evtCastSpell3=[w]"), std::string::npos);
        EXPECT_NE(ReadFile(kPersisted).find("\"[q]\""), std::string::npos);
        EXPECT_EQ(table().firedEvents().size(), 2u);  // the subscription key and the resource event
    }
}

#if !defined(_WIN32)
// Each file a PATCH rewrites is afterwards either as it was or as the whole
// PATCH leaves it, wherever the process is killed.
TEST_F(PatchSafetyTest, AProcessKilledAnywhereInAPatchLeavesEachFileWhollyOldOrWhollyNew) {
    Load();
    const std::vector<std::string> before = Files();
    const auto restore = [&] {
        WriteFile(kGameConfig, before[0]);
        WriteFile(kInputConfig, before[1]);
        WriteFile(kPersisted, before[2]);
    };
    // The child makes the PATCH; the parent kills it `delay` after forking,
    // or lets it end when `delay` is negative. Answers how long it ran.
    const auto runChild = [&](std::chrono::microseconds delay) {
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            auto response = Call("PATCH", kInputSettings, kBindings);
            _exit(response && !response->failed() ? 0 : 1);
        }
        if (delay.count() >= 0) {
            std::this_thread::sleep_for(delay);
            kill(child, SIGKILL);
        }
        int status = 0;
        waitpid(child, &status, 0);
        if (delay.count() < 0) {
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        }
        return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    };
    std::chrono::microseconds whole{0};
    for (int i = 0; i < 3; ++i) whole = std::max(whole, runChild(std::chrono::microseconds(-1)));
    const std::vector<std::string> after = Files();
    for (std::size_t f = 0; f < after.size(); ++f) ASSERT_NE(after[f], before[f]) << f;

    std::mt19937 random(17);
    std::uniform_int_distribution<long> delays(0, whole.count() * 5 / 4);
    int allOld = 0;
    int someNew = 0;
    for (int round = 0; round < 200; ++round) {
        restore();
        runChild(std::chrono::microseconds(delays(random)));
        const std::vector<std::string> now = Files();
        bool anyNew = false;
        for (std::size_t f = 0; f < now.size(); ++f) {
            ASSERT_TRUE(now[f] == before[f] || now[f] == after[f]) << "file " << f << " torn after kill " << round;
            anyNew = anyNew || now[f] == after[f];
        }
        (anyNew ? someNew : allOld)++;
    }
    // The kills landed before and after the renames alike.
    EXPECT_GT(allOld, 0);
    EXPECT_GT(someNew, 0);
}
#endif

// The cost of a PATCH grows with the size of the change, not its square.
TEST_F(PatchSafetyTest, APatchCostsInProportionToItsSize) {
    // Each size from a fresh installation, so neither pays for the other.
    const auto timedPatch = [&](int sections) {
        TearDown();
        SetUp();
        Load();
        std::string body = "{";
        for (int i = 0; i < sections; ++i) {
            body += (i ? ",\"S" : "\"S") + std::to_string(i) + "\": {\"Value\": " + std::to_string(i) + "}";
        }
        body += "}";
        const auto start = std::chrono::steady_clock::now();
        auto response = Call("PATCH", kGameSettings, body);
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        EXPECT_TRUE(response && !response->failed());
        EXPECT_NE(ReadFile(kGameConfig).find("[S" + std::to_string(sections - 1) + "]\r\nValue="), std::string::npos);
        return elapsed;
    };
    constexpr int kSmall = 1500;
    double small = std::numeric_limits<double>::max();
    double large = small;
    for (int round = 0; round < 2; ++round) {
        small = std::min(small, timedPatch(kSmall).count());
        large = std::min(large, timedPatch(4 * kSmall).count());
    }
    EXPECT_LT(large, 8 * small) << "4x the sections took " << large / small << "x the time";
}

}  // namespace
}  // namespace kor
