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

// A game installation the service runs in: a temporary directory holding
// "Config/Game.cfg" and "Config/Input.ini" (the player's values of every
// setting of the built-in default document), their defaults files
// under "DATA/CFG/defaults", and "Config/PersistedSettings.json" with the
// persisted settings' values. Removed when destroyed.
class Installation {
public:
    Installation();
    ~Installation();
    Installation(const Installation&) = delete;
    Installation& operator=(const Installation&) = delete;

    // The installation of the loaded library's service, removed at exit.
    static const Installation& Instance();

    const std::string& root() const { return root_; }
    // The list of persisted settings the asset service hands out.
    static std::string_view PersistList();
    // The INI texts, as written (for the anchor, which reads the same files).
    static constexpr const char* kFiles[] = {"Config/Game.cfg", "Config/Input.ini", "DATA/CFG/defaults/Game.cfg",
                                             "DATA/CFG/defaults/Input.ini"};
    static constexpr const char* kPersisted = "Config/PersistedSettings.json";

private:
    std::string root_;
};

// Makes an installation the working directory while it lives (the service
// finds its files relative to it), and restores the previous one.
class InsideInstallation {
public:
    explicit InsideInstallation(const Installation& installation = Installation::Instance());
    ~InsideInstallation();
    InsideInstallation(const InsideInstallation&) = delete;
    InsideInstallation& operator=(const InsideInstallation&) = delete;

private:
    std::string previous_;
};

// A host that drives the plug-in the way the client does: entry point,
// initialize, events through the dispatch functions, calls through the API
// description's function entries. It
// answers the host resources the service uses (the data store's owner
// record, the persisted-settings list asset, the player-preferences hash,
// and a server copy that is never newer: 304), and answers the rest 404.
class ServiceHost final : public hostkit::HostTable {
public:
    // The process's host, started, logged in and loaded once (the first
    // readiness update); null with `error` set when that failed.
    static ServiceHost* Instance(std::string& error);

    // A host, started, logged in and loaded, of the plug-in built into this
    // executable rather than loaded from its library: its trees share this
    // process's page source. Run inside the installation it is to use; it
    // shuts the plug-in down when destroyed. Null with `error` set when the
    // start failed.
    static std::unique_ptr<ServiceHost> StartInProcess(std::string& error);

    ~ServiceHost() override;

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

    std::unique_ptr<hostkit::PluginLibrary> library_;  // null when the plug-in is built in
    PluginHostContext ownContext_{};                    // the built-in plug-in's context block
    std::optional<hostkit::HostValue> owner_;
    std::optional<long> firstLoadGrowthKb_;
};

}  // namespace kor::bench
