#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace kor {

enum class InstallLayout : int32_t {
    kPatcher = 0,          // inside the patcher's release tree, under "PLMX"
    kClient = 1,           // the client's directory; the game is its sibling "Game"
    kDevelopmentTree = 2,  // a game source tree
    kUndetermined = 3,     // no layout scored highest alone
};

// What one marker looks for, relative to the working directory.
enum class MarkerTest {
    kTextInLowerCasedDirectory,  // `name` occurs in the lower-cased directory text
    kTextInDirectory,            // `name` occurs in the directory text, exact case
    kDirectoryHere,              // `name` is a directory inside the working directory
    kFileHere,                   // `name` is a non-directory inside it
    kDirectoryInParent,          // `name` is a directory beside the working directory
    kFileInParent,               // `name` is a non-directory beside it
};

// One scored test. A marker with `prerequisite` >= 0 counts only when the
// marker at that index of the same table held.
struct LayoutMarker {
    InstallLayout layout;
    MarkerTest test;
    const char* name;
    int weight;
    int prerequisite = -1;
};

// The markers this deployment scores. None are shipped, so every score is 0
// and the layout is undetermined; a deployment that needs detection fills in
// its own markers here.
std::span<const LayoutMarker> DeployedLayoutMarkers();

// Scores `markers` against `workingDirectory` ("/" separators). The layout
// whose score is strictly greater than both others wins; any tie for the
// highest score gives kUndetermined.
InstallLayout DetectInstallLayout(std::string_view workingDirectory,
                                  std::span<const LayoutMarker> markers);

// The game's installation root for a layout:
// - patcher: the directory cut before its last "/PLMX" when that is followed
//   by "/" or ends the text;
// - client: the sibling directory "Game" of the working directory;
// - development tree and undetermined: the working directory itself.
std::string InstallRootFor(InstallLayout layout, std::string_view workingDirectory);

}  // namespace kor
