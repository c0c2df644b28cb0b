#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kor::korhost {

// Fans events out to the open event streams (GET /events): every event the
// plug-in fires and every host resource event the host delivers, as its name
// and its payload in JSON.
//
// A subscriber drains its queue with Next, which waits a bounded time, so a
// stream's worker can check for shutdown and for a vanished client between
// waits. A subscriber that falls more than kQueueLimit events behind is cut
// off (its stream ends and the client may reconnect) instead of letting its
// queue grow without bound. Publish never blocks on a subscriber.
class EventHub {
public:
    static constexpr std::size_t kQueueLimit = 1024;

    struct Event {
        uint64_t sequence = 0;  // 1, 2, ... in publication order
        std::string name;
        std::string json;
    };

    class Subscription {
    public:
        ~Subscription();
        Subscription(const Subscription&) = delete;
        Subscription& operator=(const Subscription&) = delete;

        // The events published since the last call, waiting up to `timeout`
        // for the first one; an empty list when none came. Nothing once the
        // hub has stopped or the subscriber was cut off: the stream ends.
        std::optional<std::vector<Event>> Next(std::chrono::milliseconds timeout);

    private:
        friend class EventHub;
        explicit Subscription(EventHub& hub) : hub_(hub) {}
        EventHub& hub_;
        std::deque<Event> queue_;  // guarded by the hub's mutex
        bool cutOff_ = false;
    };

    explicit EventHub(std::size_t maxSubscribers) : maxSubscribers_(maxSubscribers) {}
    ~EventHub();
    EventHub(const EventHub&) = delete;
    EventHub& operator=(const EventHub&) = delete;

    // A new subscriber that receives every event published from now on;
    // null when maxSubscribers streams are open or the hub has stopped.
    std::unique_ptr<Subscription> Subscribe();

    void Publish(std::string name, std::string json);

    // Ends every subscription: waiting Next calls return at once with nothing.
    void Stop();

    std::size_t subscriberCount() const;

private:
    void Remove(Subscription* subscription);

    const std::size_t maxSubscribers_;
    mutable std::mutex mutex_;
    std::condition_variable published_;
    std::vector<Subscription*> subscribers_;
    uint64_t sequence_ = 0;
    bool stopped_ = false;
};

}  // namespace kor::korhost
