#include "config/InstallLayout.h"

#include "config/PathUtilities.h"
#include "config/TextUtilities.h"
#include "platform/FileSystem.h"

#include <array>
#include <vector>

namespace kor {
namespace {

bool MarkerHolds(const LayoutMarker& marker, std::string_view workingDirectory) {
    switch (marker.test) {
        case MarkerTest::kTextInLowerCasedDirectory:
            return ToLowerAscii(workingDirectory).find(marker.name) != std::string::npos;
        case MarkerTest::kTextInDirectory:
            return workingDirectory.find(marker.name) != std::string_view::npos;
        case MarkerTest::kDirectoryHere:
            return platform::IsDirectory(JoinPath({workingDirectory, marker.name}));
        case MarkerTest::kFileHere:
            return platform::IsNonDirectory(JoinPath({workingDirectory, marker.name}));
        case MarkerTest::kDirectoryInParent:
            return platform::IsDirectory(JoinPath({workingDirectory, "..", marker.name}));
        case MarkerTest::kFileInParent:
            return platform::IsNonDirectory(JoinPath({workingDirectory, "..", marker.name}));
    }
    return false;
}

std::string PatcherRoot(std::string_view workingDirectory) {
    std::string root = NormalizedPath(workingDirectory, false);
    const std::size_t at = FindLast(root, "/PLMX");
    if (at == std::string::npos) return root;
    const std::size_t after = at + 5;
    if (after == root.size() || root[after] == '/') root.resize(at);
    return root;
}

std::string ClientRoot(std::string_view workingDirectory) {
    std::string root = NormalizedPath(workingDirectory, true);
    const std::size_t separator = root.rfind('/');
    root.resize(separator == std::string::npos ? 0 : separator + 1);
    return root + "Game";
}

}  // namespace

std::span<const LayoutMarker> DeployedLayoutMarkers() {
    return {};
}

InstallLayout DetectInstallLayout(std::string_view workingDirectory,
                                  std::span<const LayoutMarker> markers) {
    std::array<int, 3> scores{};
    std::vector<bool> held(markers.size(), false);
    for (std::size_t i = 0; i < markers.size(); ++i) {
        const LayoutMarker& marker = markers[i];
        const auto layout = static_cast<std::size_t>(marker.layout);
        if (layout >= scores.size()) continue;
        if (marker.prerequisite >= 0) {
            const auto required = static_cast<std::size_t>(marker.prerequisite);
            if (required >= i || !held[required]) continue;
        }
        held[i] = MarkerHolds(marker, workingDirectory);
        if (held[i]) scores[layout] += marker.weight;
    }
    for (std::size_t layout = 0; layout < scores.size(); ++layout) {
        bool highestAlone = true;
        for (std::size_t other = 0; other < scores.size(); ++other) {
            if (other != layout && scores[other] >= scores[layout]) highestAlone = false;
        }
        if (highestAlone) return static_cast<InstallLayout>(layout);
    }
    return InstallLayout::kUndetermined;
}

std::string InstallRootFor(InstallLayout layout, std::string_view workingDirectory) {
    switch (layout) {
        case InstallLayout::kPatcher:
            return PatcherRoot(workingDirectory);
        case InstallLayout::kClient:
            return ClientRoot(workingDirectory);
        case InstallLayout::kDevelopmentTree:
        case InstallLayout::kUndetermined:
            break;
    }
    return std::string(workingDirectory);
}

}  // namespace kor
