// The game may hold its configuration files open while the settings are
// written. Windows then refuses to replace them (the holder did not allow
// deletion), and the write goes into the file itself.
#include "support/ConfigTestEnvironment.h"

#include "config/AtomicFileWrite.h"
#include "log/Log.h"
#include "support/LogCapture.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <cstdio>
#endif

namespace kor {
namespace {

using testing::ConfigTest;

TEST_F(ConfigTest, WriteSucceedsWhileAnotherHandleHoldsTheFile) {
    WriteFile("Game.cfg", "[General]\nold=1 and a longer tail\n");
#if defined(_WIN32)
    // Read and write sharing, but no delete sharing, as a reader may open it.
    HANDLE held = CreateFileA("Game.cfg", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    constexpr bool kRewrittenInPlace = true;
#else
    std::FILE* held = std::fopen("Game.cfg", "rb");
    ASSERT_NE(held, nullptr);
    constexpr bool kRewrittenInPlace = false;  // a rename replaces an open file here
#endif
    testing::LogCapture log;
    EXPECT_TRUE(WriteFileAtomically("Game.cfg", "[General]\nnew=2\n"));
    EXPECT_EQ(ReadFile("Game.cfg"), "[General]\nnew=2\n");
    EXPECT_FALSE(Exists(TemporaryPathFor("Game.cfg")));
    EXPECT_EQ(log.LoggedContaining("Game.cfg is held open elsewhere and was rewritten in place.", kLogWarn),
              kRewrittenInPlace);
#if defined(_WIN32)
    CloseHandle(held);
#else
    std::fclose(held);
#endif
}

}  // namespace
}  // namespace kor
