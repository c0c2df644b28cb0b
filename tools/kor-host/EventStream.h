#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "tools/kor-host/EventHub.h"

namespace httplib {
class DataSink;
}  // namespace httplib

namespace kor::korhost {

// One open answer of GET /events: the hub's events as Server-Sent Events,
// written step by step into a chunked answer.
//
// The stream first writes a comment that tells the client it is
// subscribed, then every event as one message ("id", "event", "data"), and
// a keep-alive comment whenever it has been quiet for kHeartbeat, so that a
// vanished client is noticed. Each step waits for events at most kEventWait,
// so the worker thread looks again at the server and the client in bounded
// time: the stream ends when the server stops or the hub stops or cuts the
// subscriber off, and gives up when the client has gone.
class EventStream {
public:
    static constexpr auto kEventWait = std::chrono::milliseconds(200);
    static constexpr auto kHeartbeat = std::chrono::seconds(1);

    // A stream subscribed to `hub` now; null when the hub takes no more
    // subscribers. `stopping` is the server's flag and must outlive the stream.
    static std::unique_ptr<EventStream> Open(EventHub& hub, const std::atomic<bool>& stopping);

    EventStream(const EventStream&) = delete;
    EventStream& operator=(const EventStream&) = delete;

    // One step of the chunked answer, as httplib's content provider calls
    // it: true to be called again (or after `sink.done()`, the stream's
    // end), false to drop the connection because the client has gone.
    bool Step(httplib::DataSink& sink);

private:
    EventStream(std::unique_ptr<EventHub::Subscription> subscription, const std::atomic<bool>& stopping);

    bool Write(httplib::DataSink& sink, const std::string& text);

    std::unique_ptr<EventHub::Subscription> subscription_;
    const std::atomic<bool>& stopping_;
    bool greeted_ = false;
    std::chrono::steady_clock::time_point lastWrite_ = std::chrono::steady_clock::now();
};

}  // namespace kor::korhost
