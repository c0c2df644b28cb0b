#include "tools/kor-host/EventStream.h"

#include <httplib.h>

#include <optional>
#include <utility>
#include <vector>

namespace kor::korhost {
namespace {

// One event as a Server-Sent Events message. The JSON text of an event holds
// no line break (control characters are escaped), but a name or text that
// did would otherwise end the message early.
std::string EventMessage(const EventHub::Event& event) {
    auto oneLine = [](std::string text) {
        for (char& c : text) {
            if (c == '\n' || c == '\r') c = ' ';
        }
        return text;
    };
    return "id: " + std::to_string(event.sequence) + "\nevent: " + oneLine(event.name) +
           "\ndata: " + oneLine(event.json) + "\n\n";
}

}  // namespace

std::unique_ptr<EventStream> EventStream::Open(EventHub& hub, const std::atomic<bool>& stopping) {
    std::unique_ptr<EventHub::Subscription> subscription = hub.Subscribe();
    if (subscription == nullptr) return nullptr;
    return std::unique_ptr<EventStream>(new EventStream(std::move(subscription), stopping));
}

EventStream::EventStream(std::unique_ptr<EventHub::Subscription> subscription, const std::atomic<bool>& stopping)
    : subscription_(std::move(subscription)), stopping_(stopping) {}

bool EventStream::Step(httplib::DataSink& sink) {
    if (stopping_) {
        sink.done();
        return true;
    }
    if (!greeted_) {
        greeted_ = true;
        return Write(sink, ": connected\n\n");
    }
    if (!sink.is_writable()) return false;
    std::optional<std::vector<EventHub::Event>> events = subscription_->Next(kEventWait);
    if (!events) {
        sink.done();
        return true;
    }
    for (const EventHub::Event& event : *events) {
        if (!Write(sink, EventMessage(event))) return false;
    }
    if (events->empty() && std::chrono::steady_clock::now() - lastWrite_ >= kHeartbeat) {
        return Write(sink, ": keep-alive\n\n");
    }
    return true;
}

bool EventStream::Write(httplib::DataSink& sink, const std::string& text) {
    lastWrite_ = std::chrono::steady_clock::now();
    return sink.write(text.data(), text.size());
}

}  // namespace kor::korhost
