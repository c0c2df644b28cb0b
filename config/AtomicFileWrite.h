#pragma once

#include <string>
#include <string_view>

namespace kor {

// Writes `bytes` as the whole new content of `path`, through the file access
// layer: first into a temporary file beside it, which replaces `path` only
// once every byte is written. On failure `path` is left exactly as it was and
// the temporary file is removed. `mode` is the stdio mode for the temporary
// file ("wb", or "w" for text that takes the platform's line endings).
// Where the system refuses to replace a file that another process holds open
// (Windows, without delete sharing), `path` is rewritten in place instead,
// with a warning in the log: that way alone is not all-or-nothing
// (platform::ReplaceOrRewriteFile).
bool WriteFileAtomically(std::string_view path, std::string_view bytes, const char* mode = "wb");

// The temporary file WriteFileAtomically uses for `path`.
std::string TemporaryPathFor(std::string_view path);

}  // namespace kor
