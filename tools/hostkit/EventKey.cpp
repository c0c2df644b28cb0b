#include "tools/hostkit/EventKey.h"

#include <cstddef>
#include <vector>

namespace kor::hostkit {
namespace {

constexpr std::string_view kEventPrefix = "OnJsonApiEvent";
constexpr std::string_view kPlatformConfig = "kor-platform-config";
constexpr std::size_t kKeptEntries = 4;           // the prefix and three segments
constexpr std::size_t kPlatformConfigEntries = 6; // the prefix and five segments

std::vector<std::string_view> Segments(std::string_view path) {
    std::vector<std::string_view> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (end > start) segments.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return segments;
}

}  // namespace

std::string EventKeyForPath(std::string_view path) {
    std::vector<std::string_view> entries{kEventPrefix};
    for (std::string_view segment : Segments(path)) entries.push_back(segment);
    const bool platformConfig = entries.size() > 1 && entries[1] == kPlatformConfig;
    const std::size_t kept = platformConfig ? kPlatformConfigEntries : kKeptEntries;
    if (entries.size() > kept) entries.resize(kept);

    std::string key;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i > 0) key += '_';
        key.append(entries[i]);
    }
    return key;
}

}  // namespace kor::hostkit
