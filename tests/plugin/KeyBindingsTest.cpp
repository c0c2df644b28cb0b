#include "plugin/KeyBindings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "binding/BindingProperty.h"

namespace kor {
namespace {

using Strings = std::vector<std::string>;

TEST(SplitBindingTest, FirstCommaNotAfterABracketSeparates) {
    EXPECT_EQ(SplitBinding("[q]"), (Strings{"[q]"}));
    EXPECT_EQ(SplitBinding(""), (Strings{""}));
    EXPECT_EQ(SplitBinding("[a],[x]"), (Strings{"[a]", "[x]"}));
    EXPECT_EQ(SplitBinding("[Alt][q],"), (Strings{"[Alt][q]", ""}));
    EXPECT_EQ(SplitBinding(",[q]"), (Strings{"", "[q]"}));
    EXPECT_EQ(SplitBinding("[Ctrl][,],[a]"), (Strings{"[Ctrl][,]", "[a]"}));
    EXPECT_EQ(SplitBinding("[,]"), (Strings{"[,]"}));
}

TEST(NormaliseComboTest, LowerCasesAndOrdersModifiersOfThreeOrMoreTokens) {
    EXPECT_EQ(NormaliseCombo("[Ctrl][Shift][Q]"), "[shift][ctrl][q]");
    EXPECT_EQ(NormaliseCombo("[Alt][x][Ctrl]"), "[ctrl][alt][x]");
    EXPECT_EQ(NormaliseCombo("[Shift][q]"), "[shift][q]");
    EXPECT_EQ(NormaliseCombo("[q][Shift]"), "[q][shift]");  // two tokens keep their order
    EXPECT_EQ(NormaliseCombo("[Win][Cmd][Alt][k][Shift]"), "[cmd][win][shift][alt][k]");
    EXPECT_EQ(NormaliseCombo("[Ctrl][q"), "");
    EXPECT_EQ(NormaliseCombo(""), "");
    EXPECT_EQ(NormaliseCombo("[Ctrl][]]"), "[ctrl][]]");
    EXPECT_EQ(NormaliseCombo(" x[Up Arrow]y "), "[up arrow]");
}

TEST(NormaliseComboTest, EqualRanksKeepTheirWrittenOrder) {
    EXPECT_EQ(NormaliseCombo("[b][Ctrl][a]"), "[ctrl][b][a]");
    EXPECT_EQ(NormaliseCombo("[a][Ctrl][b]"), "[ctrl][a][b]");
}

TEST(ReplaceComboTest, ReplacesOnlyTheFirstMatchingPart) {
    EXPECT_EQ(ReplaceCombo("[Shift][q]", "[shift][q]"), "[<Unbound>]");
    EXPECT_EQ(ReplaceCombo("[a],[x]", "[x]"), "[a],[<Unbound>]");
    EXPECT_EQ(ReplaceCombo("[Alt][q],", "[alt][q]"), "[<Unbound>],");
    EXPECT_EQ(ReplaceCombo("[a],[A]", "[a]"), "[<Unbound>],[A]");
    EXPECT_EQ(ReplaceCombo("[a],[x]", "[z]"), "[a],[x]");
}

// Input settings holding the given bindings, group -> event -> binding.
BindingProperty Bindings(std::initializer_list<std::tuple<const char*, const char*, const char*>> entries) {
    BindingProperty input;
    for (const auto& [group, event, binding] : entries) {
        input.MemberForWrite(group).MemberForWrite(event).SetString(binding);
    }
    return input;
}

std::string BindingOf(const BindingProperty& input, const char* group, const char* event) {
    return std::string(input.Member(group).Member(event).GetString());
}

TEST(BindingIndexTest, LaterHoldersWinAndEveryComboIsIndexedOnRebuild) {
    BindingProperty input = Bindings({{"GameEvents", "evtA", "[q],"},
                                      {"GameEvents", "evtB", "[Q]"},
                                      {"HUDEvents", "evtHud", "[Ctrl][c]"},
                                      {"Quickbinds", "evtQuick", "[z]"}});
    BindingProperty index;
    RebuildBindingIndex(index, input);
    EXPECT_EQ(index.Member("[q]").GetString(), "evtB");  // evtB comes after evtA in key order
    EXPECT_EQ(index.Member("").GetString(), "evtA");     // the empty second combination
    EXPECT_EQ(index.Member("[ctrl][c]").GetString(), "evtHud");
    EXPECT_FALSE(index.HasMember("[z]"));  // not a key-binding group
    EXPECT_TRUE(input.HasMember("ShopEvents"));  // created empty, as the load expects

    BindingProperty change = Bindings({{"GameEvents", "evtC", "[<Unbound>],[y]"}, {"ShopEvents", "evtS", ""}});
    IndexBindings(index, change);
    EXPECT_EQ(index.Member("[y]").GetString(), "evtC");
    EXPECT_EQ(index.Member("").GetString(), "evtA");  // empty and unbound combos are skipped
    EXPECT_FALSE(index.HasMember("[<unbound>]"));
}

TEST(CollectCombosTest, GroupOrderThenKeyOrderThenPosition) {
    BindingProperty change = Bindings({{"ShopEvents", "evtS", "[s]"},
                                       {"GameEvents", "evtB", "[b],[<Unbound>]"},
                                       {"GameEvents", "evtA", ""},
                                       {"Quickbinds", "evtQ", "[q]"}});
    change.MemberForWrite("HUDEvents").MemberForWrite("evtNumber").SetSigned(5);
    EXPECT_EQ(CollectCombos(change), (Strings{"", "[b]", "[<Unbound>]", "", "[s]"}));
}

class UnbindConflictsTest : public ::testing::Test {
protected:
    void SetUp() override {
        input_ = Bindings({{"GameEvents", "evtCastSpell1", "[q]"},
                           {"GameEvents", "evtCastSpell2", "[w]"},
                           {"GameEvents", "evtSelfCastSpell1", "[Alt][q],"},
                           {"GameEvents", "evtPlayerAttackMove", "[a],[x]"},
                           {"GameEvents", "evtTriple", "[Ctrl][Shift][a]"},
                           {"GameEvents", "evtPair", "[Shift][a]"},
                           {"GameEvents", "evtEmpty", ""},
                           {"HUDEvents", "evtTogglePlayerStats", "[Ctrl][c]"}});
        RebuildBindingIndex(index_, input_);
    }
    void Unbind(const char* group, const char* event, const char* binding) {
        BindingProperty change = Bindings({{group, event, binding}});
        UnbindConflicts(index_, input_, CollectCombos(change));
    }
    BindingProperty input_;
    BindingProperty index_;
};

TEST_F(UnbindConflictsTest, TakesTheComboFromItsHolderIgnoringCase) {
    Unbind("GameEvents", "evtCastSpell2", "[Q]");
    EXPECT_EQ(BindingOf(input_, "GameEvents", "evtCastSpell1"), "[<Unbound>]");
    EXPECT_EQ(BindingOf(input_, "GameEvents", "evtCastSpell2"), "[w]");  // the merge sets it later
}

TEST_F(UnbindConflictsTest, KeepsTheOtherCombinationAndTheTrailingComma) {
    Unbind("GameEvents", "evtCastSpell2", "[x]");
    EXPECT_EQ(BindingOf(input_, "GameEvents", "evtPlayerAttackMove"), "[a],[<Unbound>]");
    Unbind("GameEvents", "evtCastSpell2", "[alt][Q]");
    EXPECT_EQ(BindingOf(input_, "GameEvents", "evtSelfCastSpell1"), "[<Unbound>],");
}

TEST_F(UnbindConflictsTest, ModifierOrderMattersFromThreeTokensOn) {
    Unbind("GameEvents", "evtCastSpell2", "[Shift][Ctrl][a]");
    EXPECT_EQ(BindingOf(input_, "GameEvents", "evtTriple"), "[<Unbound>]");
    Unbind("GameEvents", "evtCastSpell2", "[a][Shift]");
    EXPECT_EQ(BindingOf(input_, "GameEvents", "evtPair"), "[Shift][a]");
}

TEST_F(UnbindConflictsTest, ReachesAcrossGroups) {
    Unbind("GameEvents", "evtCastSpell2", "[Ctrl][C]");
    EXPECT_EQ(BindingOf(input_, "HUDEvents", "evtTogglePlayerStats"), "[<Unbound>]");
}

TEST_F(UnbindConflictsTest, EmptyUnboundAndUnclosedCombosTakeNothing) {
    const BindingProperty before = input_;
    Unbind("GameEvents", "evtCastSpell2", "[<Unbound>]");
    Unbind("GameEvents", "evtCastSpell2", "");
    Unbind("GameEvents", "evtCastSpell2", "[Ctrl][q");
    EXPECT_TRUE(input_ == before);
}

}  // namespace
}  // namespace kor
