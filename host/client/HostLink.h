#pragma once

#include <cstdint>
#include <string>

#include "abi/PluginAbi.h"

namespace kor {

class BindingRegistry;

// The host primitives the client's parts reach the host through. The
// plug-in frame implements them over the host function table; a test can
// implement them alone.
class HostLink {
public:
    virtual void SendRequest(PluginResponse* response, const PluginRequest* request) = 0;
    virtual void FireEvent(const PluginEvent* event) = 0;
    virtual void SubscribeEvent(const char* name, uintptr_t handle, PluginDispatchFn dispatch, void* context,
                                uint32_t flags) = 0;
    virtual void UnsubscribeEvent(const char* name, uintptr_t handle) = 0;
    virtual void Yield() = 0;
    virtual void BeginWait(const char* label, uintptr_t word) = 0;
    virtual uint64_t EndWait() = 0;

protected:
    ~HostLink() = default;
};

// Who the client is, shared by its parts: the host handle every request and
// subscription carries, the short name in its trace lines, and the registry
// its values convert with. Filled in once the host is known.
struct ClientIdentity {
    uintptr_t hostHandle = 0;
    std::string shortName;
    BindingRegistry* registry = nullptr;
};

}  // namespace kor
