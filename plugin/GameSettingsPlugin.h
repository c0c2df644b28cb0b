#pragma once

#include "host/Plugin.h"

namespace kor {

// The one concrete plug-in of the library: the game-settings service. The
// entry point constructs it and registers it as "kor-game-settings".
class GameSettingsPlugin : public Plugin {
public:
    static constexpr const char* kShortName = "kor-game-settings";

    GameSettingsPlugin() = default;
};

}  // namespace kor
