#include "tools/kor-host/DemoInstallation.h"

#include <filesystem>
#include <fstream>
#include <system_error>

namespace kor::korhost {
namespace {

constexpr std::string_view kDefaultGameCfg = R"(; Defaults of the demo installation. The game reads a setting here when
; the user's Config/Game.cfg does not set it.
[General]
GameMouseSpeed=12
WindowMode=1

[HUD]
ChatScale=100
GlobalScale=1.0000

[Volume]
MasterVolume=0.9000
MusicVolume=0.6000
)";

constexpr std::string_view kDefaultInputIni = R"(; Default key bindings of the demo installation.
[GameEvents]
evtCastSpell1=[q]
evtCastSpell2=[w]
evtCastSpell3=[e]
evtCastSpell4=[r]

[HUDEvents]
evtToggleFPSAndLatency=[Ctrl][f]
)";

constexpr std::string_view kUserGameCfg = R"(; Game settings of the demo player.
; Lines that start with ";" are comments; the game keeps them when it
; writes a value back.
[General]
GameMouseSpeed=14
EnableAudio=1
; windowed rather than full screen
WindowMode=1

[HUD]
ChatScale=90
ShowTimestamps=1 ; changed from the default
MapScrollSpeed=0.3000

[Volume]
MasterVolume=0.7500
MusicVolume=0.4000
SfxMute=0
)";

constexpr std::string_view kUserInputIni = R"(; Key bindings of the demo player.
[GameEvents]
evtCastSpell1=[q]
evtCastSpell2=[w]
; attack-move on a or x
evtPlayerAttackMove=[a],[x]
evtSelectSelf=[F1]
evtShowScoreBoard=[o]

[HUDEvents]
evtToggleFPSAndLatency=[Ctrl][f]

[Quickbinds]
evtCastSpell1smart=0
)";

}  // namespace

const std::vector<DemoFile>& DemoFiles() {
    static const std::vector<DemoFile> files = {
        {"DATA/CFG/defaults/Game.cfg", kDefaultGameCfg},
        {"DATA/CFG/defaults/Input.ini", kDefaultInputIni},
        {"Config/Game.cfg", kUserGameCfg},
        {"Config/Input.ini", kUserInputIni},
    };
    return files;
}

hostkit::Outcome<void> LayOutDemoInstallation(const std::string& root) {
    namespace fs = std::filesystem;
    for (const DemoFile& file : DemoFiles()) {
        const fs::path path = fs::path(root) / file.path;
        std::error_code error;
        if (fs::exists(path, error)) continue;
        fs::create_directories(path.parent_path(), error);
        if (error) return hostkit::Failure{"cannot create " + path.parent_path().string() + ": " + error.message()};
        std::ofstream out(path, std::ios::binary);
        out.write(file.text.data(), static_cast<std::streamsize>(file.text.size()));
        out.close();
        if (!out) return hostkit::Failure{"cannot write " + path.string()};
    }
    return {};
}

}  // namespace kor::korhost
