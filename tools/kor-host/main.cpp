// kor-host: the development host. It loads the plug-in library the way the
// client's core does and serves it over HTTP, with simulated host services.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <string>
#include <thread>
#include <vector>

#include "tools/kor-host/CommandLine.h"
#include "tools/kor-host/HostRuntime.h"
#include "tools/kor-host/HttpServer.h"
#include "tools/kor-host/HttpStatus.h"

namespace kor::korhost {
namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// SIGINT and SIGTERM are taken by sigwait on the main thread; blocked here,
// before any thread exists, so that every thread inherits the mask and no
// worker is interrupted by them.
sigset_t StopSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    return signals;
}

int Serve(const Options& options) {
    const sigset_t signals = StopSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    auto runtime = HostRuntime::Start(options);
    if (!runtime) {
        std::fprintf(stderr, "kor-host: %s\n", runtime.error().c_str());
        return kExitFailed;
    }
    HostRuntime& host = *runtime.value();
    HttpServer server(host.runner(), host.control(), host.services(), host.events());
    hostkit::Outcome<int> port = server.Bind(options.listenHost, options.listenPort);
    if (!port) {
        std::fprintf(stderr, "kor-host: %s\n", port.error().c_str());
        return kExitFailed;
    }
    std::atomic<bool> finished{false};
    std::thread serving([&server, &finished] {
        server.Run();
        finished = true;
    });
    // Stop only works on a server that has started; wait for that first.
    while (!server.running() && !finished) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (finished) {
        serving.join();
        std::fprintf(stderr, "kor-host: the server could not start\n");
        return kExitFailed;
    }

    const bool ipv6 = options.listenHost.find(':') != std::string::npos;
    std::printf("kor-host: game installation %s\n", host.gameDirectory().c_str());
    std::printf("kor-host: listening on http://%s%s%s:%d\n", ipv6 ? "[" : "", options.listenHost.c_str(),
                ipv6 ? "]" : "", port.value());
    std::fflush(stdout);

    int received = 0;
    sigwait(&signals, &received);
    std::fprintf(stderr, "kor-host: stopping (%s)\n", received == SIGINT ? "SIGINT" : "SIGTERM");
    host.events().Stop();
    server.Stop();
    serving.join();
    host.Shutdown();
    return kExitOk;
}

int Call(const Options& options) {
    auto runtime = HostRuntime::Start(options);
    if (!runtime) {
        std::fprintf(stderr, "kor-host: %s\n", runtime.error().c_str());
        return kExitFailed;
    }
    HostRuntime& host = *runtime.value();
    CallRequest request;
    request.method = options.callMethod;
    request.url = options.callPath;
    if (options.callBody) {
        request.body = *options.callBody;
        request.contentType = options.contentType;
        request.headers.emplace_back("content-type", options.contentType);
    }
    const CallAnswer answer = host.runner().Call(request);
    host.Shutdown();
    std::fwrite(answer.body.data(), 1, answer.body.size(), stdout);
    std::fputc('\n', stdout);
    return static_cast<uint32_t>(answer.status) < kFirstErrorStatus ? kExitOk : kExitFailed;
}

int Main(int argc, char** argv) {
    // A client that goes away mid-answer must not end the process.
    signal(SIGPIPE, SIG_IGN);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    hostkit::Outcome<Options> options = ParseCommandLine(arguments);
    if (!options) {
        std::fprintf(stderr, "kor-host: %s\n(kor-host --help lists the commands and options)\n",
                     options.error().c_str());
        return kExitUsage;
    }
    switch (options.value().command) {
        case Options::Command::Serve:
            return Serve(options.value());
        case Options::Command::Call:
            return Call(options.value());
        case Options::Command::Help:
            break;
    }
    std::fputs(HelpText().c_str(), stdout);
    return kExitOk;
}

}  // namespace
}  // namespace kor::korhost

int main(int argc, char** argv) {
    try {
        return kor::korhost::Main(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "kor-host: %s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "kor-host: unknown failure\n");
    }
    return 1;
}
