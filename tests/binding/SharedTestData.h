#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace kor::test {

// The folder of the public conformance suites: $KOR_SHARED_TESTDATA when it
// exists, else the first "shared/testdata" beside the source tree or one of
// its parents (a checkout has it next to the clone, a worktree further up).
// Empty when there is none.
inline std::filesystem::path SharedTestData() {
    namespace fs = std::filesystem;
    std::error_code error;
    if (const char* configured = std::getenv("KOR_SHARED_TESTDATA")) {
        if (fs::is_directory(configured, error)) return configured;
    }
    for (fs::path dir = fs::path(KOR_TEST_SOURCE_DIR).parent_path(); !dir.empty(); dir = dir.parent_path()) {
        const fs::path candidate = dir / "shared" / "testdata";
        if (fs::is_directory(candidate, error)) return candidate;
        if (dir == dir.parent_path()) break;
    }
    return {};
}

inline std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace kor::test
