#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kor {

// One file of a set that is replaced together: its whole new content and the
// stdio mode of its temporary file ("wb", or "w" for text that takes the
// platform's line endings). The bytes must outlive the replacement.
struct FileReplacement {
    std::string path;
    std::string_view bytes;
    const char* mode = "wb";
};

enum class ReplaceResult {
    kReplaced,   // every file holds its new content
    kUntouched,  // failed before any rename: every file as it was, no temporary left
    kPartly,     // a rename failed after an earlier one had succeeded
};

struct ReplaceOutcome {
    ReplaceResult result = ReplaceResult::kReplaced;
    std::size_t failed = 0;  // the file that failed, when one did
};

// Replaces every file of `files` by its new content, through the file access
// layer, as nearly all at once as a file system allows: each new content goes
// into a temporary file beside its target and is flushed to the disk, and
// only once every temporary is complete are they renamed over their targets,
// in order. A target that exists but is not a plain file (a directory, a
// link, a device) fails the whole set before anything is written. Whatever
// fails, no temporary file stays behind. Where the system refuses to replace
// a file that another process holds open (Windows, without delete sharing),
// that target is rewritten in place instead, with a warning in the log: that
// way alone is not all-or-nothing (platform::ReplaceOrRewriteFile).
ReplaceOutcome ReplaceFilesTogether(const std::vector<FileReplacement>& files);

// The same for one file: `path` is replaced only by a complete new version
// and is otherwise left exactly as it was.
bool WriteFileAtomically(std::string_view path, std::string_view bytes, const char* mode = "wb");

// The temporary file a replacement of `path` uses.
std::string TemporaryPathFor(std::string_view path);

}  // namespace kor
