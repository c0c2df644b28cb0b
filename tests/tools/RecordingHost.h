#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tools/hostkit/HostTable.h"
#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/PlainValueReader.h"

namespace kor::hostkit::testing {

// A host table that records every entry the plug-in calls and answers
// requests from per-URL routes (unrouted URLs get the kit's default answer).
class RecordingHost : public HostTable {
public:
    using Route = std::function<void(PluginResponse*, const PluginRequest*)>;

    struct LogLine {
        int32_t level;
        std::string message;
    };
    struct FiredEvent {
        std::string name;
        HostValue payload;
        std::string payloadError;  // set when the payload did not read
        void* context;
    };
    struct SeenRequest {
        uint32_t method;
        std::string url;
        std::vector<std::pair<std::string, HostValue>> arguments;  // unnamed: ""
        uintptr_t callWord;
    };
    struct EntryFailure {
        std::string entry;
        std::string what;
    };

    explicit RecordingHost(uintptr_t handle = 7) : HostTable(handle) {}

    std::map<std::string, Route> routes;
    std::vector<LogLine> logs;
    std::vector<FiredEvent> fired;
    std::vector<SeenRequest> requests;
    std::vector<std::string> waitLabels;
    std::vector<EntryFailure> failures;
    int yields = 0;
    int endWaits = 0;
    int subscribeCalls = 0;
    int unsubscribeCalls = 0;

    const FiredEvent* FindFired(const std::string& name) const {
        for (const FiredEvent& event : fired) {
            if (event.name == name) return &event;
        }
        return nullptr;
    }

protected:
    void SendRequest(PluginResponse* response, const PluginRequest* request) override {
        SeenRequest seen{request->method, request->url != nullptr ? request->url : "", {}, request->callWord};
        for (uint32_t i = 0; i < request->argCount; ++i) {
            Outcome<HostValue> value = ReadPlainValue(request->args[i].value);
            seen.arguments.emplace_back(request->args[i].name != nullptr ? request->args[i].name : "",
                                        value.ok() ? value.value() : HostValue::String("<unreadable>"));
        }
        requests.push_back(seen);
        auto route = routes.find(seen.url);
        if (route == routes.end()) {
            HostTable::SendRequest(response, request);
        } else {
            route->second(response, request);
        }
    }

    void FireEvent(const PluginEvent* event) override {
        Outcome<HostValue> payload = ReadPlainValue(event->payload);
        fired.push_back(FiredEvent{event->name != nullptr ? event->name : "", payload.ok() ? payload.value() : HostValue(),
                                   payload.error(), event->context});
    }

    void SubscribeEvent(const char*, uintptr_t, PluginDispatchFn, void*, uint32_t) override { ++subscribeCalls; }
    void UnsubscribeEvent(const char*, uintptr_t) override { ++unsubscribeCalls; }
    void Yield() override { ++yields; }
    void BeginWait(const char* label, uintptr_t) override { waitLabels.emplace_back(label); }
    uint64_t EndWait() override {
        ++endWaits;
        return 0;
    }
    void Log(int32_t level, const char* message) override { logs.push_back(LogLine{level, message}); }
    void OnEntryFailure(std::string_view entry, std::string_view what) override {
        failures.push_back(EntryFailure{std::string(entry), std::string(what)});
    }
};

}  // namespace kor::hostkit::testing
