#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "abi/PluginAbi.h"
#include "tools/hostkit/Outcome.h"

namespace kor::hostkit {

// A plug-in API version as the context block carries it.
struct ApiVersion {
    uintptr_t major = 18;
    uintptr_t minor = 0;
    uintptr_t patch = 0;
};

// One loaded plug-in library: dlopen (LoadLibrary on Windows), the entry
// point called with a context block, and what the plug-in wrote back into
// it. Life cycle: Load ->
// Initialize (once) -> Shutdown (once) -> destruction, which shuts the
// plug-in down if nobody did (the shut-down callback is also what frees the
// plug-in object) and then closes the library.
class PluginLibrary {
public:
    // The name of the entry point every plug-in library exports.
    static constexpr const char* kEntryPoint = "load_kor_game_settings";

    // Opens `path` (the system loader's rules: dlopen searches for a name
    // without "/", LoadLibrary for one without a directory), calls the entry
    // point with `hostVersion` in words 0-2 and checks that the plug-in wrote
    // a callbacks table. Failures carry the loader's own text.
    static Outcome<std::unique_ptr<PluginLibrary>> Load(const std::string& path, ApiVersion hostVersion = {});

    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    const std::string& path() const { return path_; }
    // The context block as the entry point left it.
    const PluginHostContext& context() const { return context_; }
    ApiVersion pluginVersion() const;
    const PluginCallbacks* callbacks() const { return context_.callbacks; }
    void* plugin() const { return context_.plugin; }
    // The plug-in's name and API description; valid until Shutdown, empty
    // and null afterwards.
    std::string_view name() const;
    const PluginApiDescription* api() const;

    // Calls the initialize callback with `host`, once; returns its answer.
    // A second call, a call after Shutdown or a missing callback answer
    // false without calling anything. `host` must stay valid until Shutdown.
    bool Initialize(PluginHost* host);
    bool initialized() const { return initialized_; }

    // Calls the shut-down callback, once; later calls do nothing.
    void Shutdown();
    bool shutDown() const { return shutDown_; }

    // The memory statistics callback's fourteen words; fails when the
    // callback is missing or the plug-in has been shut down.
    Outcome<std::array<uint32_t, 14>> MemoryStats() const;

private:
    PluginLibrary(std::string path, void* handle) : path_(std::move(path)), handle_(handle) {}

    std::string path_;
    void* handle_;
    PluginHostContext context_{};
    bool initialized_ = false;
    bool shutDown_ = false;
};

}  // namespace kor::hostkit
