#include "support/ConfigTestEnvironment.h"

#include "config/ConfigFileCache.h"
#include "config/ConfigLocations.h"
#include "config/DiskFileProvider.h"
#include "config/FileAccess.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace kor::testing {

void ResetConfigState() {
    ResetFileProvidersForTesting();
    ResetConfigLocationsForTesting();
    ConfigFileCache::ResetForTesting();
}

void ConfigTest::SetUp() {
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    previousDirectory_ = cwd;
    char pattern[] = "/tmp/kor-config-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    root_ = pattern;
    ASSERT_EQ(chdir(root_.c_str()), 0);
    ResetConfigState();
    RegisterFileProvider(&GetDiskFileProvider());
}

void ConfigTest::TearDown() {
    ResetConfigState();
    EXPECT_EQ(chdir(previousDirectory_.c_str()), 0);
    EXPECT_EQ(std::system(("rm -rf '" + root_ + "'").c_str()), 0);
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
    struct stat info {};
    return stat(path.c_str(), &info) == 0;
}

void ConfigTest::MakeDirectory(const std::string& path) {
    ASSERT_EQ(mkdir(path.c_str(), 0777), 0) << path;
}

}  // namespace kor::testing
