#include "host/client/ResourceListeners.h"

namespace kor {

bool MatchesResourcePattern(std::string_view pattern, std::string_view uri) {
    std::size_t p = 0;
    std::size_t u = 0;
    while (p < pattern.size() && u < uri.size()) {
        if (pattern[p] == '*') {
            while (u < uri.size() && uri[u] != '/') ++u;
            ++p;
        } else if (pattern[p] == uri[u]) {
            ++p;
            ++u;
        } else {
            return false;
        }
    }
    return p == pattern.size() && u == uri.size();
}

void ResourceListeners::Add(std::string_view pathOrPattern, ResourceListener listener) {
    if (pathOrPattern.find('*') != std::string_view::npos) {
        patterns_.emplace_back(std::string(pathOrPattern), std::move(listener));
    } else {
        exact_[std::string(pathOrPattern)] = std::move(listener);
    }
}

std::vector<ResourceListener> ResourceListeners::ListenersFor(std::string_view uri) const {
    std::vector<ResourceListener> reached;
    auto exact = exact_.find(std::string(uri));
    if (exact != exact_.end() && exact->second) reached.push_back(exact->second);
    for (const auto& [pattern, listener] : patterns_) {
        if (listener && MatchesResourcePattern(pattern, uri)) reached.push_back(listener);
    }
    return reached;
}

void ResourceListeners::Clear() {
    exact_.clear();
    patterns_.clear();
}

}  // namespace kor
