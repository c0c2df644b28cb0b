#include "config/ConfigNameHash.h"
#include "config/IniTextEditor.h"
#include "config/IniTextReader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kor {
namespace {

TEST(ConfigNameHash, FoldsCaseAndContinuesAcrossPieces) {
    EXPECT_EQ(ConfigNameHash(""), 0u);
    EXPECT_EQ(ConfigNameHash("abc"), 0x3025F862u);
    EXPECT_EQ(ConfigNameHash("ABC"), 0x3025F862u);
    EXPECT_EQ(ConfigNameHash("\x80"), 0xFFFFFF80u);  // high bytes count as negative
    EXPECT_EQ(ConfigValueKey("General", "Width"), ConfigNameHash("general*width"));
    EXPECT_EQ(ConfigStoreKey("Config/Game.cfg", "General", "Width"),
              ConfigNameHash("config/game.cfggeneralwidth"));
    EXPECT_NE(ConfigValueKey("ab", "c"), ConfigValueKey("a", "bc"));
}

// Records what the reader reports, one line per event.
class RecordingHandler final : public IniTextHandler {
public:
    void Pair(std::string_view section, std::string_view key, std::string_view value) override {
        events.push_back("[" + std::string(section) + "] " + std::string(key) + "=" + std::string(value) + "|");
    }
    void PairOutsideSection(std::string_view key, std::string_view value) override {
        events.push_back("outside " + std::string(key) + "=" + std::string(value) + "|");
    }
    std::vector<std::string> events;
};

std::vector<std::string> Read(std::string_view text) {
    RecordingHandler handler;
    ReadIniText(text, handler);
    return handler.events;
}

using Events = std::vector<std::string>;

TEST(IniTextReader, QuotesCommentsAndTrimming) {
    EXPECT_EQ(Read("[S]\r\n"
                   "Quoted = \"  two  words \"  ; comment\r\n"
                   "Hash=abc#def\r\n"
                   "Single='x y'\r\n"
                   "Open=\"unterminated\r\n"
                   "Empty=\r\n"
                   "Equals = = =v\n"
                   "\tTabbed\t=\tt \t\n"
                   "Apostrophe=it's\n"),
              (Events{"[S] Quoted=  two  words |", "[S] Hash=abc|", "[S] Single=x y|",
                      "[S] Open=\"unterminated|", "[S] Empty=|", "[S] Equals=v|", "[S] Tabbed=t|",
                      "[S] Apostrophe=it's|"}));
}

TEST(IniTextReader, CommentLinesAndSectionsSpanningLines) {
    EXPECT_EQ(Read("# a=1\n; b=2\n' c=3\n[Multi\nLine]\nk=v\n[]\nz=1"),
              (Events{"[Multi\nLine] k=v|", "outside z=1|"}));
}

TEST(IniTextReader, PairsOutsideSectionsAndStrayText) {
    EXPECT_EQ(Read("before=1\nstray words [S] after=2\nno equals here\nk=3"),
              (Events{"outside before=1|", "[S] after=2|", "[S] no equals here\nk=3|"}));
}

TEST(IniTextReader, UnclosedHeaderOrMissingEqualsEndsReading) {
    EXPECT_EQ(Read("[S]\na=1\n[Broken\nb=2\n"), (Events{"[S] a=1|"}));
    EXPECT_EQ(Read("[S]\na=1\ntrailing words"), (Events{"[S] a=1|"}));
    EXPECT_EQ(Read(""), Events{});
}

TEST(IniTextEditor, ReplacesAValueKeepingEverythingElse) {
    const std::string text = "; head\r\n[Other]\r\nWidth=1\r\n[General]\nWidth = 1024 ;old\nHeight=768\r\n";
    EXPECT_EQ(EditIniText(text, "general", "width", "1920"),
              "; head\r\n[Other]\r\nWidth=1\r\n[General]\nWidth =1920\nHeight=768\r\n");
    EXPECT_EQ(EditIniText(text, "General", "Height", "1080"),
              "; head\r\n[Other]\r\nWidth=1\r\n[General]\nWidth = 1024 ;old\nHeight=1080\r\n");
    // No line break after the last value.
    EXPECT_EQ(EditIniText("[S]\nk=old", "S", "k", "new"), "[S]\nk=new");
}

TEST(IniTextEditor, InsertsMissingKeysAndSections) {
    EXPECT_EQ(EditIniText("[A]\nx=1\n[B]\ny=2\n", "A", "New", "v"), "[A]\r\nNew=v\nx=1\n[B]\ny=2\n");
    EXPECT_EQ(EditIniText("", "S", "k", "v"), "\r\n\r\n[S]\r\nk=v");
    EXPECT_EQ(EditIniText("[A]\nx=1", "B", "k", "v"), "[A]\nx=1\r\n\r\n[B]\r\nk=v");
}

TEST(IniTextEditor, MatchesOnlyRealHeadersAndLineStartKeys) {
    // "General" inside a value or a longer header name does not count, and a
    // header may carry blanks inside its brackets.
    const std::string text = "[X]\nk=General\n[GeneralX]\nk=1\n[ \tGeneral ]\nk=2\n";
    EXPECT_EQ(EditIniText(text, "General", "k", "9"), "[X]\nk=General\n[GeneralX]\nk=1\n[ \tGeneral ]\nk=9\n");
    // Indented keys, keys that only start with the name and keys of the next
    // section are not the key.
    EXPECT_EQ(EditIniText("[S]\n  k=1\nkk=2\n[T]\nk=3\n", "S", "k", "4"), "[S]\r\nk=4\n  k=1\nkk=2\n[T]\nk=3\n");
    // Comment lines are skipped while looking for the section's end.
    EXPECT_EQ(EditIniText("[S]\n;[T]\nk=1\n", "S", "K", "2"), "[S]\n;[T]\nk=2\n");
}

TEST(IniTextEditor, ValuesOfAnyLength) {
    const std::string longValue(100000, 'v');
    const std::string edited = EditIniText("[S]\r\nk=1\r\n", "S", "k", longValue);
    EXPECT_EQ(edited, "[S]\r\nk=" + longValue + "\r\n");
}

}  // namespace
}  // namespace kor
