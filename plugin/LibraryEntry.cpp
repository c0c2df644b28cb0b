// The library's only export: the host loads the library and calls this once.
#include <cstring>
#include <memory>

#include "abi/PluginAbi.h"
#include "host/PluginApiVersion.h"
#include "platform/Module.h"
#include "plugin/GameSettingsPlugin.h"

// The entry point is the library's only export: the linker's export list
// (a version script, or a module-definition file on Windows) names it, and
// on ELF it must also be visible.
#if defined(_WIN32)
#define KOR_ENTRY_POINT extern "C"
#else
#define KOR_ENTRY_POINT extern "C" __attribute__((visibility("default")))
#endif

namespace {

// What the host finds when no plug-in could be made: the plug-in's API
// version and no callbacks, so it knows not to drive one.
void WriteEmptyRegistration(PluginHostContext* context) {
    const kor::PluginApiVersion own = kor::OwnPluginApiVersion();
    std::memset(static_cast<void*>(context), 0, sizeof *context);
    context->apiMajor = own.major;
    context->apiMinor = own.minor;
    context->apiPatch = own.patch;
}

}  // namespace

KOR_ENTRY_POINT void load_kor_game_settings(PluginHostContext* context) {
    if (context == nullptr) return;
    try {
        kor::platform::KeepModuleLoaded();
        auto plugin = std::make_unique<kor::GameSettingsPlugin>();
        plugin->Register(context, kor::GameSettingsPlugin::kShortName);
        // From here on the host owns the plug-in through its shut-down
        // callback.
        plugin.release();
    } catch (...) {
        WriteEmptyRegistration(context);
    }
}
