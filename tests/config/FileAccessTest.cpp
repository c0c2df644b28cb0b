#include "support/ConfigTestEnvironment.h"

#include "config/DiskFileProvider.h"
#include "config/FileAccess.h"

#include <cstring>
#include <string>
#include <vector>

namespace kor {
namespace {

using testing::ConfigTest;

// Answers access checks with a fixed code and records what it was asked.
class RecordingProvider final : public FileProvider {
public:
    explicit RecordingProvider(int accessAnswer, bool opens = true) : answer_(accessAnswer), opens_(opens) {}

    std::unique_ptr<FileStream> Open(const std::string& name, const char* mode) override {
        opened.push_back(name + ":" + mode);
        if (!opens_) return nullptr;
        return std::make_unique<DiskFileStream>(name, nullptr);
    }
    int Access(const std::string&, int accessMode) override {
        accessModes.push_back(accessMode);
        return answer_;
    }

    std::vector<int> accessModes;
    std::vector<std::string> opened;

private:
    int answer_;
    bool opens_;
};

// Providers answer in slot order: an empty table opens nothing, a refusing
// access check passes to the next slot, a failed open too; the access mode
// is derived from the open mode; writes skip the checks; a fifth provider is
// ignored.
TEST_F(ConfigTest, ProvidersAreConsultedInSlotOrder) {
    ResetFileProvidersForTesting();
    WriteFile("present.txt", "x");
    EXPECT_EQ(OpenFileForRead("present.txt", "rb"), nullptr);
    EXPECT_EQ(OpenFileForWrite("present.txt", "wb"), nullptr);
    EXPECT_EQ(CheckFileAccess("present.txt", 0), -1);

    RecordingProvider refusing(7), failingOpen(0, false), serving(0);
    RegisterFileProvider(&refusing);
    EXPECT_EQ(CheckFileAccess("x", 0), 7);  // no success: the last answer
    for (RecordingProvider* provider : {&failingOpen, &serving, &serving, &refusing}) RegisterFileProvider(provider);
    EXPECT_EQ(CheckFileAccess("x", 0), 0);
    ASSERT_NE(OpenFileForRead("a.ini", "rb"), nullptr);
    EXPECT_TRUE(refusing.opened.empty());
    EXPECT_EQ(failingOpen.opened, std::vector<std::string>{"a.ini:rb"});
    EXPECT_EQ(serving.opened, std::vector<std::string>{"a.ini:rb"});
    refusing.accessModes.clear();
    for (const char* mode : {"r", "r+", "w", "ab+", "rb+", "x"}) OpenFileForRead("a.ini", mode);
    EXPECT_EQ(refusing.accessModes, (std::vector<int>{4, 6, 2, 2, 4, 0}));
    refusing.accessModes.clear();
    EXPECT_NE(OpenFileForWrite("b.ini", "wb"), nullptr);
    EXPECT_TRUE(refusing.accessModes.empty());
    EXPECT_EQ(refusing.opened.back(), "b.ini:wb");
    ResetFileProvidersForTesting();
    RecordingProvider a(1), b(1), c(1), d(1), fifth(0);
    for (RecordingProvider* provider : {&a, &b, &c, &d, &fifth}) RegisterFileProvider(provider);
    EXPECT_EQ(CheckFileAccess("x", 0), 1);
    EXPECT_TRUE(fifth.accessModes.empty());
}

TEST_F(ConfigTest, DiskProviderRefusesAssetNamesInAnyCase) {
    for (const char* directory : {"ASSETS", "dir", "dir/Assets"}) MakeDirectory(directory);
    if (CaseSensitiveFileNames()) MakeDirectory("assets");
    WriteFile("ASSETS/a.txt", "1");
    WriteFile("assets/b.txt", "2");
    WriteFile("dir/Assets/c.txt", "3");
    DiskFileProvider& disk = GetDiskFileProvider();
    EXPECT_EQ(disk.Open("ASSETS/a.txt", "rb"), nullptr);
    EXPECT_EQ(disk.Open("assets/b.txt", "rb"), nullptr);
    EXPECT_EQ(disk.Access("aSsEtS/b.txt", 0), -1);
    EXPECT_NE(disk.Open("dir/Assets/c.txt", "rb"), nullptr);
    EXPECT_EQ(disk.Access("dir/Assets/c.txt", 4), 0);
    EXPECT_EQ(disk.Access("dir/missing.txt", 0), -1);
}

TEST_F(ConfigTest, DiskStreamWritesThroughItsBufferAndRefusesDirectories) {
    {
        auto stream = OpenFileForWrite("out.txt", "wb");
        ASSERT_NE(stream, nullptr);
        const std::string big(DiskFileStream::kBufferSize + 100, 'z');
        EXPECT_EQ(stream->Write(big.data(), 1, big.size()), big.size());
        EXPECT_TRUE(stream->Flush());
    }
    EXPECT_EQ(ReadFile("out.txt").size(), DiskFileStream::kBufferSize + 100);

    MakeDirectory("folder");
    EXPECT_EQ(OpenFileForRead("folder", "rb"), nullptr);
    EXPECT_EQ(OpenFileForWrite("folder", "ab+"), nullptr);

    DiskFileStream detached("none", nullptr);
    char byte = 0;
    EXPECT_FALSE(detached.IsOpen() || detached.Flush() || detached.Read(&byte, 1, 1) != 0);
    EXPECT_EQ(detached.Contents(), nullptr);
}

}  // namespace
}  // namespace kor
