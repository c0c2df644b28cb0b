#include "tools/hostkit/PluginLibrary.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

#include <cstring>
#include <exception>

namespace kor::hostkit {
namespace {

using EntryPoint = void (*)(PluginHostContext*);

// The system's loader, as a host uses it: dlopen, or LoadLibrary on Windows.
#if defined(_WIN32)
std::string LastLoaderError() {
    const DWORD code = GetLastError();
    char* text = nullptr;
    const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length = FormatMessageA(flags, nullptr, code, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string message = length > 0 && text != nullptr ? std::string(text, length) : std::string();
    if (text != nullptr) LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) message.pop_back();
    return message.empty() ? "system error " + std::to_string(code) : message;
}
void* OpenLibrary(const std::string& path) { return reinterpret_cast<void*>(LoadLibraryA(path.c_str())); }
void* FindSymbol(void* handle, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle), name));
}
void CloseLibrary(void* handle) { FreeLibrary(static_cast<HMODULE>(handle)); }
#else
std::string LastLoaderError() {
    const char* text = dlerror();
    return text != nullptr ? text : "unknown dynamic loader error";
}
void* OpenLibrary(const std::string& path) {
    dlerror();  // clear a stale error
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}
void* FindSymbol(void* handle, const char* name) {
    dlerror();
    return dlsym(handle, name);
}
void CloseLibrary(void* handle) { dlclose(handle); }
#endif

}  // namespace

Outcome<std::unique_ptr<PluginLibrary>> PluginLibrary::Load(const std::string& path, ApiVersion hostVersion) {
    void* handle = OpenLibrary(path);
    if (handle == nullptr) return Failure{"cannot load plug-in library " + path + ": " + LastLoaderError()};
    std::unique_ptr<PluginLibrary> library(new PluginLibrary(path, handle));

    void* symbol = FindSymbol(handle, kEntryPoint);
    if (symbol == nullptr) {
        return Failure{"plug-in library " + path + " has no entry point " + kEntryPoint + ": " + LastLoaderError()};
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
    if (handle_ != nullptr) CloseLibrary(handle_);
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
