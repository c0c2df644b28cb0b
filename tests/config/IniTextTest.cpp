#include "config/ConfigNameHash.h"
#include "config/IniTextEditor.h"
#include "config/IniTextReader.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kor {
namespace {

TEST(ConfigNameHash, FoldsCaseAndContinuesAcrossPieces) {
    EXPECT_EQ(ConfigNameHash("ABC"), 0x3025F862u);
    EXPECT_EQ(ConfigNameHash("\x80"), 0xFFFFFF80u);  // high bytes count as negative
    EXPECT_EQ(ConfigValueKey("General", "Width"), ConfigNameHash("general*width"));
    EXPECT_EQ(ConfigStoreKey("Config/Game.cfg", "General", "Width"), ConfigNameHash("config/game.cfggeneralwidth"));
}

// What the reader reports, one "[section] key=value|" per pair.
class Recorder final : public IniTextHandler {
public:
    void Pair(std::string_view section, std::string_view key, std::string_view value) override {
        text += "[" + std::string(section) + "] " + std::string(key) + "=" + std::string(value) + "|";
    }
    void PairOutsideSection(std::string_view key, std::string_view value) override {
        text += "outside " + std::string(key) + "=" + std::string(value) + "|";
    }
    std::string text;
};

TEST(IniTextReader, Cases) {
    struct {
        const char* text;
        const char* pairs;
    } cases[] = {
        {"[S]\r\nQuoted = \"  two  words \"  ; comment\r\nHash=abc#def\r\nSingle='x y'\r\nOpen=\"unterminated\r\n",
         "[S] Quoted=  two  words |[S] Hash=abc|[S] Single=x y|[S] Open=\"unterminated|"},
        {"[S]\nEmpty=\r\nEquals = = =v\n\tTabbed\t=\tt \t\nApostrophe=it's\n",
         "[S] Empty=|[S] Equals=v|[S] Tabbed=t|[S] Apostrophe=it's|"},
        {"# a=1\n; b=2\n' c=3\n[Multi\nLine]\nk=v\n[]\nz=1", "[Multi\nLine] k=v|outside z=1|"},
        {"before=1\nstray words [S] after=2\nno equals here\nk=3", "outside before=1|[S] after=2|[S] no equals here\nk=3|"},
        {"[S]\na=1\n[Broken\nb=2\n", "[S] a=1|"},
        {"[S]\na=1\ntrailing words", "[S] a=1|"},
        {"", ""},
    };
    for (const auto& c : cases) {
        Recorder recorder;
        ReadIniText(c.text, recorder);
        EXPECT_EQ(recorder.text, c.pairs) << c.text;
    }
}

TEST(IniTextEditor, Cases) {
    const std::string text = "; head\r\n[Other]\r\nWidth=1\r\n[General]\nWidth = 1024 ;old\nHeight=768\r\n";
    struct {
        std::string text;
        const char* section;
        const char* key;
        std::string value;
        std::string expected;
    } cases[] = {
        {text, "general", "width", "1920", "; head\r\n[Other]\r\nWidth=1\r\n[General]\nWidth =1920\nHeight=768\r\n"},
        {text, "General", "Height", "1080", "; head\r\n[Other]\r\nWidth=1\r\n[General]\nWidth = 1024 ;old\nHeight=1080\r\n"},
        {"[S]\nk=old", "S", "k", "new", "[S]\nk=new"},
        {"[A]\nx=1\n[B]\ny=2\n", "A", "New", "v", "[A]\r\nNew=v\nx=1\n[B]\ny=2\n"},
        {"", "S", "k", "v", "\r\n\r\n[S]\r\nk=v"},
        {"[A]\nx=1", "B", "k", "v", "[A]\nx=1\r\n\r\n[B]\r\nk=v"},
        // Only real headers and keys that open their line count.
        {"[X]\nk=General\n[GeneralX]\nk=1\n[ \tGeneral ]\nk=2\n", "General", "k", "9",
         "[X]\nk=General\n[GeneralX]\nk=1\n[ \tGeneral ]\nk=9\n"},
        {"[S]\n  k=1\nkk=2\n[T]\nk=3\n", "S", "k", "4", "[S]\r\nk=4\n  k=1\nkk=2\n[T]\nk=3\n"},
        {"[S]\n;[T]\nk=1\n", "S", "K", "2", "[S]\n;[T]\nk=2\n"},
        // Candidates of either case interleave; near misses are passed over.
        {"[s]\nkEy=1\nKex=2\nkEX=3\nkeY=4\n", "S", "KEX", "9", "[s]\nkEy=1\nKex=9\nkEX=3\nkeY=4\n"},
        {"[S]\r\nk=1\r\n", "S", "k", std::string(100000, 'v'), "[S]\r\nk=" + std::string(100000, 'v') + "\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(EditIniText(c.text, c.section, c.key, c.value), c.expected) << c.text;
}


// Editing many keys of an INI text in one pass gives exactly the text that
// editing them one by one gives, on texts of every shape the game writes.
TEST(IniBatchEditTest, OnePassEqualsEditingKeyByKey) {
    const std::vector<std::string> sections = {"A", "a", "B", "C D", "New"};
    const std::vector<std::string> keys = {"k", "K", "x", "k k", "new"};
    const std::vector<std::string> values = {"1", "[A]", "v=w", "", " x ;c"};
    const std::vector<std::string> breaks = {"\r\n", "\n", "\r"};
    std::mt19937 random(2024);
    const auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int lines = static_cast<int>(random() % 12);
        for (int line = 0; line < lines; ++line) {
            switch (random() % 6) {
                case 0:
                    text += pick({"", " ", "\t"}) + "[" + pick({"", " "}) + pick(sections) + pick({"", "\t"}) + "]";
                    break;
                case 1: text += "; [" + pick(sections) + "]"; break;
                case 2: text += pick({"", "  "}) + pick(keys) + pick({"", " "}) + "=" + pick(values); break;
                case 3: break;
                default: text += pick(keys) + "=" + pick(values); break;
            }
            text += pick(breaks);
        }
        std::vector<IniEdit> edits;
        const int count = static_cast<int>(random() % 8);
        for (int i = 0; i < count; ++i) edits.push_back({pick(sections), pick(keys), pick(values)});

        std::string expected = text;
        for (const IniEdit& edit : edits) expected = EditIniText(expected, edit.section, edit.key, edit.value);
        ASSERT_EQ(EditIniTexts(text, edits), expected) << "text:\n" << text;
    }
}

}  // namespace
}  // namespace kor
