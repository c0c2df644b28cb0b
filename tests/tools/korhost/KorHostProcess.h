#pragma once

#include <sys/types.h>

#include <csignal>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace kor::korhost::testing {

// A kor-host process started for a test, with the arguments given, in a
// working directory; standard output is read until the listening line,
// standard error goes to a file in that directory. The destructor kills a
// process the test left running.
class KorHostProcess {
public:
    KorHostProcess() = default;
    ~KorHostProcess();
    KorHostProcess(const KorHostProcess&) = delete;
    KorHostProcess& operator=(const KorHostProcess&) = delete;

    // Starts `kor-host serve --listen 127.0.0.1:0 <extra>` in `directory` and
    // waits for the printed port. False (with the reason in error()) when
    // the process ends or prints nothing within the timeout.
    bool StartServe(const std::string& directory, const std::vector<std::string>& extra);

    // Sends `signal` (SIGTERM by default), then waits for the exit; the exit
    // status, or nothing when the process did not end within `timeout` (it
    // is killed then).
    std::optional<int> Stop(std::chrono::milliseconds timeout = std::chrono::seconds(10), int signal = SIGTERM);

    int port() const { return port_; }
    const std::string& error() const { return error_; }
    // Everything the process wrote to standard error so far.
    std::string StandardError() const;

private:
    pid_t pid_ = -1;
    int stdoutFd_ = -1;
    int port_ = 0;
    std::string directory_;
    std::string error_;
};

// A fresh empty directory under the system's temporary directory.
std::string MakeTemporaryDirectory();

}  // namespace kor::korhost::testing
