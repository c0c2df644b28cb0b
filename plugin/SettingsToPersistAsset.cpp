#include "plugin/SettingsToPersistAsset.h"

#include <string>
#include <string_view>
#include <vector>

#include "config/AtomicFileWrite.h"
#include "config/ConfigLocations.h"
#include "config/PathUtilities.h"
#include "abi/MethodNumbers.h"
#include "host/client/RequestClient.h"
#include "log/Log.h"

namespace kor {
namespace {

constexpr std::string_view kAssetPath = "/kor-game-data/assets/v1/SettingsToPersist.json";

constexpr const char* kRequestFailed = "Error requesting default SettingsToPersist data: %s";
constexpr const char* kReadFailed = "Error reading default SettingsToPersist data: %s";
constexpr const char* kCannotOpen = "Couldn't open %s";

// Replaces the file whole or not at all, so a failed write keeps the list
// fetched by an earlier start.
bool StoreAsset(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::string directory;
    if (GetParentDirectory(path, directory) && !directory.empty()) CreateDirectoryTree(directory);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return WriteFileAtomically(path, text, "wb");
}

}  // namespace

void FetchSettingsToPersist(RequestClient& requests) {
    RequestResult<ResponseStreamHandle> stream = requests.RequestStream(PluginMethod::Get, kAssetPath);
    if (!stream.ok()) {
        LogError(kRequestFailed, stream.error().message.c_str());
        return;
    }
    RequestResult<std::vector<uint8_t>> bytes = requests.ReadStreamIntoBytes(stream.value());
    if (!bytes.ok()) {
        LogError(kReadFailed, bytes.error().message.c_str());
        return;
    }
    const std::string path = GetDefaultPersistedSettingsListPath();
    if (!StoreAsset(path, bytes.value())) LogError(kCannotOpen, path.c_str());
}

}  // namespace kor
