#include "abi/EventKey.h"

#include <vector>

namespace kor {
namespace {

constexpr std::string_view kPlatformConfigSegment = "kor-platform-config";

std::vector<std::string_view> PathSegments(std::string_view path) {
    std::vector<std::string_view> segments;
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        std::string_view segment = path.substr(0, slash);
        if (!segment.empty()) segments.push_back(segment);
        if (slash == std::string_view::npos) break;
        path.remove_prefix(slash + 1);
    }
    return segments;
}

}  // namespace

std::string EventKeyOf(std::string_view resourcePath) {
    const std::vector<std::string_view> segments = PathSegments(resourcePath);
    const std::size_t entries = !segments.empty() && segments.front() == kPlatformConfigSegment ? 6 : 4;
    std::string key(kResourceEventName);
    for (std::size_t index = 0; index < segments.size() && index + 1 < entries; ++index) {
        key += '_';
        key += segments[index];
    }
    return key;
}

}  // namespace kor
