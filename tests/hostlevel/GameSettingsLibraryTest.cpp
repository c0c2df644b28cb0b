// The built library driven through the boundary alone, as the host core
// drives it: load and entry point, context block, API description,
// callbacks, memory statistics, export list.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "support/TestHost.h"
#include "support/TextMatchers.h"
#include "tools/Unpacked.h"

namespace kor {
namespace {

using hostkit::testing::Unpacked;

using hostkit::ApiVersion;
using testing::TestHost;

constexpr const char* kLibrary = KOR_GAME_SETTINGS_LIBRARY;

std::unique_ptr<TestHost> LoadedHost(ApiVersion version = {}) {
    auto host = std::make_unique<TestHost>(kLibrary);
    hostkit::Outcome<void> loaded = host->Load(version);
    EXPECT_TRUE(loaded.ok()) << loaded.error();
    return host;
}

#if !defined(_WIN32)
// The names of the defined dynamic symbols of `path`, as the dynamic loader
// sees them.
std::vector<std::string> DefinedDynamicSymbols(const std::string& path) {
    std::vector<std::string> names;
    FILE* pipe = popen(("nm -D --defined-only --format=just-symbols '" + path + "'").c_str(), "r");
    char line[1024];
    while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) names.emplace_back(line, std::strcspn(line, "\n"));
    if (pipe != nullptr) pclose(pipe);
    return names;
}
#endif

// The DLL's export table is checked where it is built (scripts/check-dll-exports).
TEST(GameSettingsLibraryTest, TheEntryPointIsTheOnlyExport) {
#if defined(_WIN32)
    GTEST_SKIP() << "checked on the built DLL by scripts/check-dll-exports";
#else
    EXPECT_EQ(DefinedDynamicSymbols(kLibrary), std::vector<std::string>{"load_kor_game_settings"});
#endif
}

TEST(GameSettingsLibraryTest, TheContextBlockComesBackFilledAndCompatibleCoresAreAccepted) {
    auto host = LoadedHost(ApiVersion{18, 3, 9});
    const PluginHostContext& context = host->context();
    EXPECT_EQ(Unpacked(context.apiMajor) * 10000 + Unpacked(context.apiMinor) * 100 + Unpacked(context.apiPatch), 180000u);
    ASSERT_NE(Unpacked(context.callbacks), nullptr);
    for (const void* callback : {(void*)context.callbacks->initialize, (void*)context.callbacks->shutdown,
                                 (void*)context.callbacks->memoryStats, Unpacked(context.plugin), (void*)Unpacked(context.api)}) {
        EXPECT_NE(callback, nullptr);
    }
    EXPECT_STREQ(Unpacked(context.name), "kor-game-settings");
    for (ApiVersion version : {ApiVersion{18, 0, 0}, ApiVersion{18, 0, 5}}) EXPECT_TRUE(LoadedHost(version)->loaded());
}

TEST(GameSettingsLibraryDeathTest, IncompatibleCoresEndTheProcess) {
    const auto load = [](ApiVersion version) {
        TestHost host(kLibrary);
        (void)host.Load(version);
    };
    EXPECT_DEATH(load(ApiVersion{17, 9, 9}),
                 testing::ContainsInOrder("kor-game-settings which supports plugin API 18.0.0 is not compatible "
                                          "with core's plugin API 17.9.9",
                                          "Expression: ALE-EECF0606"));
    EXPECT_DEATH(load(ApiVersion{19, 0, 0}), "Expression: ALE-EECF0606");
    if (sizeof(uintptr_t) > 4) {  // a version word beyond 32 bits is no version at all
        EXPECT_DEATH(load(ApiVersion{static_cast<uintptr_t>(uint64_t{1} << 32 | 18), 0, 0}), "ALE-EECF0606");
    }
}

// The description as a host reads it: every array chained to its count,
// names unique, and the types, events and functions a client relies on.
TEST(GameSettingsLibraryTest, TheApiDescriptionReadsBackThroughTheHostKit) {
    auto host = LoadedHost();
    const PluginApiDescription* api = host->api();
    ASSERT_NE(api, nullptr);
    EXPECT_EQ(hostkit::CheckChains(*api), std::vector<std::string>());
    EXPECT_EQ(hostkit::FunctionEntries(*api).size(), Unpacked(api->functionCount));
    EXPECT_EQ(hostkit::FollowChain(api->types, 100000).size(), Unpacked(api->typeCount));
    EXPECT_EQ(hostkit::FollowChain(api->events, 100000).size(), Unpacked(api->eventCount));
    std::set<std::string_view> typeNames;
    for (const PluginTypeRecord* type : hostkit::TypeRecords(*api)) {
        EXPECT_TRUE(typeNames.insert(hostkit::DescriptionText(type->name)).second) << type->name;
        const std::size_t chained = type->fields != nullptr ? hostkit::FollowChain(type->fields, 1000).size()
                                                            : hostkit::FollowChain(type->enumerators, 1000).size();
        EXPECT_EQ(chained, Unpacked(type->count)) << type->name;
    }
    // Tags tell a client whose each type and event is: the plug-in's own,
    // the client's, or the binding layer's.
    const auto tags = [](const auto* record) {
        return record == nullptr ? std::vector<std::string_view>{"<missing>"} : hostkit::TagTexts(record->tags, Unpacked(record->tagCount));
    };
    using Tags = std::vector<std::string_view>;
    EXPECT_EQ(tags(hostkit::FindType(*api, "KorGameSettingsLoginSession")), (Tags{"Plugins", "Plugin kor-game-settings"}));
    EXPECT_EQ(tags(hostkit::FindType(*api, "PluginResourceEvent")), Tags{"kclient"});
    EXPECT_EQ(tags(hostkit::FindType(*api, "BindingCallbackEvent")).at(0), "$builtin");
    for (const char* name : {"OnJsonApiEvent", "OnServiceProxyUuidEvent", "OnServiceProxyAsyncEvent"}) {
        EXPECT_EQ(tags(hostkit::FindEvent(*api, name)), Tags{"kclient"}) << name;
    }
    ASSERT_NE(hostkit::FindEvent(*api, "OnCallback"), nullptr);
    EXPECT_STREQ(Unpacked(hostkit::FindEvent(*api, "OnCallback")->payloadTypeName), "BindingCallbackEvent");
    std::vector<std::string_view> fields;
    for (const PluginFieldRecord* field : hostkit::FieldRecords(*hostkit::FindType(*api, "KorGameSettingsLoginSession"))) {
        fields.push_back(Unpacked(field->name));
    }
    EXPECT_EQ(fields, (std::vector<std::string_view>{"state", "summonerId", "accountId", "gasToken"}));
    const PluginTypeRecord* states = hostkit::FindType(*api, "KorGameSettingsLoginSessionStates");
    ASSERT_NE(states, nullptr);
    std::vector<std::pair<std::string_view, int32_t>> enumerators;  // in name order
    for (const PluginEnumeratorRecord* e : hostkit::EnumeratorRecords(*states)) enumerators.emplace_back(Unpacked(e->name), Unpacked(e->number));
    EXPECT_EQ(enumerators, (std::vector<std::pair<std::string_view, int32_t>>{
                               {"ERROR", 3}, {"IN_PROGRESS", 0}, {"LOGGING_OUT", 2}, {"SUCCEEDED", 1}}));
    EXPECT_EQ(hostkit::FindFunction(*api, "PatchKorGameSettingsV1GameSettingsSchema"), nullptr);  // read-only
    const auto arguments = hostkit::ArgumentRecords(hostkit::FindFunction(*api, "PatchKorGameSettingsV1InputSettings")->record);
    ASSERT_EQ(arguments.size(), 1u);
    EXPECT_STREQ(Unpacked(arguments[0]->name), "settingsResource");
}

// The library stays mapped after a shut-down and may be started again.
TEST(GameSettingsLibraryTest, InitializeAndShutDownLeaveNothingSubscribedRoundAfterRound) {
    for (int round = 0; round < 3; ++round) {
        auto host = LoadedHost();
        ASSERT_TRUE(host->Initialize()) << round;
        host->Shutdown();
        EXPECT_TRUE(host->table().subscriptions().empty());
        int balance = 0;
        for (const auto& call : host->table().subscriptionCalls()) balance += call.subscribe ? 1 : -1;
        EXPECT_EQ(balance, 0);
        EXPECT_TRUE(host->table().failures().empty());
        EXPECT_EQ(host->api(), nullptr);
    }
}

}  // namespace
}  // namespace kor
