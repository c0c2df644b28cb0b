#include "log/LogTarget.h"
#include "log/Logger.h"

#include <gtest/gtest.h>

namespace kor {
namespace {

// The target table hands the pattern text to other modules, which may still
// read it while another thread configures the target.
TEST(LogTargetPatternTest, PatternTextOutlivesAChangeOfPattern) {
    LogTarget target;
    const char* before = target.Interface()->pattern(target.Interface());
    LogTargetSettings settings;
    for (const char* pattern : {"#M", "#L| #M, with a pattern too long to sit inside a string object", "#M"}) {
        settings.pattern = pattern;
        target.Configure(settings);
    }
    target.Detach();
    EXPECT_STREQ(before, kDefaultLogPattern);
    DestroyLoggerForTesting();
}

}  // namespace
}  // namespace kor
