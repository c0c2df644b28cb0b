// Events the host delivers to the real plug-in: the login session and the
// player-preferences readiness (the two the service reacts to), and any
// other subscription it holds, with payloads drawn from fuzzed bytes. Some
// payloads are plain records no well-behaved host builds: a kind word
// outside the table, somewhere in the tree. Whatever arrives, the plug-in
// keeps serving: its readiness resource still answers afterwards.
#include <array>
#include <cstring>
#include <string_view>
#include <vector>

#include "fuzz/ServiceUnderFuzz.h"
#include "abi/EventKey.h"
#include "tools/hostkit/PlainArena.h"
#include "tools/hostkit/ResourceEvent.h"

namespace {

using kor::fuzz::ConsumeHostValue;
using kor::hostkit::HostValue;

constexpr std::array<std::string_view, 2> kWatchedPaths = {
    "/kor-login/v1/session", "/kor-player-preferences/v1/player-preferences-ready"};
constexpr std::array<std::string_view, 7> kSessionStates = {"SUCCEEDED", "IN_PROGRESS", "LOGGING_OUT", "ERROR",
                                                            "SUCCEEDED ", "", "succeeded"};

// A session record near the real ones: the fields the service reads, each
// of the right kind most of the time.
HostValue ConsumeSession(FuzzedDataProvider& input) {
    HostValue session = HostValue::Structure();
    const std::string_view state = kSessionStates[input.ConsumeIntegralInRange<std::size_t>(0, kSessionStates.size() - 1)];
    if (input.ConsumeBool()) session.Set("state", HostValue::String(std::string(state)));
    if (input.ConsumeBool()) session.Set("accountId", HostValue::Unsigned(input.ConsumeIntegralInRange<uint64_t>(0, 4)));
    if (input.ConsumeBool()) session.Set("summonerId", HostValue::Unsigned(input.ConsumeIntegral<uint64_t>()));
    if (input.ConsumeBool()) session.Set(kor::fuzz::ConsumeName(input), ConsumeHostValue(input, 2));
    return session;
}

HostValue ConsumePayload(FuzzedDataProvider& input, std::string_view path) {
    if (input.ConsumeIntegralInRange<int>(0, 7) == 0) return ConsumeHostValue(input);
    HostValue payload = HostValue::Structure();
    payload.Set("uri", HostValue::String(input.ConsumeBool() ? std::string(path) : input.ConsumeRandomLengthString(40)));
    const int type = input.ConsumeIntegralInRange<int>(0, 4);
    if (type < 3) {
        const auto known = static_cast<kor::hostkit::ResourceEventType>(type);
        payload.Set("eventType", HostValue::String(std::string(kor::hostkit::ResourceEventTypeName(known))));
    } else if (type == 3) {
        payload.Set("eventType", ConsumeHostValue(input, 1));
    }
    const int data = input.ConsumeIntegralInRange<int>(0, 2);
    const bool isSession = path == kWatchedPaths[0];
    payload.Set("data", data == 0   ? (isSession ? ConsumeSession(input) : HostValue::Bool(input.ConsumeBool()))
                        : data == 1 ? ConsumeHostValue(input, 3)
                                    : HostValue());
    return payload;
}

// Overwrites the kind word of one leaf record of the tree with a fuzzed
// word, so that the plug-in's reader meets unknown kinds; the arena's arrays
// stay reachable through their own kinds.
void DamageOneKind(FuzzedDataProvider& input, BindingPlainValue& root) {
    std::vector<BindingPlainValue*> records{&root};
    for (std::size_t i = 0; i < records.size(); ++i) {
        BindingPlainValue& record = *records[i];
        const bool list = record.kind == 9, members = record.kind == 10;
        const uint32_t count = list ? record.payload.collection.count : members ? record.payload.structure.count : 0;
        for (uint32_t k = 0; k < count; ++k) {
            records.push_back(list ? &record.payload.collection.items[k] : &record.payload.structure.members[k].value);
        }
    }
    BindingPlainValue& victim = *records[input.ConsumeIntegralInRange<std::size_t>(0, records.size() - 1)];
    if (victim.kind < 9) victim.kind = input.ConsumeIntegralInRange<uint32_t>(11, 0xFFFF);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    kor::testing::TestHost& host = kor::fuzz::ServiceHost();
    FuzzedDataProvider input(data, size);
    const auto subscriptions = host.table().subscriptions();
    KOR_FUZZ_CHECK(!subscriptions.empty(), "the plug-in subscribes to events");
    for (int d = input.ConsumeIntegralInRange<int>(1, 4); d > 0 && input.remaining_bytes() > 0; --d) {
        std::string_view path = kWatchedPaths[input.ConsumeIntegralInRange<std::size_t>(0, kWatchedPaths.size() - 1)];
        const std::string key = kor::EventKeyOf(path);
        const kor::hostkit::HostTable::Subscription* target = nullptr;
        if (input.ConsumeIntegralInRange<int>(0, 5) == 0) {
            target = &subscriptions[input.ConsumeIntegralInRange<std::size_t>(0, subscriptions.size() - 1)];
        } else {
            for (const auto& subscription : subscriptions) target = subscription.name == key ? &subscription : target;
        }
        if (target == nullptr || target->dispatch == nullptr) continue;
        kor::hostkit::PlainArena arena;
        BindingPlainValue payload = arena.Encode(ConsumePayload(input, path));
        if (input.ConsumeIntegralInRange<int>(0, 9) == 0) DamageOneKind(input, payload);
        PluginEvent event;
        std::memset(&event, 0, sizeof event);
        event.name = target->name.c_str();
        event.payload = payload;
        event.context = target->context;
        target->dispatch(&event);
    }
    auto ready = host.Call("GET", "/kor-game-settings/v1/ready");
    KOR_FUZZ_CHECK(ready.ok() && !ready.value()->failed(), "the readiness resource still answers");
    host.table().ClearRecords();
    return 0;
}
