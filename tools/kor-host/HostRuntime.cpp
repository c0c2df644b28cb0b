#include "tools/kor-host/HostRuntime.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "tools/kor-host/DemoInstallation.h"

namespace kor::korhost {
namespace {

namespace fs = std::filesystem;
using hostkit::Failure;
using hostkit::Outcome;

constexpr const char* kLibraryName = "libkor_game_settings.so";
constexpr const char* kDatabaseName = "kor-host.sqlite";
constexpr const char* kDemoFolder = "game";

Outcome<std::string> Absolute(const std::string& path) {
    std::error_code error;
    fs::path absolute = fs::absolute(path, error);
    if (error) return Failure{"cannot resolve " + path + ": " + error.message()};
    return absolute.lexically_normal().string();
}

Outcome<std::string> PrepareWorkFolder(const std::string& workDir) {
    Outcome<std::string> folder = Absolute(workDir);
    if (!folder) return folder;
    std::error_code error;
    fs::create_directories(folder.value(), error);
    if (error || !fs::is_directory(folder.value())) {
        return Failure{"cannot create the work folder " + folder.value() + (error ? ": " + error.message() : "")};
    }
    return folder;
}

Outcome<std::string> PrepareGameDirectory(const Options& options, const std::string& workFolder) {
    if (options.gameDir) {
        Outcome<std::string> given = Absolute(*options.gameDir);
        if (!given) return given;
        if (!fs::is_directory(given.value())) return Failure{"no game installation at " + given.value()};
        return given;
    }
    const std::string demo = (fs::path(workFolder) / kDemoFolder).string();
    if (Outcome<void> laidOut = LayOutDemoInstallation(demo); !laidOut) return Failure{laidOut.error()};
    return demo;
}

}  // namespace

std::string DefaultLibraryPath() {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    if (!error) {
        const fs::path beside = self.parent_path() / kLibraryName;
        if (fs::exists(beside, error)) return beside.string();
    }
#ifdef KOR_HOST_BUILT_LIBRARY
    if (fs::exists(KOR_HOST_BUILT_LIBRARY, error)) return KOR_HOST_BUILT_LIBRARY;
#endif
    return kLibraryName;
}

Outcome<std::unique_ptr<HostRuntime>> HostRuntime::Start(const Options& options) {
    std::unique_ptr<HostRuntime> runtime(new HostRuntime());

    Outcome<std::string> workFolder = PrepareWorkFolder(options.workDir);
    if (!workFolder) return Failure{workFolder.error()};
    auto database = StateDatabase::Open((fs::path(workFolder.value()) / kDatabaseName).string());
    if (!database) return Failure{database.error()};
    runtime->database_ = std::move(database).value();
    runtime->state_ = std::make_unique<HostState>(*runtime->database_);
    runtime->services_ = std::make_unique<HostServices>(*runtime->database_, *runtime->state_);
    runtime->table_ = std::make_unique<KorHostTable>(*runtime->services_, runtime->events_);
    runtime->runner_ = std::make_unique<PluginRunner>(*runtime->table_);
    runtime->control_ = std::make_unique<HostControl>(*runtime->runner_, *runtime->state_, runtime->events_);

    // Resolved before the working directory changes.
    // A bare name stays bare: dlopen searches for it.
    std::string libraryPath = options.library.value_or(DefaultLibraryPath());
    Outcome<std::string> library =
        libraryPath.find('/') == std::string::npos ? Outcome<std::string>(libraryPath) : Absolute(libraryPath);
    if (!library) return Failure{library.error()};
    Outcome<std::string> game = PrepareGameDirectory(options, workFolder.value());
    if (!game) return Failure{game.error()};
    runtime->gameDirectory_ = game.value();
    std::error_code error;
    fs::current_path(runtime->gameDirectory_, error);
    if (error) return Failure{"cannot enter " + runtime->gameDirectory_ + ": " + error.message()};

    if (Outcome<void> loaded = runtime->runner_->Load(library.value()); !loaded) {
        return Failure{"cannot load the plug-in " + library.value() + ": " + loaded.error()};
    }
    if (!runtime->runner_->Initialize()) return Failure{"the plug-in failed to initialise"};
    if (Outcome<void> resumed = runtime->control_->ResumeSession(); !resumed) {
        return Failure{"cannot resume the stored session: " + resumed.error()};
    }
    return runtime;
}

HostRuntime::~HostRuntime() {
    if (runner_) runner_->Shutdown();
}

}  // namespace kor::korhost
