// A probe plug-in for kor-host's process tests. It speaks only the boundary
// header and shows what the host did to it: the resource events delivered
// to its subscriptions (recorded, and fired back as "OnProbeDelivered" so an
// event stream shows them), and whether two calls ever ran inside it at the
// same time.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "host/PluginAbi.h"

namespace {

constexpr const char* kSessionKey = "OnJsonApiEvent_kor-login_v1_session";
constexpr const char* kReadyKey = "OnJsonApiEvent_kor-player-preferences_v1_player-preferences-ready";

struct Probe {
    PluginCallbacks callbacks{};
    PluginHost* host = nullptr;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::mutex mutex;                    // the probe's own records, not the host's serialisation
    std::vector<std::string> delivered;  // "<event name> <eventType> <data>"
};

Probe* gProbe = nullptr;

// Counts a call running while another one is inside the plug-in.
struct Inside {
    explicit Inside(Probe& probe) : probe_(probe) {
        if (probe_.inside.fetch_add(1) != 0) probe_.overlaps.fetch_add(1);
    }
    ~Inside() { probe_.inside.fetch_sub(1); }
    Probe& probe_;
};

std::string PlainText(const BindingPlainValue& value) {
    switch (value.kind) {
        case 1:
            return value.payload.boolValue != 0 ? "true" : "false";
        case 2:
            return std::to_string(value.payload.signedValue);
        case 3:
            return std::to_string(value.payload.unsignedValue);
        case 5:
        case 6:
            return std::string(value.payload.string.text, value.payload.string.length);
        case 10: {
            std::string text = "{";
            for (uint32_t i = 0; i < value.payload.structure.count; ++i) {
                const BindingPlainMember& member = value.payload.structure.members[i];
                if (i > 0) text += ",";
                text += std::string(member.name) + "=" + PlainText(member.value);
            }
            return text + "}";
        }
        default:
            return "kind" + std::to_string(value.kind);
    }
}

const BindingPlainValue* Member(const BindingPlainValue& value, const char* name) {
    if (value.kind != 10) return nullptr;
    for (uint32_t i = 0; i < value.payload.structure.count; ++i) {
        if (std::strcmp(value.payload.structure.members[i].name, name) == 0) return &value.payload.structure.members[i].value;
    }
    return nullptr;
}

void Dispatch(const PluginEvent* event) {
    auto* probe = static_cast<Probe*>(event->context);
    if (probe == nullptr || probe->host == nullptr) return;
    Inside inside(*probe);
    const BindingPlainValue* type = Member(event->payload, "eventType");
    const BindingPlainValue* data = Member(event->payload, "data");
    const std::string line = std::string(event->name) + " " + (type != nullptr ? PlainText(*type) : "?") + " " +
                             (data != nullptr ? PlainText(*data) : "?");
    {
        std::lock_guard<std::mutex> lock(probe->mutex);
        probe->delivered.push_back(line);
    }
    BindingPlainValue payload{};
    payload.kind = 5;
    payload.payload.string.text = line.c_str();
    payload.payload.string.length = static_cast<uint32_t>(line.size());
    PluginEvent fired{};
    fired.name = "OnProbeDelivered";
    fired.payload = payload;
    probe->host->table->fireEvent(probe->host->table, &fired);
}

uint8_t Initialize(void* context, PluginHost* host) {
    auto* probe = static_cast<Probe*>(context);
    probe->host = host;
    host->table->subscribeEvent(host->table, kSessionKey, host->handle, &Dispatch, probe, 0);
    host->table->subscribeEvent(host->table, kReadyKey, host->handle, &Dispatch, probe, 0);
    return 1;
}

void Shutdown(void* context) {
    auto* probe = static_cast<Probe*>(context);
    if (probe->host != nullptr) {
        probe->host->table->unsubscribeEvent(probe->host->table, kSessionKey, probe->host->handle);
        probe->host->table->unsubscribeEvent(probe->host->table, kReadyKey, probe->host->handle);
    }
    gProbe = nullptr;
    delete probe;
}

void MemoryStats(void*, uint32_t* output) { std::memset(output, 0, 14 * sizeof(uint32_t)); }

// ---- functions ------------------------------------------------------------------

char* Copy(const std::string& text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    std::memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

void Release(PluginResponse* response) {
    if (response->value.kind == 9) {
        for (uint32_t i = 0; i < response->value.payload.collection.count; ++i) {
            std::free(const_cast<char*>(response->value.payload.collection.items[i].payload.string.text));
        }
        std::free(response->value.payload.collection.items);
    }
    std::memset(response, 0, sizeof *response);
}

// GET /probe/v1/delivered: the deliveries so far, as texts.
void InvokeDelivered(PluginResponse* response, const PluginRequest*) {
    Inside inside(*gProbe);
    std::vector<std::string> lines;
    {
        std::lock_guard<std::mutex> lock(gProbe->mutex);
        lines = gProbe->delivered;
    }
    auto* items = static_cast<BindingPlainValue*>(std::calloc(lines.size() + 1, sizeof(BindingPlainValue)));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        items[i].kind = 6;
        items[i].payload.string.text = Copy(lines[i]);
        items[i].payload.string.length = static_cast<uint32_t>(lines[i].size());
    }
    response->value.kind = 9;
    response->value.payload.collection.items = items;
    response->value.payload.collection.count = static_cast<uint32_t>(lines.size());
    response->release = &Release;
}

// POST /probe/v1/busy: stays inside the plug-in for a while.
void InvokeBusy(PluginResponse* response, const PluginRequest*) {
    Inside inside(*gProbe);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    response->value.kind = 1;
    response->value.payload.boolValue = 1;
    response->release = &Release;
}

// GET /probe/v1/overlaps: how often a call started while another was inside.
void InvokeOverlaps(PluginResponse* response, const PluginRequest*) {
    response->value.kind = 2;
    response->value.payload.signedValue = gProbe->overlaps.load();
    response->release = &Release;
}

const PluginFunctionEntry kFunctions[3] = {
    {{&kFunctions[1].record, 0, nullptr, "GetProbeV1Delivered", "Probe", nullptr, 0, 15, 12, "",
      "The resource events delivered so far", "", 0, "", nullptr, 0},
     &InvokeDelivered,
     {}},
    {{&kFunctions[2].record, 0, nullptr, "PostProbeV1Busy", "Probe", nullptr, 0, 1, 0, "", "Stays busy a while",
      "", 0, "", nullptr, 0},
     &InvokeBusy,
     {}},
    {{nullptr, 0, nullptr, "GetProbeV1Overlaps", "Probe", nullptr, 0, 8, 0, "", "Calls that overlapped", "", 0, "",
      nullptr, 0},
     &InvokeOverlaps,
     {}},
};

const PluginApiDescription kApi = {kFunctions, 3, nullptr, 0, nullptr, 0};

}  // namespace

extern "C" __attribute__((visibility("default"))) void load_kor_game_settings(PluginHostContext* context) {
    auto* probe = new Probe();
    gProbe = probe;
    probe->callbacks = PluginCallbacks{&Initialize, &Shutdown, &MemoryStats};
    context->apiMajor = 18;
    context->apiMinor = 0;
    context->apiPatch = 0;
    context->callbacks = &probe->callbacks;
    context->plugin = probe;
    context->name = "probe";
    context->api = &kApi;
}
