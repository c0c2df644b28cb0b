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

TEST_F(FileSystemTest, DirectoriesAccessModesEntryKindsAndReplacement) {
    const std::string dir = root_ + "/new", a = root_ + "/a", b = root_ + "/b";
    EXPECT_EQ(CreateOneDirectory(dir), 0);
    EXPECT_TRUE(IsDirectory(dir));
    EXPECT_EQ(CreateOneDirectory(dir), kErrorAlreadyExists);
    const int missingParent = CreateOneDirectory(root_ + "/missing/child");
    EXPECT_NE(missingParent, 0);
    EXPECT_NE(missingParent, kErrorAlreadyExists);
    Touch(a);
    Touch(b);
    for (int mode : {0, 4, 6}) EXPECT_EQ(CheckAccess(a, mode), 0) << mode;
    EXPECT_EQ(CheckAccess(root_ + "/absent", 0), -1);
    EXPECT_TRUE(IsNonDirectory(a));
    EXPECT_FALSE(IsDirectory(a));
    EXPECT_FALSE(IsNonDirectory(root_));
    EXPECT_FALSE(IsNonDirectory(root_ + "/absent"));
    EXPECT_TRUE(ReplaceFile(a, b));
    EXPECT_EQ(CheckAccess(a, 0), -1);
    EXPECT_EQ(CheckAccess(b, 0), 0);
    EXPECT_TRUE(RemoveFile(b));
    EXPECT_TRUE(RemoveFile(b));  // already gone counts as removed
    EXPECT_FALSE(CurrentDirectory(4096).empty());
    EXPECT_TRUE(CurrentDirectory(1).empty());  // empty when it does not fit
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

}  // namespace
}  // namespace kor::platform
