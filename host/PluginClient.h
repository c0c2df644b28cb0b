#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "host/PluginAbi.h"

namespace kor {

class BindingRegistry;

// The abstract base of every plug-in: the bookkeeping that does not depend on
// how the host is reached (host handle, name, registry, event handlers and
// subscription counts, the shutting-down flag). It reaches the host only
// through the nine pure primitives (slots 4-12), which `Plugin` forwards to
// the host function table.
//
// The virtual slots are declared in their fixed order; derived classes must
// not reorder them.
//
// The event tables take no lock: subscription, handler registration and the
// host's dispatch calls must not overlap.
class PluginClient {
public:
    // A handler of a named host event; it receives the record as the host
    // delivered it, valid for the call only.
    using EventHandler = std::function<void(const PluginEvent& event)>;

    PluginClient() = default;
    PluginClient(const PluginClient&) = delete;
    PluginClient& operator=(const PluginClient&) = delete;

    // Slot 0: counts a subscription to the host event of a resource path; the
    // first one for the path's event key subscribes at the host.
    virtual void Subscribe(std::string_view resourcePath);
    // Slot 1: drops one; the last one for the key unsubscribes at the host.
    // Every Unsubscribe must follow a Subscribe of a path with the same key.
    virtual void Unsubscribe(std::string_view resourcePath);
    // Slot 2.
    virtual ~PluginClient();
    // Slot 3: unsubscribes every named handler at the host and clears all
    // tables.
    virtual void Shutdown();
    // Slots 4-12: the host primitives.
    virtual void SendRequest(PluginResponse* response, const PluginRequest* request) = 0;
    virtual void HostEntry1(uintptr_t first, uintptr_t second) = 0;
    virtual void FireEvent(const PluginEvent* event) = 0;
    virtual void SubscribeEvent(const char* name, uintptr_t handle, PluginDispatchFn dispatch, void* context,
                                uint32_t flags) = 0;
    virtual void UnsubscribeEvent(const char* name, uintptr_t handle) = 0;
    virtual void HostEntry5(uintptr_t first, uintptr_t second, uintptr_t third, uint64_t value,
                            uintptr_t fifth) = 0;
    virtual void Yield() = 0;
    virtual void BeginWait(const char* label, uintptr_t word) = 0;
    virtual uint64_t EndWait() = 0;

    // Stores `handler` under `name` (replacing an earlier one), then asks the
    // host to deliver the event through DispatchEvent with `flags`.
    void RegisterEventHandler(const std::string& name, EventHandler handler, uint32_t flags);
    bool HasEventHandler(std::string_view name) const;
    // The current count of an event key (0 when unknown).
    uint32_t SubscriptionCount(std::string_view key) const;

    // The dispatch function given to the host with every subscription: finds
    // the handler of the record's name on the client in the record's context
    // and calls it; an unknown name, a null record or context is ignored.
    // Never lets an exception out.
    static void DispatchEvent(const PluginEvent* event);

    // The name under which a resource's changes travel: the path's non-empty
    // segments after "OnJsonApiEvent", at most 4 entries (6 when the first
    // segment is "kor-platform-config"), joined with "_".
    static std::string EventKeyOf(std::string_view resourcePath);

    uintptr_t hostHandle() const { return hostHandle_; }
    const std::string& shortName() const { return shortName_; }
    BindingRegistry* clientRegistry() const { return registry_; }
    bool shuttingDown() const { return shuttingDown_; }
    void MarkShuttingDown() { shuttingDown_ = true; }

protected:
    void SetHostHandle(uintptr_t handle, std::string shortName);
    void SetClientRegistry(BindingRegistry* registry) { registry_ = registry; }

private:
    uintptr_t hostHandle_ = 0;
    std::string shortName_;
    BindingRegistry* registry_ = nullptr;
    std::map<std::string, EventHandler, std::less<>> handlers_;
    std::map<std::string, uint32_t, std::less<>> subscriptionCounts_;
    bool shuttingDown_ = false;
};

}  // namespace kor
