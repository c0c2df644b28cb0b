#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "abi/PluginAbi.h"
#include "tools/hostkit/HostValue.h"

namespace kor::hostkit {

// The host's side of the host function table. It owns a PluginHostTable
// whose ten entries are static trampolines, and the PluginHost {table,
// handle} given to the plug-in's initialize callback. Each trampoline finds
// this object again from the table pointer the plug-in passes back, and calls
// the virtual method of its entry; no exception ever leaves a trampoline
// (see OnEntryFailure).
//
// Subscriptions are kept here, before SubscribeEvent/UnsubscribeEvent are
// called, so DeliverEvent can reach the plug-in's dispatch function whatever
// a derived class does. The plug-in may call the entries from any thread:
// the subscription list has its own lock, overrides guard their own state.
// The object must outlive every use of the table by the plug-in, that is
// until the plug-in has been shut down (declare it before the PluginLibrary).
class HostTable {
public:
    explicit HostTable(uintptr_t handle = 1);
    virtual ~HostTable();
    HostTable(const HostTable&) = delete;
    HostTable& operator=(const HostTable&) = delete;

    // What the plug-in's initialize callback receives.
    PluginHost* host() { return &host_; }
    const PluginHostTable* table() const { return &slot_.table; }

    struct Subscription {
        std::string name;
        uintptr_t handle = 0;
        PluginDispatchFn dispatch = nullptr;
        void* context = nullptr;
        uint32_t flags = 0;
    };
    std::vector<Subscription> subscriptions() const;
    bool IsSubscribed(std::string_view name) const;

    // Delivers an event to every subscription of `name`: an event record
    // {name, payload, 0, the subscription's context} passed to its dispatch
    // function. The payload is lent for the call. Returns the number of
    // dispatch calls made (0 when nothing is subscribed to the name).
    std::size_t DeliverEvent(std::string_view name, const HostValue& payload);

protected:
    // Entry 0. `response` is zero-filled by the plug-in; answer with the
    // helpers of HostAnswer.h. The default answers 404 for every request.
    virtual void SendRequest(PluginResponse* response, const PluginRequest* request);
    // Entry 1; not called by the plug-in.
    virtual void Entry1(uintptr_t first, uintptr_t second);
    // Entry 2: an event the plug-in fires.
    virtual void FireEvent(const PluginEvent* event);
    // Entry 3, after the subscription was recorded.
    virtual void SubscribeEvent(const char* name, uintptr_t handle, PluginDispatchFn dispatch, void* context,
                                uint32_t flags);
    // Entry 4, after the subscription was removed.
    virtual void UnsubscribeEvent(const char* name, uintptr_t handle);
    // Entry 5; not called by the plug-in.
    virtual void Entry5(uintptr_t first, uintptr_t second, uintptr_t third, uint64_t value, uintptr_t fifth);
    // Entries 6-8: the plug-in waits for the host.
    virtual void Yield();
    virtual void BeginWait(const char* label, uintptr_t word);
    virtual uint64_t EndWait();
    // Entry 9: one log line.
    virtual void Log(int32_t level, const char* message);

    // An entry failed with an exception (or was called with arguments it
    // cannot use). The default writes one line to standard error. Whatever
    // this throws is swallowed.
    virtual void OnEntryFailure(std::string_view entry, std::string_view what);

private:
    // The table as first member of a standard-layout record, so that the
    // table pointer the plug-in passes back leads to the owner.
    struct Slot {
        PluginHostTable table;
        HostTable* owner;
    };
    static HostTable* Owner(const PluginHostTable* table);

    template <class Call>
    static std::optional<std::string> Guarded(const PluginHostTable* table, std::string_view entry, Call call);

    static void SendRequestEntry(const PluginHostTable* table, PluginResponse* response, const PluginRequest* request);
    static void Entry1Entry(const PluginHostTable* table, uintptr_t first, uintptr_t second);
    static void FireEventEntry(const PluginHostTable* table, const PluginEvent* event);
    static void SubscribeEventEntry(const PluginHostTable* table, const char* name, uintptr_t handle,
                                    PluginDispatchFn dispatch, void* context, uint32_t flags);
    static void UnsubscribeEventEntry(const PluginHostTable* table, const char* name, uintptr_t handle);
    static void Entry5Entry(const PluginHostTable* table, uintptr_t first, uintptr_t second, uintptr_t third,
                            uint64_t value, uintptr_t fifth);
    static void YieldEntry(const PluginHostTable* table);
    static void BeginWaitEntry(const PluginHostTable* table, const char* label, uintptr_t word);
    static uint64_t EndWaitEntry(const PluginHostTable* table);
    static void LogEntry(const PluginHostTable* table, int32_t level, const char* message);

    void AddSubscription(Subscription subscription);
    void RemoveSubscription(std::string_view name, uintptr_t handle);

    Slot slot_;
    PluginHost host_;
    mutable std::mutex mutex_;  // guards subscriptions_; the plug-in may call from any thread
    std::vector<Subscription> subscriptions_;
};

}  // namespace kor::hostkit
