#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "binding/Fnv1a.h"
#include "host/client/PluginManagerTypes.h"

namespace kor {

// A listener of resource-change events.
using ResourceListener = std::function<void(const PluginResourceEvent& event)>;

// Whether `uri` matches `pattern`. Pattern and uri are walked together: a
// character other than "*" must equal the uri's; a "*" consumes uri
// characters up to (not including) the next "/" or the end, and is left
// behind at a "/". They match when both are consumed at the same time: so
// /a/*/c matches /a/b/c and /a//c but not /a/b/x/c, and a trailing "*" needs
// at least one character (/a/* matches /a/b, not /a/).
bool MatchesResourcePattern(std::string_view pattern, std::string_view uri);

// The resource listeners of a plug-in: one exact listener per resource path
// (a later one replaces it) and the pattern listeners (paths with "*") in
// the order they were added. No lock: used on the plug-in's working thread.
class ResourceListeners {
public:
    // A path containing "*" is a pattern; any other is exact.
    void Add(std::string_view pathOrPattern, ResourceListener listener);

    // The listeners an event for `uri` reaches: the exact listener of `uri`,
    // then every matching pattern listener in insertion order. They are
    // copies, so a listener may add listeners (or clear the tables) while
    // the event is being delivered.
    std::vector<ResourceListener> ListenersFor(std::string_view uri) const;

    void Clear();
    std::size_t exactCount() const { return exact_.size(); }
    std::size_t patternCount() const { return patterns_.size(); }

private:
    struct PathHash {
        std::size_t operator()(const std::string& path) const { return Fnv1aHash(path); }
    };

    std::unordered_map<std::string, ResourceListener, PathHash> exact_;
    std::vector<std::pair<std::string, ResourceListener>> patterns_;
};

}  // namespace kor
