#pragma once

#include <cstdint>
#include <string_view>

namespace kor::hostkit {

// The six-character name of a log level as the plug-in's logger prints it:
// 0 "  OKAY", 1 "  WARN", 2 " ERROR", 3 "ALWAYS"; "     ?" for any other
// level, so that a line from a newer plug-in still lines up.
std::string_view LogLevelName(int32_t level);

}  // namespace kor::hostkit
