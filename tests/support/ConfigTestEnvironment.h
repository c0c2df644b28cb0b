#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace kor::testing {

// Every config test runs in a fresh temporary directory that is also the
// working directory, with the disk provider registered and every
// process-wide configuration state reset before and after.
class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Paths are relative to the temporary directory unless absolute.
    static void WriteFile(const std::string& path, std::string_view bytes);
    static std::string ReadFile(const std::string& path);
    static bool Exists(const std::string& path);
    static void MakeDirectory(const std::string& path);
    // Whether names that differ only in letter case are different files
    // here (not on Windows, nor on most of its file systems).
    static bool CaseSensitiveFileNames();
    // The bytes a text-mode write of `text` leaves in a file: each line
    // break becomes CR LF on Windows.
    static std::string TextModeBytes(std::string_view text);

    const std::string& Root() const { return root_; }

private:
    std::string root_;
    std::string previousDirectory_;
};

// A new, empty directory under the system's temporary directory, named
// from `prefix`; unique even for directories made in the same clock tick.
std::filesystem::path MakeFreshDirectory(std::string_view prefix);

// Resets the provider table, the cached locations and the process-wide cache.
void ResetConfigState();

}  // namespace kor::testing
