#include "tools/hostkit/HostTable.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string>

#include "abi/HttpStatus.h"
#include "abi/MethodNumbers.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/Outcome.h"
#include "tools/hostkit/PlainArena.h"

namespace kor::hostkit {

HostTable::HostTable(uintptr_t handle) {
    std::memset(&slot_.table, 0, sizeof slot_.table);
    slot_.table.sendRequest = &SendRequestEntry;
    slot_.table.entry1 = &Entry1Entry;
    slot_.table.fireEvent = &FireEventEntry;
    slot_.table.subscribeEvent = &SubscribeEventEntry;
    slot_.table.unsubscribeEvent = &UnsubscribeEventEntry;
    slot_.table.entry5 = &Entry5Entry;
    slot_.table.yield = &YieldEntry;
    slot_.table.beginWait = &BeginWaitEntry;
    slot_.table.endWait = &EndWaitEntry;
    slot_.table.log = &LogEntry;
    slot_.owner = this;
    host_.table = &slot_.table;
    host_.handle = handle;
}

HostTable::~HostTable() = default;

// ---- subscriptions ----------------------------------------------------------

std::vector<HostTable::Subscription> HostTable::subscriptions() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return subscriptions_;
}

bool HostTable::IsSubscribed(std::string_view name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::any_of(subscriptions_.begin(), subscriptions_.end(),
                       [&](const Subscription& subscription) { return subscription.name == name; });
}

void HostTable::AddSubscription(Subscription subscription) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (Subscription& existing : subscriptions_) {
        if (existing.name == subscription.name && existing.handle == subscription.handle) {
            existing = std::move(subscription);
            return;
        }
    }
    subscriptions_.push_back(std::move(subscription));
}

void HostTable::RemoveSubscription(std::string_view name, uintptr_t handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(subscriptions_, [&](const Subscription& subscription) {
        return subscription.name == name && subscription.handle == handle;
    });
}

std::size_t HostTable::DeliverEvent(std::string_view name, const HostValue& payload) {
    std::vector<Subscription> targets;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Subscription& subscription : subscriptions_) {
            if (subscription.name == name && subscription.dispatch != nullptr) targets.push_back(subscription);
        }
    }
    // Dispatched outside the lock: the plug-in may subscribe from its handler.
    PlainArena arena;
    const std::string eventName(name);
    const BindingPlainValue plain = arena.Encode(payload);
    for (const Subscription& target : targets) {
        PluginEvent event;
        std::memset(&event, 0, sizeof event);
        event.name = eventName.c_str();
        event.payload = plain;
        event.reserved = 0;
        event.context = target.context;
        target.dispatch(&event);
    }
    return targets.size();
}

// ---- default behaviour of the entries ----------------------------------------

void HostTable::SendRequest(PluginResponse* response, const PluginRequest* request) {
    std::string what = "no host resource serves ";
    what += MethodText(MethodFromNumber(request->method));
    what += ' ';
    what += request->url != nullptr ? request->url : "";
    AnswerError(response, what, http::kNotFound);
}

void HostTable::Entry1(uintptr_t, uintptr_t) {}
void HostTable::FireEvent(const PluginEvent*) {}
void HostTable::SubscribeEvent(const char*, uintptr_t, PluginDispatchFn, void*, uint32_t) {}
void HostTable::UnsubscribeEvent(const char*, uintptr_t) {}
void HostTable::Entry5(uintptr_t, uintptr_t, uintptr_t, uint64_t, uintptr_t) {}
void HostTable::Yield() {}
void HostTable::BeginWait(const char*, uintptr_t) {}
uint64_t HostTable::EndWait() { return 0; }
void HostTable::Log(int32_t, const char*) {}

void HostTable::OnEntryFailure(std::string_view entry, std::string_view what) {
    std::fprintf(stderr, "hostkit: host table entry %.*s failed: %.*s\n", static_cast<int>(entry.size()),
                 entry.data(), static_cast<int>(what.size()), what.data());
}

// ---- trampolines --------------------------------------------------------------

HostTable* HostTable::Owner(const PluginHostTable* table) {
    if (table == nullptr) return nullptr;
    return reinterpret_cast<const Slot*>(table)->owner;
}

// Runs `call` on the owner of `table`; an exception becomes a report through
// OnEntryFailure, and its text is returned.
template <class Call>
std::optional<std::string> HostTable::Guarded(const PluginHostTable* table, std::string_view entry, Call call) {
    HostTable* owner = Owner(table);
    if (owner == nullptr) return "null host table";
    std::string what;
    try {
        call(*owner);
        return std::nullopt;
    } catch (...) {
        what = ExceptionMessage(std::current_exception());
    }
    try {
        owner->OnEntryFailure(entry, what);
    } catch (...) {
        // Nothing more can be done without letting it reach the plug-in.
    }
    return what;
}

void HostTable::SendRequestEntry(const PluginHostTable* table, PluginResponse* response,
                                 const PluginRequest* request) {
    std::optional<std::string> failure = Guarded(table, "sendRequest", [&](HostTable& owner) {
        if (response == nullptr) throw std::invalid_argument("null response record");
        if (request == nullptr) {
            AnswerError(response, "null request record", http::kBadRequest);
        } else {
            owner.SendRequest(response, request);
        }
    });
    // The plug-in waits for an answer: a failing host still gives one, in
    // place of whatever it had written so far.
    if (failure && response != nullptr) {
        try {
            if (response->release != nullptr) response->release(response);
            std::memset(response, 0, sizeof *response);
            AnswerError(response, "the host failed to answer the request: " + *failure, http::kServerError);
        } catch (...) {
            // Out of memory: a static text that nobody frees still says it failed.
            static char outOfMemory[] = "the host ran out of memory answering the request";
            response->error = outOfMemory;
            response->errorFlag = 1;
            response->status = http::kServerError;
            response->release = nullptr;
        }
    }
}

void HostTable::Entry1Entry(const PluginHostTable* table, uintptr_t first, uintptr_t second) {
    Guarded(table, "entry1", [&](HostTable& owner) { owner.Entry1(first, second); });
}

void HostTable::FireEventEntry(const PluginHostTable* table, const PluginEvent* event) {
    Guarded(table, "fireEvent", [&](HostTable& owner) {
        if (event == nullptr) throw std::invalid_argument("null event record");
        owner.FireEvent(event);
    });
}

void HostTable::SubscribeEventEntry(const PluginHostTable* table, const char* name, uintptr_t handle,
                                    PluginDispatchFn dispatch, void* context, uint32_t flags) {
    Guarded(table, "subscribeEvent", [&](HostTable& owner) {
        if (name == nullptr) throw std::invalid_argument("null event name");
        owner.AddSubscription(Subscription{name, handle, dispatch, context, flags});
        owner.SubscribeEvent(name, handle, dispatch, context, flags);
    });
}

void HostTable::UnsubscribeEventEntry(const PluginHostTable* table, const char* name, uintptr_t handle) {
    Guarded(table, "unsubscribeEvent", [&](HostTable& owner) {
        if (name == nullptr) throw std::invalid_argument("null event name");
        owner.RemoveSubscription(name, handle);
        owner.UnsubscribeEvent(name, handle);
    });
}

void HostTable::Entry5Entry(const PluginHostTable* table, uintptr_t first, uintptr_t second, uintptr_t third,
                            uint64_t value, uintptr_t fifth) {
    Guarded(table, "entry5", [&](HostTable& owner) { owner.Entry5(first, second, third, value, fifth); });
}

void HostTable::YieldEntry(const PluginHostTable* table) {
    Guarded(table, "yield", [&](HostTable& owner) { owner.Yield(); });
}

void HostTable::BeginWaitEntry(const PluginHostTable* table, const char* label, uintptr_t word) {
    Guarded(table, "beginWait", [&](HostTable& owner) { owner.BeginWait(label != nullptr ? label : "", word); });
}

uint64_t HostTable::EndWaitEntry(const PluginHostTable* table) {
    uint64_t result = 0;
    Guarded(table, "endWait", [&](HostTable& owner) { result = owner.EndWait(); });
    return result;
}

void HostTable::LogEntry(const PluginHostTable* table, int32_t level, const char* message) {
    Guarded(table, "log", [&](HostTable& owner) { owner.Log(level, message != nullptr ? message : ""); });
}

}  // namespace kor::hostkit
