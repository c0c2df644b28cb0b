#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

namespace kor::korhost::testing {

// Reads GET /events of a kor-host on `port` in a thread of its own and keeps
// everything received, for a test to wait on.
class EventStreamReader {
public:
    explicit EventStreamReader(int port) : client_("127.0.0.1", port) {
        client_.set_read_timeout(std::chrono::seconds(30));
        thread_ = std::thread([this] {
            httplib::Result result = client_.Get("/events", [this](const char* data, size_t size) {
                std::lock_guard<std::mutex> lock(mutex_);
                text_.append(data, size);
                changed_.notify_all();
                return true;
            });
            std::lock_guard<std::mutex> lock(mutex_);
            ended_ = true;
            status_ = result ? result->status : -1;
            if (result) text_ += result->body;
            changed_.notify_all();
        });
    }
    ~EventStreamReader() { Close(); }

    // Waits until the received text contains `needle` (true) or the stream
    // ends or the time runs out (false).
    bool WaitFor(const std::string& needle, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return text_.find(needle) != std::string::npos || ended_; }) &&
               text_.find(needle) != std::string::npos;
    }
    // Waits until the server ended the stream.
    bool WaitForEnd(std::chrono::milliseconds timeout) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, timeout, [&] { return ended_; });
    }

    std::string text() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return text_;
    }
    int status() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return status_;
    }

    void Close() {
        client_.stop();
        if (thread_.joinable()) thread_.join();
    }

private:
    httplib::Client client_;
    std::thread thread_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::string text_;
    bool ended_ = false;
    int status_ = 0;
};

}  // namespace kor::korhost::testing
