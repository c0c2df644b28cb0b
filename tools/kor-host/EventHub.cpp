#include "tools/kor-host/EventHub.h"

#include <algorithm>
#include <utility>

namespace kor::korhost {

EventHub::~EventHub() { Stop(); }

EventHub::Subscription::~Subscription() { hub_.Remove(this); }

std::optional<std::vector<EventHub::Event>> EventHub::Subscription::Next(std::chrono::milliseconds timeout) {
    std::unique_lock<std::mutex> lock(hub_.mutex_);
    hub_.published_.wait_for(lock, timeout, [&] { return hub_.stopped_ || cutOff_ || !queue_.empty(); });
    if (hub_.stopped_ || cutOff_) return std::nullopt;
    std::vector<Event> events(std::make_move_iterator(queue_.begin()), std::make_move_iterator(queue_.end()));
    queue_.clear();
    return events;
}

std::unique_ptr<EventHub::Subscription> EventHub::Subscribe() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_ || subscribers_.size() >= maxSubscribers_) return nullptr;
    std::unique_ptr<Subscription> subscription(new Subscription(*this));
    subscribers_.push_back(subscription.get());
    return subscription;
}

void EventHub::Publish(std::string name, std::string json) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (stopped_) return;
        Event event{++sequence_, std::move(name), std::move(json)};
        for (Subscription* subscriber : subscribers_) {
            if (subscriber->cutOff_) continue;
            if (subscriber->queue_.size() >= kQueueLimit) {
                subscriber->cutOff_ = true;
                subscriber->queue_.clear();
                continue;
            }
            subscriber->queue_.push_back(event);
        }
    }
    published_.notify_all();
}

void EventHub::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
    }
    published_.notify_all();
}

std::size_t EventHub::subscriberCount() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return subscribers_.size();
}

void EventHub::Remove(Subscription* subscription) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase(subscribers_, subscription);
}

}  // namespace kor::korhost
