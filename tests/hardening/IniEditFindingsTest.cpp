// Inputs the INI fuzzer found, kept as regressions.
#include <gtest/gtest.h>

#include <string>

#include "config/IniTextEditor.h"

namespace kor {
namespace {

TEST(IniEditFindings, ASectionNameInsideAValueIsNotTheSectionHeader) {
    // A key binding may well contain the bracketed name of a section.
    const std::string text = "[HUD]\nevtShow=[GameEvents]\n[GameEvents]\nevtCastSpell1=[q]\n";
    EXPECT_EQ(EditIniText(text, "GameEvents", "evtCastSpell2", "[w]"),
              "[HUD]\nevtShow=[GameEvents]\n[GameEvents]\r\nevtCastSpell2=[w]\nevtCastSpell1=[q]\n");
    // With no header on a line of its own, the section is appended.
    EXPECT_EQ(EditIniText("[HUD]\nevtShow=[GameEvents]\n", "GameEvents", "evtCastSpell2", "[w]"),
              "[HUD]\nevtShow=[GameEvents]\n\r\n\r\n[GameEvents]\r\nevtCastSpell2=[w]");
}

TEST(IniEditFindings, AHeaderIndentedOrAfterACarriageReturnStillCounts) {
    EXPECT_EQ(EditIniText("a=1\r  [ General ]\r\nX=1\r\n", "general", "x", "2"), "a=1\r  [ General ]\r\nX=2\r\n");
    EXPECT_EQ(EditIniText("\t[General]\nX=1\n", "General", "X", "2"), "\t[General]\nX=2\n");
}

}  // namespace
}  // namespace kor
