#include "support/ConfigTestEnvironment.h"

#include "config/ConfigFileCache.h"
#include "config/ConfigLocations.h"
#include "config/DiskFileProvider.h"
#include "config/FileAccess.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

namespace kor::testing {

void ResetConfigState() {
    ResetFileProvidersForTesting();
    ResetConfigLocationsForTesting();
    ConfigFileCache::ResetForTesting();
}

namespace fs = std::filesystem;

fs::path MakeFreshDirectory(std::string_view prefix) {
    static std::atomic<unsigned> counter{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    for (;;) {
        fs::path candidate = fs::temp_directory_path() /
                             (std::string(prefix) + std::to_string(stamp) + "-" + std::to_string(counter++));
        if (fs::create_directory(candidate)) return candidate;
    }
}

void ConfigTest::SetUp() {
    previousDirectory_ = fs::current_path().string();
    const fs::path root = MakeFreshDirectory("kor-config-");
    fs::current_path(root);
    // As the system reports the working directory, with "/" separators,
    // so tests can compare it with the paths the code builds.
    root_ = fs::current_path().generic_string();
    ResetConfigState();
    RegisterFileProvider(&GetDiskFileProvider());
}

void ConfigTest::TearDown() {
    ResetConfigState();
    std::error_code error;
    fs::current_path(previousDirectory_, error);
    EXPECT_FALSE(error) << error.message();
    fs::remove_all(root_, error);
    EXPECT_FALSE(error) << error.message();
}

void ConfigTest::WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    ASSERT_TRUE(out) << path;
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ConfigTest::ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

bool ConfigTest::Exists(const std::string& path) {
    std::error_code error;
    return fs::exists(path, error);
}

void ConfigTest::MakeDirectory(const std::string& path) {
    std::error_code error;
    ASSERT_TRUE(fs::create_directory(path, error)) << path << ": " << error.message();
}

bool ConfigTest::CaseSensitiveFileNames() {
    WriteFile("case-probe", "");
    const bool sensitive = !Exists("CASE-PROBE");
    std::error_code ignored;
    fs::remove("case-probe", ignored);
    return sensitive;
}

std::string ConfigTest::TextModeBytes(std::string_view text) {
#if defined(_WIN32)
    std::string bytes;
    for (char c : text) {
        if (c == '\n') bytes += '\r';
        bytes += c;
    }
    return bytes;
#else
    return std::string(text);
#endif
}

}  // namespace kor::testing
