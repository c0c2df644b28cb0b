#include "plugin/DefaultSettingsDocument.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "binding/BindingProperty.h"

namespace kor {
namespace {

class DefaultSettingsDocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetDefaultSettingsForTesting();
        LoadDefaultSettings();
        ASSERT_NE(DefaultSettingsDocument(), nullptr);
    }
    void TearDown() override { ResetDefaultSettingsForTesting(); }

    static const BindingProperty& Group(std::string_view name) { return DefaultSettingsDocument()->Member(name); }

    static std::map<std::string, std::size_t> SectionSizes(const BindingProperty& group) {
        std::map<std::string, std::size_t> sizes;
        for (const auto& [name, section] : group.Members()) sizes[std::string(name)] = section.Size();
        return sizes;
    }
};

TEST_F(DefaultSettingsDocumentTest, IsAbsentUntilLoaded) {
    ResetDefaultSettingsForTesting();
    EXPECT_EQ(DefaultSettingsDocument(), nullptr);
    LoadDefaultSettings();
    EXPECT_NE(DefaultSettingsDocument(), nullptr);
}

TEST_F(DefaultSettingsDocumentTest, HoldsEverySectionWithItsSettingCount) {
    EXPECT_EQ(DefaultSettingsDocument()->Size(), 2u);
    EXPECT_EQ(SectionSizes(Group("GameSettings")),
              (std::map<std::string, std::size_t>{{"FloatingText", 12}, {"General", 16}, {"HUD", 29},
                                                  {"LossOfControl", 2}, {"Performance", 1}, {"Volume", 14},
                                                  {"Voice", 1}}));
    EXPECT_EQ(SectionSizes(Group("InputSettings")),
              (std::map<std::string, std::size_t>{{"GameEvents", 150}, {"HUDEvents", 4}, {"Quickbinds", 13},
                                                  {"ShopEvents", 2}}));
}

TEST_F(DefaultSettingsDocumentTest, DefaultsHaveTheKindsTheirTextGives) {
    const BindingProperty& game = Group("GameSettings");
    EXPECT_EQ(game.Member("General").Member("GameMouseSpeed").kind(), BindingPropertyKind::Unsigned);
    EXPECT_EQ(game.Member("General").Member("GameMouseSpeed").GetUnsigned(), 10u);
    EXPECT_EQ(game.Member("General").Member("ThemeMusic").kind(), BindingPropertyKind::Unsigned);
    EXPECT_EQ(game.Member("HUD").Member("GlobalScale").kind(), BindingPropertyKind::Float);
    EXPECT_EQ(game.Member("HUD").Member("KeyboardScrollSpeed").kind(), BindingPropertyKind::Float);
    EXPECT_EQ(game.Member("HUD").Member("MapScrollSpeed").GetFloat(), 0.5);
    EXPECT_EQ(game.Member("Volume").Member("MusicVolume").GetFloat(), 0.75);
    EXPECT_EQ(game.Member("Volume").Member("MasterVolume").kind(), BindingPropertyKind::Float);
    EXPECT_FALSE(game.Member("FloatingText").Member("Experience_Enabled").GetBool(true));
    EXPECT_TRUE(game.Member("Voice").Member("ShowVoiceChatHalos").GetBool(false));
    for (const auto& [name, value] : Group("InputSettings").Member("Quickbinds").Members()) {
        EXPECT_EQ(value.kind(), BindingPropertyKind::Bool) << name;
    }
    const BindingProperty& shop = Group("InputSettings").Member("ShopEvents");
    EXPECT_EQ(shop.Member("evtShopFocusSearch").GetString(), "[Ctrl][l],[Ctrl][Return]");
}

// The 95 game-event bindings that follow from the slots and their keys.
std::map<std::string, std::string> RuleBindings() {
    const std::vector<std::pair<std::string, std::string>> spells = {
        {"Spell1", "q"}, {"Spell2", "w"}, {"Spell3", "e"}, {"Spell4", "r"}, {"AvatarSpell1", "d"}, {"AvatarSpell2", "f"}};
    const std::vector<std::pair<std::string, std::string>> items = {{"Item1", "1"}, {"Item2", "2"}, {"Item3", "3"},
                                                                    {"Item4", "5"}, {"Item5", "6"}, {"Item6", "7"},
                                                                    {"VisionItem", "4"}};
    std::map<std::string, std::string> bindings;
    const auto addSlot = [&](const std::string& slot, const std::string& key, const std::string& verb,
                             const std::string& selfCast) {
        bindings["evt" + verb + slot] = "[" + key + "]";
        bindings["evtNormalCast" + slot] = "";
        bindings["evtSmartCast" + slot] = "[Shift][" + key + "]";
        bindings["evtSmartCastWithIndicator" + slot] = "";
        bindings["evtSelfCast" + slot] = selfCast;
        bindings["evtSmartPlusSelfCast" + slot] = "";
        bindings["evtSmartPlusSelfCastWithIndicator" + slot] = "";
    };
    for (const auto& [slot, key] : spells) addSlot(slot, key, "Cast", "[Alt][" + key + "],");
    for (const auto& [slot, key] : items) addSlot(slot, key, "Use", "[Alt][" + key + "]");
    for (int spell = 0; spell < 4; ++spell) {
        bindings["evtLevel" + spells[spell].first] = "[Ctrl][" + spells[spell].second + "]";
    }
    return bindings;
}

TEST_F(DefaultSettingsDocumentTest, GameEventsFollowTheSlotRuleAndTheListedBindings) {
    const BindingProperty& events = Group("InputSettings").Member("GameEvents");
    const std::map<std::string, std::string> rule = RuleBindings();
    ASSERT_EQ(rule.size(), 95u);
    for (const auto& [name, binding] : rule) {
        const BindingProperty* value = events.FindMember(name);
        ASSERT_NE(value, nullptr) << name;
        EXPECT_EQ(value->GetString("(not a string)"), binding) << name;
    }
    std::size_t empty = 0;
    for (const auto& [name, value] : events.Members()) {
        ASSERT_TRUE(value.IsString()) << name;
        if (value.GetString().empty()) ++empty;
    }
    EXPECT_EQ(empty, 70u);
    EXPECT_EQ(events.Member("evtPlayerAttackMove").GetString(), "[a],[x]");
    EXPECT_EQ(events.Member("evtPetMoveClick").GetString(), "[Alt][Button 2],[Ctrl][Button 2]");
    EXPECT_EQ(events.Member("evtChampionOnly").GetString(), "[`]");
    EXPECT_EQ(events.Member("evntPlayerPingCursorDanger").GetString(), "[v]");
    EXPECT_EQ(events.Member("evtRadialEmotePlaySlot4").GetString("(missing)"), "");
}

}  // namespace
}  // namespace kor
