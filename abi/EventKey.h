#pragma once

#include <string>
#include <string_view>

namespace kor {

// The name under which a resource's changes travel between host and
// plug-in: "OnJsonApiEvent" followed by the path's non-empty segments, at
// most 4 entries in all (6 when the first segment is "kor-platform-config"),
// joined with "_". A path and its sub-paths below that depth share a key:
// "/kor-login/v1/session" and "/kor-login/v1/session/extra" both give
// "OnJsonApiEvent_kor-login_v1_session".
std::string EventKeyOf(std::string_view resourcePath);

// The event name every resource event is sent under as well.
inline constexpr std::string_view kResourceEventName = "OnJsonApiEvent";

}  // namespace kor
