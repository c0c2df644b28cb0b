#include "host/Plugin.h"

#include <cstdlib>
#include <limits>

#include "binding/BuiltinTypes.h"
#include "host/router/FunctionInvoke.h"
#include "abi/FunctionName.h"
#include "host/client/PluginManagerTypes.h"
#include "host/router/PluginResponseRecord.h"
#include "log/Log.h"
#include "log/Logger.h"
#include "log/MessageFormat.h"
#include "platform/CountingAllocator.h"

namespace kor {
namespace {

constexpr std::string_view kIncompatibleCore =
    "%1 which supports plugin API %2 is not compatible with core's plugin API %3";
constexpr const char* kIncompatibleCoreAlert = "ALE-EECF0606";
constexpr std::string_view kNoHost = "The plug-in has not been initialized by a host";

Plugin* PluginOf(void* context) { return static_cast<Plugin*>(context); }

uint8_t InitializeCallback(void* context, PluginHost* host) {
    if (context == nullptr) return 0;
    try {
        return PluginOf(context)->Initialize(host) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

void ShutdownCallback(void* context) {
    if (context == nullptr) return;
    Plugin* plugin = PluginOf(context);
    try {
        plugin->MarkShuttingDown();
        plugin->Shutdown();
    } catch (...) {
        // The object is destroyed whatever Shutdown ran into.
    }
    delete plugin;
}

void MemoryStatsCallback(void*, uint32_t* output) { WritePluginMemoryStats(output); }

// A word of the context block as a 32-bit version number; a word beyond 32
// bits is no version this plug-in can be compatible with.
uint32_t VersionWord(uintptr_t word, bool& fits) {
    if constexpr (sizeof(uintptr_t) > sizeof(uint32_t)) {
        if (word > std::numeric_limits<uint32_t>::max()) fits = false;
    }
    return static_cast<uint32_t>(word);
}

}  // namespace

Plugin::Plugin()
    : registry_(std::make_unique<BindingRegistry>()),
      callbacks_{&InitializeCallback, &ShutdownCallback, &MemoryStatsCallback} {
    // Builtins first: when they throw, nothing has been acquired yet.
    RegisterBuiltinTypes(*registry_);
    GetLogInterface()->acquire();
}

Plugin::~Plugin() {
    api_.reset();
    registry_.reset();
    tags_.clear();
    typeNamePrefix_.clear();
    name_ = PluginName();
    logTarget_.reset();
    GetLogInterface()->release();
}

// ---- Registration ----

void Plugin::CheckCoreVersion(const PluginHostContext& context, std::string_view shortName) {
    bool fits = true;
    PluginApiVersion core{VersionWord(context.apiMajor, fits), VersionWord(context.apiMinor, fits),
                          VersionWord(context.apiPatch, fits), {}, {}};
    const PluginApiVersion own = OwnPluginApiVersion();
    if (fits && IsCompatibleCoreVersion(core, own)) {
        coreVersion_ = core;
        return;
    }
    const std::string message = FormatMessage(kIncompatibleCore, shortName, own, core);
    LogError("%s", message.c_str());
    LogAssertionReport(kIncompatibleCoreAlert);
    std::abort();
}

void Plugin::Register(PluginHostContext* context, std::string_view shortName) {
    CheckCoreVersion(*context, shortName);
    name_ = GetFullNameFromShortNameAndType(shortName, BackendPluginKind());
    tags_ = {"Plugins", "Plugin " + std::string(shortName)};
    typeNamePrefix_ = MakeFunctionName("", shortName);
    SetClientRegistry(registry_.get());
    RegisterPluginManagerTypes(*registry_);
    RegisterApi();
    api_ = std::make_unique<ApiDescription>(*registry_, &InvokePluginFunction);

    const PluginApiVersion own = OwnPluginApiVersion();
    context->apiMajor = own.major;
    context->apiMinor = own.minor;
    context->apiPatch = own.patch;
    context->callbacks = &callbacks_;
    context->plugin = this;
    context->name = name_.shortName.c_str();
    context->api = api_->record();
}

// ---- Initialize ----

bool Plugin::Initialize(PluginHost* host) {
    if (host == nullptr || host->table == nullptr) return false;
    host_ = host;
    if (!logTarget_) logTarget_ = InstallPluginLogTarget(host->table);
    AttachToHost(host->handle, name_.shortName);
    return OnInitialized();
}

void Plugin::RegisterApi() {}

bool Plugin::OnInitialized() { return true; }

void Plugin::Shutdown() { PluginClient::Shutdown(); }

// ---- Host primitives ----
//
// Before Initialize there is no host table: a primitive called then does
// nothing (a request is answered with an error, a wait ends at once) rather
// than following a null pointer.

const PluginHostTable* Plugin::Table() const { return host_ != nullptr ? host_->table : nullptr; }

void Plugin::SendRequest(PluginResponse* response, const PluginRequest* request) {
    const PluginHostTable* table = Table();
    if (table != nullptr && table->sendRequest != nullptr) {
        table->sendRequest(table, response, request);
    } else if (response != nullptr) {
        PreparePluginResponse(response);
        SetResponseError(response, kNoHost, 0);
    }
}

void Plugin::HostEntry1(uintptr_t first, uintptr_t second) {
    const PluginHostTable* table = Table();
    if (table != nullptr && table->entry1 != nullptr) table->entry1(table, first, second);
}

void Plugin::FireEvent(const PluginEvent* event) {
    const PluginHostTable* table = Table();
    if (table != nullptr && table->fireEvent != nullptr) table->fireEvent(table, event);
}

void Plugin::SubscribeEvent(const char* name, uintptr_t handle, PluginDispatchFn dispatch, void* context,
                            uint32_t flags) {
    const PluginHostTable* table = Table();
    if (table != nullptr && table->subscribeEvent != nullptr) {
        table->subscribeEvent(table, name, handle, dispatch, context, flags);
    }
}

void Plugin::UnsubscribeEvent(const char* name, uintptr_t handle) {
    const PluginHostTable* table = Table();
    if (table != nullptr && table->unsubscribeEvent != nullptr) table->unsubscribeEvent(table, name, handle);
}

void Plugin::HostEntry5(uintptr_t first, uintptr_t second, uintptr_t third, uint64_t value, uintptr_t fifth) {
    const PluginHostTable* table = Table();
    if (table != nullptr && table->entry5 != nullptr) table->entry5(table, first, second, third, value, fifth);
}

void Plugin::Yield() {
    const PluginHostTable* table = Table();
    if (table != nullptr && table->yield != nullptr) table->yield(table);
}

void Plugin::BeginWait(const char* label, uintptr_t word) {
    const PluginHostTable* table = Table();
    if (table != nullptr && table->beginWait != nullptr) table->beginWait(table, label, word);
}

uint64_t Plugin::EndWait() {
    const PluginHostTable* table = Table();
    return table != nullptr && table->endWait != nullptr ? table->endWait(table) : 0;
}

// ---- Types of the plug-in ----

std::string Plugin::PluginTypeName(std::string_view name) const { return typeNamePrefix_ + std::string(name); }

BindingTypeBuilder Plugin::BeginPluginType(std::string_view name, uint32_t size, const StaticTypeId& typeId,
                                           bool isEnum) {
    BindingTypeBuilder builder = registry_->BeginType(PluginTypeName(name), size, typeId, isEnum);
    for (const std::string& tag : tags_) builder.AddTag(tag);
    return builder;
}

// ---- Memory statistics ----

void WritePluginMemoryStats(uint32_t* output) noexcept {
    if (output == nullptr) return;
    const platform::MemoryCounters counters = platform::ReadMemoryCounters();
    const uint64_t values[6] = {counters.peakBytes,  counters.blocksAtPeak, counters.bytesAllocated,
                                counters.allocations, counters.bytesFreed,  counters.frees};
    for (int index = 0; index < 6; ++index) {
        output[2 * index] = static_cast<uint32_t>(values[index]);
        output[2 * index + 1] = static_cast<uint32_t>(values[index] >> 32);
    }
    output[12] = 0;
    output[13] = 0;
}

}  // namespace kor
