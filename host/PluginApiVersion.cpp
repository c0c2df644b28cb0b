#include "host/PluginApiVersion.h"

namespace kor {

PluginApiVersion OwnPluginApiVersion() { return PluginApiVersion{18, 0, 0, {}, {}}; }

bool IsCompatibleCoreVersion(const PluginApiVersion& core, const PluginApiVersion& plugin) {
    if (core.major != plugin.major) return false;
    if (core.minor != plugin.minor) return core.minor > plugin.minor;
    return core.patch >= plugin.patch;
}

}  // namespace kor
