#include "KorHostProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace kor::korhost::testing {

std::string MakeTemporaryDirectory() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/kor-host-test-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return {};
    return pattern;
}

KorHostProcess::~KorHostProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (stdoutFd_ >= 0) close(stdoutFd_);
}

bool KorHostProcess::StartServe(const std::string& directory, const std::vector<std::string>& extra) {
    directory_ = directory;
    std::vector<std::string> arguments = {KOR_HOST_PATH, "serve", "--listen", "127.0.0.1:0"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    const std::string errPath = directory + "/kor-host.stderr";
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        error_ = "pipe failed";
        return false;
    }
    pid_ = fork();
    if (pid_ == 0) {  // the child: kor-host in `directory`, standard error to a file
        const int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        if (chdir(directory.c_str()) != 0 || errFd < 0) _exit(126);
        dup2(pipeFds[1], STDOUT_FILENO);
        dup2(errFd, STDERR_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    stdoutFd_ = pipeFds[0];

    // Standard output is read until the line that tells the port.
    const std::string listening = "listening on http://127.0.0.1:";
    std::string output;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd readable{stdoutFd_, POLLIN, 0};
        if (poll(&readable, 1, 50) <= 0) continue;
        char buffer[512];
        const ssize_t count = read(stdoutFd_, buffer, sizeof buffer);
        if (count <= 0) break;  // the process ended
        output.append(buffer, static_cast<std::size_t>(count));
        const std::size_t at = output.find(listening);
        if (at != std::string::npos && output.find('\n', at) != std::string::npos) {
            port_ = std::atoi(output.c_str() + at + listening.size());
            return true;
        }
    }
    error_ = "kor-host did not start; stdout: " + output + "\nstderr: " + StandardError();
    return false;
}

std::optional<int> KorHostProcess::Stop(std::chrono::milliseconds timeout, int signal) {
    if (pid_ <= 0) return std::nullopt;
    kill(pid_, signal);
    std::optional<int> status;
    for (const auto deadline = std::chrono::steady_clock::now() + timeout;
         !status && std::chrono::steady_clock::now() < deadline;
         std::this_thread::sleep_for(std::chrono::milliseconds(5))) {
        int raw = 0;
        if (waitpid(pid_, &raw, WNOHANG) == pid_) status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    if (!status) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    return status;
}

std::string KorHostProcess::StandardError() const {
    std::ifstream in(directory_ + "/kor-host.stderr", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace kor::korhost::testing
