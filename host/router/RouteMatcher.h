#pragma once

#include "host/router/RoutePattern.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kor {

// One route a call may be routed to: its compiled pattern and the method its
// handler binding accepts.
struct RouteCandidate {
    const RoutePattern* pattern = nullptr;
    uint32_t method = 0;             // 0 accepts every method
    std::string_view customMethod;   // compared as well; empty unless the method is 8
};

// A path parameter: the placeholder's name and its URL-decoded text.
struct RouteCapture {
    std::string name;
    std::string value;

    bool operator==(const RouteCapture&) const = default;
};

struct RouteMatch {
    std::size_t routeIndex = 0;  // into the candidate list
    std::vector<RouteCapture> captures;
};

// Whether a route's method accepts a request's: method 0 accepts all; any
// other must equal the request's, with equal custom method texts.
bool RouteMethodFits(uint32_t routeMethod, std::string_view routeCustomMethod, uint32_t requestMethod,
                     std::string_view requestCustomMethod);

// The best route for a call, or nothing. Among the routes whose pattern
// matches `path` and whose method fits, the one whose captured values are
// shortest in total wins; on a tie the earlier one stays, and a fitting route
// that captures nothing ends the search at once.
std::optional<RouteMatch> MatchRoute(std::span<const RouteCandidate> routes, uint32_t method,
                                     std::string_view customMethod, std::string_view path);

}  // namespace kor
