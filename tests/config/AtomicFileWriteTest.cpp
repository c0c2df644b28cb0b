#include "support/ConfigTestEnvironment.h"

#include "config/AtomicFileWrite.h"

#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kor {
namespace {

using testing::ConfigTest;

TEST_F(ConfigTest, AtomicWriteReplacesWholeFile) {
    WriteFile("settings.json", "old content that is longer");
    EXPECT_TRUE(WriteFileAtomically("settings.json", "new"));
    EXPECT_EQ(ReadFile("settings.json"), "new");
    EXPECT_FALSE(Exists(TemporaryPathFor("settings.json")));
    EXPECT_TRUE(WriteFileAtomically("fresh.ini", ""));
    EXPECT_TRUE(Exists("fresh.ini"));
}

TEST_F(ConfigTest, AtomicWriteFailuresLeaveTheTargetAlone) {
    MakeDirectory("target.ini");
    WriteFile("target.ini/inside", "keep");
    EXPECT_FALSE(WriteFileAtomically("target.ini", "data"));
    EXPECT_EQ(ReadFile("target.ini/inside"), "keep");
    EXPECT_FALSE(Exists(TemporaryPathFor("target.ini")));

    WriteFile("parent", "a file, not a directory");
    EXPECT_FALSE(WriteFileAtomically("parent/child.ini", "data"));
    EXPECT_EQ(ReadFile("parent"), "a file, not a directory");
}

TEST_F(ConfigTest, AtomicWriteThatRunsOutOfSpaceKeepsTheOldBytes) {
    WriteFile("big.ini", "original");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{16, 16};
        setrlimit(RLIMIT_FSIZE, &limit);
        const bool written = WriteFileAtomically("big.ini", std::string(200000, 'x'));
        _exit(written ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write claimed success";
    EXPECT_EQ(ReadFile("big.ini"), "original");
    EXPECT_FALSE(Exists(TemporaryPathFor("big.ini")));
}

}  // namespace
}  // namespace kor
