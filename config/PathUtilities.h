#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kor {

// Paths inside the system hold at most this many characters.
inline constexpr std::size_t kMaxPathLength = 259;

// Rewrites `text` in place: every "\" becomes "/", and a "/" that follows a
// "/" is dropped unless the output is still shorter than two characters (a
// leading "//" stays). With `stripTrailing`, one final "/" is removed.
// Returns the new length.
std::size_t NormalizePathSeparators(std::string& text, bool stripTrailing);

// The same on a copy.
std::string NormalizedPath(std::string_view text, bool stripTrailing = false);

// Creates one directory. 0 on success or when the directory exists already,
// otherwise the system's error code.
int CreateSingleDirectory(std::string_view path);

// Creates `path` and every missing parent, from the top down. 0 on success
// (an existing directory included); otherwise the error code of the step that
// failed, which ends the walk.
int CreateDirectoryTree(std::string_view path);

// The directory that holds `path` (drive and directory part with their
// trailing separator). For a path that ends in a separator, the directory
// above it. An empty path gives the empty text. False (and `parent`
// untouched) when the path is longer than kMaxPathLength.
bool GetParentDirectory(std::string_view path, std::string& parent);

// Joins up to eight parts into one path with "/" separators (later parts are
// ignored). Empty parts are skipped; a part that starts with "/" or "\" or has
// ":" as its second character starts the path afresh; "\" becomes "/". The
// result holds at most kMaxPathLength characters: a part that does not fit
// ends the join, and the result is what was joined before it.
std::string JoinPath(std::initializer_list<std::string_view> parts);

}  // namespace kor
