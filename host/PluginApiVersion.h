#pragma once

#include <string>

#include "log/MessageFormat.h"

namespace kor {

// The plug-in API version exchanged with the host core in the context block.
// Its text form is "major.minor.patch", then "-preRelease" and "+build" when
// those texts are not empty.
using PluginApiVersion = SemanticVersion;

// The API version this plug-in is built against: 18.0.0.
PluginApiVersion OwnPluginApiVersion();

// Whether a host core of version `core` can drive a plug-in built for
// `plugin`: the majors are equal and the core's (minor, patch) is not below
// the plug-in's. Pre-release and build texts play no part.
bool IsCompatibleCoreVersion(const PluginApiVersion& core, const PluginApiVersion& plugin);

inline std::string PluginApiVersionText(const PluginApiVersion& version) { return VersionText(version); }

}  // namespace kor
