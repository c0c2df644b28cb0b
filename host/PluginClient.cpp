#include "host/PluginClient.h"

#include <vector>

#include "log/Log.h"

namespace kor {
namespace {

constexpr std::string_view kEventKeyHead = "OnJsonApiEvent";

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

PluginClient::~PluginClient() = default;

std::string PluginClient::EventKeyOf(std::string_view resourcePath) {
    const std::vector<std::string_view> segments = PathSegments(resourcePath);
    const std::size_t limit = !segments.empty() && segments.front() == "kor-platform-config" ? 6 : 4;
    std::string key(kEventKeyHead);
    for (std::size_t index = 0; index < segments.size() && index + 1 < limit; ++index) {
        key += '_';
        key += segments[index];
    }
    return key;
}

void PluginClient::Subscribe(std::string_view resourcePath) {
    const std::string key = EventKeyOf(resourcePath);
    if (++subscriptionCounts_[key] != 1) return;
    LogTrace("%s: Subscribing to event: %s", shortName_.c_str(), key.c_str());
    // The key is entered with an empty handler: dispatch ignores its events
    // until resource listeners are attached to it.
    RegisterEventHandler(key, EventHandler(), 0);
}

void PluginClient::Unsubscribe(std::string_view resourcePath) {
    const std::string key = EventKeyOf(resourcePath);
    auto count = subscriptionCounts_.find(key);
    if (count == subscriptionCounts_.end() || count->second == 0) return;  // unmatched: nothing to undo
    if (--count->second != 0) return;
    subscriptionCounts_.erase(count);
    UnsubscribeEvent(key.c_str(), hostHandle_);
    handlers_.erase(key);
    LogTrace("%s: Unsubscribing to event: %s", shortName_.c_str(), key.c_str());
}

void PluginClient::Shutdown() {
    for (const auto& [name, handler] : handlers_) UnsubscribeEvent(name.c_str(), hostHandle_);
    handlers_.clear();
    subscriptionCounts_.clear();
}

void PluginClient::RegisterEventHandler(const std::string& name, EventHandler handler, uint32_t flags) {
    handlers_[name] = std::move(handler);
    SubscribeEvent(name.c_str(), hostHandle_, &PluginClient::DispatchEvent, this, flags);
}

bool PluginClient::HasEventHandler(std::string_view name) const { return handlers_.find(name) != handlers_.end(); }

uint32_t PluginClient::SubscriptionCount(std::string_view key) const {
    auto count = subscriptionCounts_.find(key);
    return count != subscriptionCounts_.end() ? count->second : 0;
}

void PluginClient::DispatchEvent(const PluginEvent* event) {
    if (event == nullptr || event->context == nullptr || event->name == nullptr) return;
    try {
        auto* client = static_cast<PluginClient*>(event->context);
        auto handler = client->handlers_.find(std::string_view(event->name));
        if (handler == client->handlers_.end() || !handler->second) return;
        handler->second(*event);
    } catch (...) {
        // An event the plug-in cannot handle is dropped; the host is not told.
    }
}

void PluginClient::SetHostHandle(uintptr_t handle, std::string shortName) {
    hostHandle_ = handle;
    shortName_ = std::move(shortName);
}

}  // namespace kor
