#include "KorHostProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace kor::korhost::testing {
namespace {

const char* const kKorHost = KOR_HOST_PATH;
constexpr auto kStartTimeout = std::chrono::seconds(20);

// Forks kor-host in `directory`; its standard output goes to `outFd`
// (a pipe end or a file), standard error to `errPath`.
pid_t Spawn(const std::string& directory, const std::vector<std::string>& arguments, int outFd,
            const std::string& errPath) {
    std::vector<char*> argv{const_cast<char*>(kKorHost)};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0) return pid;
    if (chdir(directory.c_str()) != 0) _exit(126);
    const int errFd = open(errPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (errFd < 0) _exit(126);
    dup2(outFd, STDOUT_FILENO);
    dup2(errFd, STDERR_FILENO);
    execv(kKorHost, argv.data());
    _exit(127);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::optional<int> WaitFor(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (std::chrono::steady_clock::now() > deadline) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

}  // namespace

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
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        error_ = "pipe failed";
        return false;
    }
    std::vector<std::string> arguments = {"serve", "--listen", "127.0.0.1:0"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    pid_ = Spawn(directory, arguments, pipeFds[1], directory + "/kor-host.stderr");
    close(pipeFds[1]);
    stdoutFd_ = pipeFds[0];

    static const std::regex kListening("listening on http://127\\.0\\.0\\.1:([0-9]+)");
    std::string output;
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd readable{stdoutFd_, POLLIN, 0};
        if (poll(&readable, 1, 50) <= 0) continue;
        char buffer[512];
        const ssize_t count = read(stdoutFd_, buffer, sizeof buffer);
        if (count <= 0) break;  // the process ended
        output.append(buffer, static_cast<std::size_t>(count));
        std::smatch match;
        if (std::regex_search(output, match, kListening)) {
            port_ = std::atoi(match[1].str().c_str());
            return true;
        }
    }
    error_ = "kor-host did not start; stdout: " + output + "\nstderr: " + StandardError();
    return false;
}

std::optional<int> KorHostProcess::Stop(std::chrono::milliseconds timeout, int signal) {
    if (pid_ <= 0) return std::nullopt;
    kill(pid_, signal);
    std::optional<int> status = WaitFor(pid_, timeout);
    if (!status) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    pid_ = -1;
    return status;
}

std::string KorHostProcess::StandardError() const { return ReadFile(directory_ + "/kor-host.stderr"); }

}  // namespace kor::korhost::testing
