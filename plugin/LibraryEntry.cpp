// The library's only export: the host loads the library and calls this once.
#include <cstring>
#include <memory>

#include "host/PluginAbi.h"
#include "host/PluginApiVersion.h"
#include "plugin/GameSettingsPlugin.h"

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

extern "C" __attribute__((visibility("default"))) void load_kor_game_settings(PluginHostContext* context) {
    if (context == nullptr) return;
    try {
        auto plugin = std::make_unique<kor::GameSettingsPlugin>();
        plugin->Register(context, kor::GameSettingsPlugin::kShortName);
        // From here on the host owns the plug-in through its shut-down
        // callback.
        plugin.release();
    } catch (...) {
        WriteEmptyRegistration(context);
    }
}
