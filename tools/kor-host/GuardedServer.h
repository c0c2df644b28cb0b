#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace kor::korhost {

// How far kor-host lets one client hold its resources.
struct ConnectionLimits {
    // Connections served at once, one thread each; more wait for a thread.
    std::size_t maxConnections = 96;
    // A request's head and body must arrive within requestTime, and no read
    // waits longer than readIdle for the next bytes, so a client that sends
    // half a request or trickles it releases its thread soon.
    std::chrono::milliseconds readIdle{1000};
    std::chrono::milliseconds requestTime{1500};
    // Head and body of one request together; a larger one is cut off.
    std::size_t maxRequestBytes = (1u << 20) + (64u << 10);
    // A write that finds no room in the client's window for this long fails.
    std::chrono::milliseconds writeTime{5000};
    // An idle kept-alive connection waits this long for the next request.
    std::chrono::milliseconds keepAlive{2000};
    std::size_t maxRequestsPerConnection = 100;
    // After an early answer (a refused body), unread input is discarded for
    // at most this long before the close, so that the close does not turn
    // into a reset that destroys the answer still in flight.
    std::chrono::milliseconds linger{1000};
};

// An httplib server whose connections kor-host serves itself: httplib
// accepts and parses, but it reads a request with no limit on the whole
// time or size and keeps a connection's worker for as long as the client
// trickles bytes. Here every connection gets a thread of its own from a pool
// that grows on demand up to maxConnections, reads are bounded by the limits
// above, and a handler can ask for the connection to close after its answer.
class GuardedServer : public httplib::Server {
public:
    explicit GuardedServer(const ConnectionLimits& limits);

    // From a handler, or the pre-routing or expect-100 handler: the
    // connection of the request being served closes after its answer
    // instead of waiting for the next request (a refused request may have a
    // body left unread that must not be taken for the next one).
    static void CloseAfterAnswer();

    // For the error handler: 408 when the request being served on this
    // thread came too slowly, 413 when it grew too large (httplib answers
    // 400 for both), else 0.
    static uint32_t CutOffStatus();

    // After a bind: httplib listens with a backlog of 5, so a burst of
    // connections (a browser opens six at once) waits for SYN retries, a
    // second or more each; the system's maximum lets them all in at once.
    bool WidenBacklog();

private:
    bool process_and_close_socket(socket_t socket) override;

    const ConnectionLimits limits_;
};

}  // namespace kor::korhost
