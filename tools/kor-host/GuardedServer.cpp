#include "tools/kor-host/GuardedServer.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "tools/kor-host/HttpStatus.h"

namespace kor::korhost {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// Threads made on demand: a connection finds an idle thread or gets a new
// one while fewer than `limit` exist; beyond that it waits in line. Idle
// threads stay for the next connections.
class OnDemandThreads final : public httplib::TaskQueue {
public:
    explicit OnDemandThreads(std::size_t limit) : limit_(limit) {}
    ~OnDemandThreads() override { shutdown(); }

    void enqueue(std::function<void()> job) override {
        std::lock_guard<std::mutex> lock(mutex_);
        jobs_.push_back(std::move(job));
        // Each idle thread takes one waiting job.
        if (jobs_.size() > idle_ && threads_.size() < limit_) {
            threads_.emplace_back([this] { Work(); });
        } else {
            ready_.notify_one();
        }
    }

    void shutdown() override {
        std::vector<std::thread> threads;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stopping_ = true;
            threads.swap(threads_);
        }
        ready_.notify_all();
        for (std::thread& thread : threads) thread.join();
    }

private:
    void Work() {
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            ++idle_;
            ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            --idle_;
            if (jobs_.empty()) return;
            std::function<void()> job = std::move(jobs_.front());
            jobs_.pop_front();
            lock.unlock();
            job();
            lock.lock();
        }
    }

    const std::size_t limit_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    std::size_t idle_ = 0;
    bool stopping_ = false;
};

int Millis(Clock::duration duration) {
    return static_cast<int>(std::max<int64_t>(0, std::chrono::duration_cast<milliseconds>(duration).count()));
}

bool WaitFor(int fd, short events, Clock::duration timeout) {
    pollfd entry{fd, events, 0};
    for (;;) {
        const int ready = poll(&entry, 1, Millis(timeout));
        if (ready >= 0 || errno != EINTR) return ready > 0;
    }
}

void NameOf(int fd, bool peer, std::string& ip, int& port) {
    sockaddr_storage address{};
    socklen_t length = sizeof address;
    const int got = peer ? getpeername(fd, reinterpret_cast<sockaddr*>(&address), &length)
                         : getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    char host[NI_MAXHOST] = "";
    char service[NI_MAXSERV] = "";
    if (got != 0 || getnameinfo(reinterpret_cast<sockaddr*>(&address), length, host, sizeof host, service,
                                sizeof service, NI_NUMERICHOST | NI_NUMERICSERV) != 0) {
        return;
    }
    ip = host;
    port = std::atoi(service);
}

// One client connection as httplib reads and writes it, with the limits.
class ConnectionStream final : public httplib::Stream {
public:
    ConnectionStream(int fd, const ConnectionLimits& limits) : fd_(fd), limits_(limits) {}

    // Waits up to the keep-alive time for the next request's first bytes;
    // false when none come, the client has gone or `stopping` turns true.
    bool AwaitRequest(const std::function<bool()>& stopping) {
        if (begin_ < end_) return true;
        const auto until = Clock::now() + limits_.keepAlive;
        for (auto now = Clock::now(); now < until && !stopping(); now = Clock::now()) {
            if (WaitFor(fd_, POLLIN, std::min<Clock::duration>(until - now, milliseconds(100)))) {
                return PeerPresent();
            }
        }
        return false;
    }

    void BeginRequest() {
        deadline_ = Clock::now() + limits_.requestTime;
        requestBytes_ = end_ - begin_;
    }

    // Why a read of this request failed (408: out of time, 413: out of
    // room), 0 while none did. The connection must not wait for another
    // request after one.
    uint32_t cutOff() const { return cutOff_; }

    // Discards what the client still sends, up to the linger time.
    void Drain() {
        const auto until = Clock::now() + limits_.linger;
        for (auto now = Clock::now(); now < until; now = Clock::now()) {
            if (!WaitFor(fd_, POLLIN, until - now) || recv(fd_, buffer_, sizeof buffer_, 0) <= 0) return;
        }
    }

    bool is_readable() const override { return begin_ < end_ || WaitFor(fd_, POLLIN, ReadWait()); }
    bool is_writable() const override { return WaitFor(fd_, POLLOUT, limits_.writeTime) && PeerPresent(); }

    ssize_t read(char* data, size_t size) override {
        if (begin_ == end_) {
            if (!WaitFor(fd_, POLLIN, ReadWait())) return CutOff(kRequestTimeout);
            const ssize_t got = recv(fd_, buffer_, sizeof buffer_, 0);
            if (got <= 0) return got;
            requestBytes_ += static_cast<std::size_t>(got);
            if (requestBytes_ > limits_.maxRequestBytes) return CutOff(kTooLarge);
            begin_ = 0;
            end_ = static_cast<std::size_t>(got);
        }
        const std::size_t count = std::min(size, end_ - begin_);
        std::memcpy(data, buffer_ + begin_, count);
        begin_ += count;
        return static_cast<ssize_t>(count);
    }

    ssize_t write(const char* data, size_t size) override {
        if (!WaitFor(fd_, POLLOUT, limits_.writeTime)) return -1;
        return send(fd_, data, size, MSG_NOSIGNAL);
    }

    void get_remote_ip_and_port(std::string& ip, int& port) const override { NameOf(fd_, true, ip, port); }
    void get_local_ip_and_port(std::string& ip, int& port) const override { NameOf(fd_, false, ip, port); }
    socket_t socket() const override { return fd_; }

private:
    Clock::duration ReadWait() const {
        return std::min<Clock::duration>(limits_.readIdle, std::max<Clock::duration>(deadline_ - Clock::now(), {}));
    }

    ssize_t CutOff(uint32_t status) {
        cutOff_ = status;
        return -1;
    }

    // False once the client has closed its end or the connection broke.
    bool PeerPresent() const {
        char byte;
        const ssize_t got = recv(fd_, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
        return got > 0 || (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR));
    }

    const int fd_;
    const ConnectionLimits& limits_;
    Clock::time_point deadline_ = Clock::now();
    std::size_t requestBytes_ = 0;
    uint32_t cutOff_ = 0;
    char buffer_[4096];
    std::size_t begin_ = 0;
    std::size_t end_ = 0;
};

// The connection served on this thread, and whether its request asked for the close.
thread_local const ConnectionStream* currentStream = nullptr;
thread_local bool* closeRequested = nullptr;

}  // namespace

GuardedServer::GuardedServer(const ConnectionLimits& limits) : limits_(limits) {
    new_task_queue = [this] { return new OnDemandThreads(limits_.maxConnections); };
    // What the Keep-Alive header announces.
    set_keep_alive_timeout(std::chrono::duration_cast<std::chrono::seconds>(limits_.keepAlive).count());
    set_keep_alive_max_count(limits_.maxRequestsPerConnection);
}

void GuardedServer::CloseAfterAnswer() {
    if (closeRequested != nullptr) *closeRequested = true;
}

uint32_t GuardedServer::CutOffStatus() { return currentStream != nullptr ? currentStream->cutOff() : 0; }

bool GuardedServer::WidenBacklog() { return svr_sock_ != INVALID_SOCKET && ::listen(svr_sock_, SOMAXCONN) == 0; }

bool GuardedServer::process_and_close_socket(socket_t socket) {
    ConnectionStream stream(socket, limits_);
    bool close = false;
    closeRequested = &close;
    currentStream = &stream;
    bool ok = true;
    const auto stopping = [this] { return svr_sock_ == INVALID_SOCKET; };
    for (std::size_t served = 0; ok && !close && served < limits_.maxRequestsPerConnection; ++served) {
        if (!stream.AwaitRequest(stopping)) break;
        stream.BeginRequest();
        bool closed = false;
        const bool last = served + 1 == limits_.maxRequestsPerConnection;
        ok = process_request(stream, last, closed, [](httplib::Request&) {});
        if (closed || stream.cutOff() != 0) break;
    }
    closeRequested = nullptr;
    currentStream = nullptr;
    shutdown(socket, SHUT_WR);
    if (close) stream.Drain();
    ::close(socket);
    return ok;
}

}  // namespace kor::korhost
