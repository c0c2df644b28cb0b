#include "host/router/RouteMatcher.h"

#include "host/router/UrlDecoding.h"

namespace kor {
namespace {

std::size_t TotalLength(const std::vector<RouteCapture>& captures) {
    std::size_t total = 0;
    for (const RouteCapture& capture : captures) total += capture.value.size();
    return total;
}

}  // namespace

bool RouteMethodFits(uint32_t routeMethod, std::string_view routeCustomMethod, uint32_t requestMethod,
                     std::string_view requestCustomMethod) {
    if (routeMethod == 0) return true;
    return routeMethod == requestMethod && routeCustomMethod == requestCustomMethod;
}

std::optional<RouteMatch> MatchRoute(std::span<const RouteCandidate> routes, uint32_t method,
                                     std::string_view customMethod, std::string_view path) {
    std::optional<RouteMatch> best;
    std::size_t bestLength = 0;
    std::vector<std::string_view> raw;
    for (std::size_t index = 0; index < routes.size(); ++index) {
        const RouteCandidate& route = routes[index];
        if (route.pattern == nullptr || !route.pattern->Match(path, raw)) continue;
        if (!RouteMethodFits(route.method, route.customMethod, method, customMethod)) continue;

        RouteMatch match;
        match.routeIndex = index;
        const std::vector<RoutePlaceholder>& placeholders = route.pattern->placeholders();
        for (std::size_t group = 0; group < raw.size() && group < placeholders.size(); ++group) {
            match.captures.push_back(RouteCapture{placeholders[group].name, UrlDecode(raw[group])});
        }
        const std::size_t length = TotalLength(match.captures);
        if (!best || length < bestLength) {
            best = std::move(match);
            bestLength = length;
        }
        if (best->captures.empty()) break;
    }
    return best;
}

}  // namespace kor
