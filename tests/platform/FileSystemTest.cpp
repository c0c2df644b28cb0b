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
