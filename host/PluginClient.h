#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "abi/PluginAbi.h"
#include "host/client/EventTable.h"
#include "host/client/HostLink.h"
#include "host/client/PluginManagerTypes.h"
#include "host/client/RequestClient.h"
#include "host/client/ServiceProxy.h"

namespace kor {

class BindingRegistry;
class TelemetrySink;

// The abstract base of every plug-in: the virtual slots the boundary fixes,
// over the client's parts it composes: the request client, the event table,
// the service proxy and the telemetry sink. It reaches the host only through
// the nine pure primitives (slots 4-12), which `Plugin` forwards to the host
// function table and which the parts reach through a HostLink.
//
// The virtual slots are declared in their fixed order; derived classes must
// not reorder them.
class PluginClient {
public:
    PluginClient();
    PluginClient(const PluginClient&) = delete;
    PluginClient& operator=(const PluginClient&) = delete;

    // Slot 0: see EventTable::Subscribe.
    virtual void Subscribe(std::string_view resourcePath);
    // Slot 1: see EventTable::Unsubscribe.
    virtual void Unsubscribe(std::string_view resourcePath);
    // Slot 2.
    virtual ~PluginClient();
    // Slot 3: unsubscribes every named handler at the host and clears all
    // tables, the service proxy's included.
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

    RequestClient& requests() { return requests_; }
    EventTable& events() { return events_; }
    const EventTable& events() const { return events_; }
    ServiceProxy& serviceProxy() { return serviceProxy_; }
    const ServiceProxy& serviceProxy() const { return serviceProxy_; }
    // The telemetry sink; created at initialize (or on first use).
    TelemetrySink& telemetry();

    uintptr_t hostHandle() const { return identity_.hostHandle; }
    const std::string& shortName() const { return identity_.shortName; }
    BindingRegistry* clientRegistry() const { return identity_.registry; }
    bool shuttingDown() const { return shuttingDown_; }
    void MarkShuttingDown() { shuttingDown_ = true; }

protected:
    void SetClientRegistry(BindingRegistry* registry) { identity_.registry = registry; }
    // The client's part of initialize, once the host is known: the host
    // handle and name, the telemetry sink, the service-proxy handlers
    // ("OnServiceProxyUuidEvent", "OnServiceProxyMethodEvent",
    // "OnServiceProxyAsyncEvent", flags 1).
    void AttachToHost(uintptr_t handle, std::string shortName);

private:
    // The parts reach the host primitives through this, never through the
    // slots' table directly, so the slots keep their order.
    class Link final : public HostLink {
    public:
        explicit Link(PluginClient& client) : client_(client) {}
        void SendRequest(PluginResponse* response, const PluginRequest* request) override {
            client_.SendRequest(response, request);
        }
        void FireEvent(const PluginEvent* event) override { client_.FireEvent(event); }
        void SubscribeEvent(const char* name, uintptr_t handle, PluginDispatchFn dispatch, void* context,
                            uint32_t flags) override {
            client_.SubscribeEvent(name, handle, dispatch, context, flags);
        }
        void UnsubscribeEvent(const char* name, uintptr_t handle) override { client_.UnsubscribeEvent(name, handle); }
        void Yield() override { client_.Yield(); }
        void BeginWait(const char* label, uintptr_t word) override { client_.BeginWait(label, word); }
        uint64_t EndWait() override { return client_.EndWait(); }

    private:
        PluginClient& client_;
    };

    void RegisterServiceProxyHandlers();

    ClientIdentity identity_;
    Link link_{*this};
    RequestClient requests_{link_, identity_};
    EventTable events_{link_, identity_, requests_};
    ServiceProxy serviceProxy_;
    std::unique_ptr<TelemetrySink> telemetry_;
    bool shuttingDown_ = false;
};

}  // namespace kor
