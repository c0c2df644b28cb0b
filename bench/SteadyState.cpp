#include "bench/SteadyState.h"

#include "bench/ServiceHost.h"
#include "binding/PageSource.h"
#include "plugin/DefaultSettingsDocument.h"

#include <cstdlib>
#include <memory>

namespace kor::bench {
namespace {

// Its files apart from those of the library the service workloads load, so
// that neither sees the other's writes.
const Installation& SteadyInstallation() {
    static const Installation installation;
    return installation;
}

std::unique_ptr<ServiceHost>& Running() {
    static std::unique_ptr<ServiceHost> host;
    return host;
}

std::size_t pagesOnceLoaded = 0;

}  // namespace

bool EnterSteadyState(std::string& error) {
    std::unique_ptr<ServiceHost>& running = Running();
    if (running) return true;
    {
        InsideInstallation inside(SteadyInstallation());
        running = ServiceHost::StartInProcess(error);
    }
    if (!running) return false;
    pagesOnceLoaded = PoolPagesHeld();
    // Registered once the plug-in's own static objects exist, so that at exit
    // a plug-in still running is shut down before they are destroyed.
    static const bool shutDownAtExit = std::atexit(LeaveSteadyState) == 0;
    (void)shutDownAtExit;
    return true;
}

void LeaveSteadyState() {
    std::unique_ptr<ServiceHost>& running = Running();
    if (!running) return;
    // Shutting down saves the persisted settings, relative to the
    // installation.
    InsideInstallation inside(SteadyInstallation());
    running.reset();
    // The parsed default document lives for the process, as the library
    // that holds it does; the next start parses it again.
    ResetDefaultSettingsForTesting();
}

std::size_t PoolPagesOnceLoaded() { return pagesOnceLoaded; }

std::size_t PoolPagesHeld() { return PageSource::Instance().PagesInUse(); }

}  // namespace kor::bench
