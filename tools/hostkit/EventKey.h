#pragma once

#include <string>
#include <string_view>

namespace kor::hostkit {

// The event name under which changes of the resource at `path` travel, and
// under which the plug-in subscribes to them: "OnJsonApiEvent" followed by
// the path's first three non-empty segments, joined with "_" (five segments
// under "kor-platform-config"). "/kor-login/v1/session" gives
// "OnJsonApiEvent_kor-login_v1_session"; deeper paths share the key of their
// first three segments.
std::string EventKeyForPath(std::string_view path);

}  // namespace kor::hostkit
