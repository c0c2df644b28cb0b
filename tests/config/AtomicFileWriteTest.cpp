#include "support/ConfigTestEnvironment.h"

#include "config/AtomicFileWrite.h"
#include "config/PathUtilities.h"

namespace kor {
namespace {

using testing::ConfigTest;

TEST_F(ConfigTest, AtomicWriteReplacesWholeFilesOrLeavesTheTargetAlone) {
    WriteFile("settings.json", "old content that is longer");
    EXPECT_TRUE(WriteFileAtomically("settings.json", "new"));
    EXPECT_EQ(ReadFile("settings.json"), "new");
    EXPECT_FALSE(Exists(TemporaryPathFor("settings.json")));
    EXPECT_TRUE(WriteFileAtomically("fresh.ini", "") && Exists("fresh.ini"));
    MakeDirectory("target.ini");
    WriteFile("target.ini/inside", "keep");
    EXPECT_FALSE(WriteFileAtomically("target.ini", "data"));
    EXPECT_EQ(ReadFile("target.ini/inside"), "keep");
    EXPECT_FALSE(Exists(TemporaryPathFor("target.ini")));

    WriteFile("parent", "a file, not a directory");
    EXPECT_FALSE(WriteFileAtomically("parent/child.ini", "data"));
    EXPECT_EQ(ReadFile("parent"), "a file, not a directory");
}

TEST_F(ConfigTest, DirectoryTreesAreCreatedLevelByLevelAndFailuresReported) {
    EXPECT_EQ(CreateDirectoryTree("one/two\\three"), 0);
    EXPECT_TRUE(Exists("one/two/three"));
    EXPECT_EQ(CreateDirectoryTree(Root() + "/one/two/three"), 0);
    WriteFile("plain", "x");
    EXPECT_NE(CreateDirectoryTree("plain/sub/dir"), 0);
    EXPECT_FALSE(Exists("plain/sub"));
    EXPECT_NE(CreateSingleDirectory("missing/child"), 0);
}

}  // namespace
}  // namespace kor
