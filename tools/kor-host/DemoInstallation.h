#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tools/hostkit/Outcome.h"

namespace kor::korhost {

// A small game installation to run the plug-in against when no real one is
// given: the defaults files "DATA/CFG/defaults/Game.cfg" and
// "DATA/CFG/defaults/Input.ini", and a user's "Config/Game.cfg" and
// "Config/Input.ini" with comments and a few values changed from the
// defaults. The plug-in finds them from the working directory, as in the
// client: kor-host runs with the installation's root as its working
// directory, and an installation without layout markers keeps its
// configuration in "Config/" under that root.
struct DemoFile {
    std::string_view path;  // relative to the installation's root
    std::string_view text;
};
const std::vector<DemoFile>& DemoFiles();

// Writes every demo file that does not exist yet under `root` (creating the
// directories), so a first run lays the installation out and later runs keep
// what the plug-in and the user changed. Fails naming the file that could not
// be written.
hostkit::Outcome<void> LayOutDemoInstallation(const std::string& root);

}  // namespace kor::korhost
