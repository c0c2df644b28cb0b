#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "abi/PluginAbi.h"
#include "tools/hostkit/FunctionRoutes.h"
#include "tools/hostkit/HostTable.h"
#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/Outcome.h"
#include "tools/hostkit/PluginLibrary.h"
#include "tools/kor-host/CallAnswer.h"

namespace kor::korhost {

// The answer to a call while no plug-in is running (not loaded, not
// initialised or shut down): 503.
CallAnswer PluginNotRunning();

// The loaded plug-in and the one lock that serialises every call into it.
//
// The plug-in takes no lock of its own and expects the host to call it one
// call at a time: initialize, each function call, each event delivery and
// shut-down all run under the plug-in lock here. The plug-in's own requests
// to the host come back on the same thread inside those calls; the host
// table's entries must therefore never take this lock (see KorHostTable).
// A host operation made of several calls (a login delivers two events)
// holds the lock across all of them with Exclusive.
class PluginRunner {
public:
    // `table` must outlive the plug-in, that is this object.
    explicit PluginRunner(hostkit::HostTable& table) : table_(table) {}
    ~PluginRunner();
    PluginRunner(const PluginRunner&) = delete;
    PluginRunner& operator=(const PluginRunner&) = delete;

    // Loads the library and calls its entry point.
    hostkit::Outcome<void> Load(const std::string& path);
    // The initialize callback; false when it answered false or nothing is loaded.
    bool Initialize();
    // The shut-down callback, once; later calls and calls after it answer 503.
    void Shutdown();

    // The operations available while the lock is held.
    class Locked {
    public:
        // One call through the function entry that serves the request's
        // method and path: 404 when none does, 503 once shut down.
        CallAnswer Call(const CallRequest& request);
        // Delivers an event to the plug-in's subscriptions of `name`; the
        // number of dispatch calls made.
        std::size_t Deliver(std::string_view name, const hostkit::HostValue& payload);

    private:
        friend class PluginRunner;
        explicit Locked(PluginRunner& runner) : runner_(runner) {}
        PluginRunner& runner_;
    };

    // Runs `steps(Locked&)` with the lock held and returns what it returns.
    template <class Steps>
    auto Exclusive(Steps steps) {
        std::lock_guard<std::mutex> lock(mutex_);
        Locked locked(*this);
        return steps(locked);
    }

    CallAnswer Call(const CallRequest& request) {
        return Exclusive([&](Locked& locked) { return locked.Call(request); });
    }
    std::size_t Deliver(std::string_view name, const hostkit::HostValue& payload) {
        return Exclusive([&](Locked& locked) { return locked.Deliver(name, payload); });
    }

    // The plug-in's name and API description; empty and null before Load and
    // after Shutdown.
    std::string name() const;
    const PluginApiDescription* api() const;

private:
    hostkit::HostTable& table_;
    mutable std::mutex mutex_;
    std::unique_ptr<hostkit::PluginLibrary> library_;
    hostkit::FunctionRoutes routes_;
};

}  // namespace kor::korhost
