#include "platform/FileSystem.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdint>
#include <filesystem>
#include <string>
#include <system_error>

namespace kor::platform {
namespace {

class FileSystemTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        const auto root = std::filesystem::temp_directory_path() / ("kor-fs-" + std::to_string(stamp));
        ASSERT_TRUE(std::filesystem::create_directory(root));
        root_ = root.generic_string();
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    void Touch(const std::string& path) {
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs("x", f);
        std::fclose(f);
    }

    std::string root_;
};

TEST_F(FileSystemTest, DirectoryCreationTreatsExistingAsAlreadyExists) {
    std::string dir = root_ + "/new";
    EXPECT_EQ(CreateOneDirectory(dir), 0);
    EXPECT_TRUE(IsDirectory(dir));
    EXPECT_EQ(CreateOneDirectory(dir), kErrorAlreadyExists);
    EXPECT_NE(CreateOneDirectory(root_ + "/missing/child"), 0);
    EXPECT_NE(CreateOneDirectory(root_ + "/missing/child"), kErrorAlreadyExists);
}

TEST_F(FileSystemTest, AccessModesAndEntryKinds) {
    std::string file = root_ + "/f.txt";
    Touch(file);
    EXPECT_EQ(CheckAccess(file, 0), 0);
    EXPECT_EQ(CheckAccess(file, 4), 0);
    EXPECT_EQ(CheckAccess(file, 6), 0);
    EXPECT_EQ(CheckAccess(root_ + "/absent", 0), -1);
    EXPECT_TRUE(IsNonDirectory(file));
    EXPECT_FALSE(IsDirectory(file));
    EXPECT_FALSE(IsNonDirectory(root_));
    EXPECT_FALSE(IsNonDirectory(root_ + "/absent"));
}

// A 32-bit build must still see a file whose size does not fit in 32 bits
// (made sparse here, so it costs no disk space).
TEST_F(FileSystemTest, FilesPastTwoGibibytesAreStillFound) {
    const std::string big = root_ + "/big.bin";
    Touch(big);
    std::error_code error;
    std::filesystem::resize_file(big, (std::uintmax_t{1} << 31) + 1, error);
    if (error) GTEST_SKIP() << "cannot make a large sparse file here: " << error.message();
    EXPECT_TRUE(IsNonDirectory(big));
    EXPECT_FALSE(IsDirectory(big));
    EXPECT_EQ(CheckAccess(big, 6), 0);
    EXPECT_EQ(CreateOneDirectory(big), kErrorAlreadyExists);
}

TEST_F(FileSystemTest, ReplaceFileSwapsContentAtomically) {
    std::string a = root_ + "/a", b = root_ + "/b";
    Touch(a);
    Touch(b);
    EXPECT_TRUE(ReplaceFile(a, b));
    EXPECT_EQ(CheckAccess(a, 0), -1);
    EXPECT_EQ(CheckAccess(b, 0), 0);
    EXPECT_TRUE(RemoveFile(b));
    EXPECT_TRUE(RemoveFile(b));  // already gone counts as removed
}

TEST(CurrentDirectoryTest, EmptyWhenItDoesNotFit) {
    EXPECT_FALSE(CurrentDirectory(4096).empty());
    EXPECT_TRUE(CurrentDirectory(1).empty());
}

}  // namespace
}  // namespace kor::platform
