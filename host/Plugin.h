#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "binding/BindingRegistry.h"
#include "host/ApiDescription.h"
#include "abi/PluginAbi.h"
#include "host/PluginApiVersion.h"
#include "host/PluginClient.h"
#include "host/PluginLogTarget.h"
#include "host/PluginName.h"

namespace kor {

// The plug-in base of the frame: implements the host primitives by
// forwarding to the host function table, owns the registry (with the builtin
// types from its creation on), the log target, the names and the API
// description, and offers the two hooks a concrete plug-in overrides.
//
// Life cycle, driven by the host: the entry point constructs the concrete
// plug-in and calls Register; the host calls the initialize callback
// (Initialize), later the shut-down callback, which runs Shutdown and
// destroys the object. The host primitives may be used only after
// Initialize: before it there is no host.
class Plugin : public PluginClient {
public:
    Plugin();
    ~Plugin() override;

    // Slot 3: the client's Shutdown.
    void Shutdown() override;
    // Slots 4-12: each calls its host table entry with the table first.
    void SendRequest(PluginResponse* response, const PluginRequest* request) override;
    void HostEntry1(uintptr_t first, uintptr_t second) override;
    void FireEvent(const PluginEvent* event) override;
    void SubscribeEvent(const char* name, uintptr_t handle, PluginDispatchFn dispatch, void* context,
                        uint32_t flags) override;
    void UnsubscribeEvent(const char* name, uintptr_t handle) override;
    void HostEntry5(uintptr_t first, uintptr_t second, uintptr_t third, uint64_t value, uintptr_t fifth) override;
    void Yield() override;
    void BeginWait(const char* label, uintptr_t word) override;
    uint64_t EndWait() override;
    // Slot 13: registers the plug-in's own types, functions and resources.
    // The base registers nothing.
    virtual void RegisterApi();
    // Slot 14: starts the plug-in's work once the host is known; false tells
    // the host that initialisation failed. The base returns true.
    virtual bool OnInitialized();

    // Registration, called once by the entry point. Checks the host core's
    // version in context words 0-2 (an incompatible core ends the process
    // after the "ALE-EECF0606" assertion report), builds the names, tags and
    // type-name prefix, registers the plug-in-manager types and events, calls
    // RegisterApi, builds the API description, and only then writes the
    // context's return words. May throw (out of memory); the context is then
    // left as it was.
    void Register(PluginHostContext* context, std::string_view shortName);

    // The initialize callback's work: keeps the host, routes the logger to it
    // (once per process), takes the host handle, creates the telemetry sink,
    // registers the service-proxy handlers, runs OnInitialized. A null
    // host (or one without a table) is refused with false and changes
    // nothing.
    bool Initialize(PluginHost* host);

    BindingRegistry& registry() { return *registry_; }
    const BindingRegistry& registry() const { return *registry_; }
    const PluginName& name() const { return name_; }
    const PluginApiVersion& coreVersion() const { return coreVersion_; }
    const std::string& typeNamePrefix() const { return typeNamePrefix_; }
    const std::vector<std::string>& tags() const { return tags_; }
    PluginHost* host() const { return host_; }
    const PluginCallbacks* callbacks() const { return &callbacks_; }
    const PluginApiDescription* apiDescription() const { return api_ ? api_->record() : nullptr; }
    // The log target this plug-in installed; null when another plug-in of
    // the process had already installed one, or before Initialize.
    const PluginLogTarget* logTarget() const { return logTarget_.get(); }

    // The registered name of a plug-in type: the type-name prefix + `name`.
    std::string PluginTypeName(std::string_view name) const;
    // Starts registering a type of the plug-in under PluginTypeName(name),
    // tagged with the plug-in's tags.
    BindingTypeBuilder BeginPluginType(std::string_view name, uint32_t size, const StaticTypeId& typeId,
                                       bool isEnum);

private:
    const PluginHostTable* Table() const;
    void CheckCoreVersion(const PluginHostContext& context, std::string_view shortName);

    PluginApiVersion coreVersion_;
    std::unique_ptr<PluginLogTarget> logTarget_;
    PluginName name_;
    std::string typeNamePrefix_;
    std::vector<std::string> tags_;
    std::unique_ptr<BindingRegistry> registry_;
    PluginHost* host_ = nullptr;
    PluginCallbacks callbacks_;
    std::unique_ptr<ApiDescription> api_;
};

// Writes the fourteen words of the memory statistics callback: the six
// counters of the plug-in's allocator (peak bytes, blocks at peak, bytes
// allocated, allocations, bytes freed, frees), each as two words, low word
// first, then two zero words. Null does nothing.
void WritePluginMemoryStats(uint32_t* output) noexcept;

}  // namespace kor
