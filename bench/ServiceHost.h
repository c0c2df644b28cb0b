#pragma once

#include "tools/hostkit/HostTable.h"
#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/PluginLibrary.h"
#include "tools/hostkit/ResponseHolder.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kor::bench {

// The game installation the service workloads run in: a temporary directory
// holding "Config/Game.cfg" and "Config/Input.ini" (the player's values of
// every setting of the built-in default document), their defaults files
// under "DATA/CFG/defaults", and "Config/PersistedSettings.json" with the
// persisted settings' values. Removed at exit.
class Installation {
public:
    static const Installation& Instance();

    const std::string& root() const { return root_; }
    // The list of persisted settings the asset service hands out.
    static std::string_view PersistList();
    // The INI texts, as written (for the anchor, which reads the same files).
    static constexpr const char* kFiles[] = {"Config/Game.cfg", "Config/Input.ini", "DATA/CFG/defaults/Game.cfg",
                                             "DATA/CFG/defaults/Input.ini"};
    static constexpr const char* kPersisted = "Config/PersistedSettings.json";

private:
    Installation();
    ~Installation();
    std::string root_;
};

// Makes the installation the working directory while it lives (the service
// finds its files relative to it), and restores the previous one.
class InsideInstallation {
public:
    InsideInstallation();
    ~InsideInstallation();
    InsideInstallation(const InsideInstallation&) = delete;
    InsideInstallation& operator=(const InsideInstallation&) = delete;

private:
    std::string previous_;
};

// A host that loads the plug-in library once per process and drives it the
// way the client does: entry point, initialize, events through the dispatch
// functions, calls through the API description's function entries. It
// answers the host resources the service uses (the data store's owner
// record, the persisted-settings list asset, the player-preferences hash,
// and a server copy that is never newer: 304), and answers the rest 404.
class ServiceHost final : public hostkit::HostTable {
public:
    // The process's host, started, logged in and loaded once (the first
    // readiness update); null with `error` set when that failed.
    static ServiceHost* Instance(std::string& error);

    // A readiness update of the player-preferences service: the service
    // synchronises (hash, server copy 304, owner record) and loads the
    // settings.
    void PreferencesReady();

    // Calls the function of `method` on `path`, with a JSON body when given.
    std::unique_ptr<hostkit::ResponseHolder> Call(std::string_view method, std::string_view path,
                                                  std::string_view jsonBody = {});

    // Bytes in use at the peak of the plug-in's allocator, since the load
    // (the allocator serves the plug-in's own allocations; value pools take
    // whole pages from the operating system instead).
    std::optional<uint64_t> PeakBytes() const;

    // How far the process's resident set rose, at its peak, during the first
    // load of the settings (everything the load touched: allocator, pool
    // pages, file buffers); nothing when the system cannot tell.
    std::optional<long> FirstLoadResidentGrowthKb() const { return firstLoadGrowthKb_; }

protected:
    void SendRequest(PluginResponse* response, const PluginRequest* request) override;
    void OnEntryFailure(std::string_view entry, std::string_view what) override;

private:
    ServiceHost() = default;
    bool Start(std::string& error);
    bool Deliver(std::string_view path, const hostkit::HostValue& data);

    std::unique_ptr<hostkit::PluginLibrary> library_;
    std::optional<hostkit::HostValue> owner_;
    std::optional<long> firstLoadGrowthKb_;
};

}  // namespace kor::bench
