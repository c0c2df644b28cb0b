#pragma once

#include <functional>

namespace kor::testing {

// Whether RunWithFileSizeLimit works here: it needs fork and a file-size
// resource limit, which Windows has neither of.
#if defined(_WIN32)
inline constexpr bool kCanLimitFileSize = false;
#else
inline constexpr bool kCanLimitFileSize = true;
#endif
inline constexpr const char* kNoFileSizeLimit = "needs fork and RLIMIT_FSIZE, which this system lacks";

// Runs `body` in a child process whose files cannot grow beyond `bytes`
// (writes past it fail instead of raising a signal), so a test can see how
// code copes with a full disk. Returns the child's exit code: body's
// result, or -1 when the child did not exit normally or could not start.
int RunWithFileSizeLimit(long bytes, const std::function<int()>& body);

}  // namespace kor::testing
