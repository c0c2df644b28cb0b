#include "tools/hostkit/PluginLibrary.h"

#include <dlfcn.h>

#include <cstring>
#include <exception>

namespace kor::hostkit {
namespace {

using EntryPoint = void (*)(PluginHostContext*);

std::string LastDlError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown dynamic loader error";
}

}  // namespace

Outcome<std::unique_ptr<PluginLibrary>> PluginLibrary::Load(const std::string& path, ApiVersion hostVersion) {
    dlerror();  // clear a stale error
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) return Failure{"cannot load plug-in library " + path + ": " + LastDlError()};
    std::unique_ptr<PluginLibrary> library(new PluginLibrary(path, handle));

    dlerror();
    void* symbol = dlsym(handle, kEntryPoint);
    if (symbol == nullptr) {
        return Failure{"plug-in library " + path + " has no entry point " + kEntryPoint + ": " + LastDlError()};
    }
    EntryPoint entry = reinterpret_cast<EntryPoint>(symbol);

    PluginHostContext& context = library->context_;
    std::memset(&context, 0, sizeof context);
    context.apiMajor = hostVersion.major;
    context.apiMinor = hostVersion.minor;
    context.apiPatch = hostVersion.patch;
    try {
        entry(&context);
    } catch (const std::exception& error) {
        std::memset(&context, 0, sizeof context);
        return Failure{"the entry point of " + path + " failed: " + error.what()};
    } catch (...) {
        std::memset(&context, 0, sizeof context);
        return Failure{"the entry point of " + path + " failed"};
    }
    if (context.callbacks == nullptr) {
        // Without callbacks the plug-in cannot be driven, nor shut down.
        return Failure{"the entry point of " + path + " returned no callbacks table"};
    }
    return library;
}

PluginLibrary::~PluginLibrary() {
    Shutdown();
    if (handle_ != nullptr) dlclose(handle_);
}

ApiVersion PluginLibrary::pluginVersion() const {
    return ApiVersion{context_.apiMajor, context_.apiMinor, context_.apiPatch};
}

std::string_view PluginLibrary::name() const {
    if (shutDown_ || context_.name == nullptr) return {};
    return context_.name;
}

const PluginApiDescription* PluginLibrary::api() const { return shutDown_ ? nullptr : context_.api; }

bool PluginLibrary::Initialize(PluginHost* host) {
    if (initialized_ || shutDown_) return false;
    if (context_.callbacks == nullptr || context_.callbacks->initialize == nullptr) return false;
    initialized_ = true;
    return context_.callbacks->initialize(context_.plugin, host) != 0;
}

void PluginLibrary::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    if (context_.callbacks != nullptr && context_.callbacks->shutdown != nullptr) {
        context_.callbacks->shutdown(context_.plugin);
    }
}

Outcome<std::array<uint32_t, 14>> PluginLibrary::MemoryStats() const {
    if (shutDown_) return Failure{"the plug-in has been shut down"};
    if (context_.callbacks == nullptr || context_.callbacks->memoryStats == nullptr) {
        return Failure{"the plug-in has no memory statistics callback"};
    }
    std::array<uint32_t, 14> words{};
    context_.callbacks->memoryStats(context_.plugin, words.data());
    return words;
}

}  // namespace kor::hostkit
