#include "support/ConfigTestEnvironment.h"

#include "config/PathUtilities.h"
#include "config/TextUtilities.h"

#include <fstream>

namespace kor {
namespace {

using testing::ConfigTest;

TEST(PathUtilities, NormalizePathSeparators) {
    struct Case {
        const char* input;
        bool strip;
        const char* expected;
    };
    const Case cases[] = {
        {"a\\b\\\\c//d/", false, "a/b/c/d/"},
        {"a\\b\\\\c//d/", true, "a/b/c/d"},
        {"\\\\server\\share", false, "//server/share"},
        {"///x", false, "//x"},
        {"dir//", true, "dir"},
        {"", true, ""},
    };
    for (const Case& c : cases) {
        std::string text = c.input;
        EXPECT_EQ(NormalizePathSeparators(text, c.strip), std::string(c.expected).size()) << c.input;
        EXPECT_EQ(text, c.expected) << c.input;
    }
}

TEST(PathUtilities, JoinPath) {
    EXPECT_EQ(JoinPath({"a", "", "b\\c", "d/"}), "a/b/c/d/");
    EXPECT_EQ(JoinPath({"a/", "b"}), "a/b");
    EXPECT_EQ(JoinPath({"a", "/abs", "x"}), "/abs/x");
    EXPECT_EQ(JoinPath({"a", "\\abs"}), "/abs");
    EXPECT_EQ(JoinPath({"a", "C:/games", "x"}), "C:/games/x");
    EXPECT_EQ(JoinPath({"1", "2", "3", "4", "5", "6", "7", "8", "9"}), "1/2/3/4/5/6/7/8");

    const std::string long200(200, 'x');
    const std::string fits(258 - 200, 'y');  // 200 + "/" + 58 = 259
    EXPECT_EQ(JoinPath({long200, fits}).size(), 259u);
    EXPECT_EQ(JoinPath({long200, fits + "y", "z"}), long200);
}

TEST(PathUtilities, GetParentDirectory) {
    std::string parent = "unchanged";
    EXPECT_TRUE(GetParentDirectory("a/b/file.txt", parent));
    EXPECT_EQ(parent, "a/b/");
    EXPECT_TRUE(GetParentDirectory("a/b/", parent));
    EXPECT_EQ(parent, "a/");
    EXPECT_TRUE(GetParentDirectory("a\\b\\", parent));
    EXPECT_EQ(parent, "a\\");
    EXPECT_TRUE(GetParentDirectory("top/", parent));
    EXPECT_EQ(parent, "top/");
    EXPECT_TRUE(GetParentDirectory("C:/x/y.json", parent));
    EXPECT_EQ(parent, "C:/x/");
    EXPECT_TRUE(GetParentDirectory("C:file", parent));
    EXPECT_EQ(parent, "C:");
    EXPECT_TRUE(GetParentDirectory("", parent));
    EXPECT_EQ(parent, "");
    parent = "unchanged";
    EXPECT_FALSE(GetParentDirectory(std::string(300, 'a'), parent));
    EXPECT_EQ(parent, "unchanged");
}

TEST_F(ConfigTest, CreateDirectoryTreeCreatesMissingLevelsAndReportsErrors) {
    EXPECT_EQ(CreateDirectoryTree("one/two\\three"), 0);
    EXPECT_TRUE(Exists("one/two/three"));
    EXPECT_EQ(CreateDirectoryTree(Root() + "/one/two/three"), 0);
    EXPECT_EQ(CreateSingleDirectory("one"), 0);

    WriteFile("plain", "x");
    EXPECT_NE(CreateDirectoryTree("plain/sub/dir"), 0);
    EXPECT_FALSE(Exists("plain/sub"));
    EXPECT_NE(CreateSingleDirectory("missing/child"), 0);
}

TEST(TextUtilities, CaseInsensitiveSearchAndCompare) {
    EXPECT_EQ(FindIgnoringCase("[GameEvents]", "gameevents"), 1u);
    EXPECT_EQ(FindIgnoringCase("abcABC", "abc", 1), 3u);
    EXPECT_EQ(FindIgnoringCase("abc", ""), 0u);
    EXPECT_EQ(FindIgnoringCase("abc", "abcd"), std::string::npos);
    // Candidates of either case interleave; near misses are passed over.
    EXPECT_EQ(FindIgnoringCase("kEy Kex kEX keY", "KEY", 1), 12u);
    EXPECT_EQ(FindIgnoringCase("Kex kE", "key"), std::string::npos);  // the last candidate runs off the end
    EXPECT_EQ(FindIgnoringCase("a=1\r\n[sec]x", "[SEC]"), 5u);
    EXPECT_EQ(FindIgnoringCase("abc", "", 3), 3u);
    EXPECT_EQ(FindIgnoringCase("abc", "c", 4), std::string::npos);
    EXPECT_EQ(FindLast("a/PLMX/b/PLMX", "/PLMX"), 8u);
    EXPECT_EQ(CompareIgnoringCase("Input.INI", "input.ini"), 0);
    EXPECT_LT(CompareIgnoringCase("a", "B"), 0);
    EXPECT_GT(CompareIgnoringCase("\xE9", "z"), 0);  // bytes compare unsigned
    EXPECT_EQ(ToLowerAscii("A\xC9Z"), "a\xC9z");
}

}  // namespace
}  // namespace kor
