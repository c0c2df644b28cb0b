#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tools/kor-host/EventHub.h"

namespace kor::korhost {
namespace {

using namespace std::chrono_literals;

TEST(EventHub, EverySubscriberGetsEveryEventInOrder) {
    EventHub hub(4);
    auto first = hub.Subscribe();
    hub.Publish("before", "0");  // before the second subscriber: not for it
    auto second = hub.Subscribe();
    hub.Publish("a", "1");
    hub.Publish("b", "2");

    auto fromFirst = first->Next(10ms);
    ASSERT_TRUE(fromFirst.has_value());
    ASSERT_EQ(fromFirst->size(), 3u);
    EXPECT_EQ(fromFirst->at(0).name, "before");
    EXPECT_EQ(fromFirst->at(2).json, "2");
    EXPECT_LT(fromFirst->at(1).sequence, fromFirst->at(2).sequence);

    auto fromSecond = second->Next(10ms);
    ASSERT_EQ(fromSecond->size(), 2u);
    EXPECT_EQ(fromSecond->at(0).name, "a");
    EXPECT_EQ(fromSecond->at(1).name, "b");

    // Drained: a quiet wait gives an empty list, not the end.
    auto quiet = second->Next(10ms);
    ASSERT_TRUE(quiet.has_value());
    EXPECT_TRUE(quiet->empty());
}

TEST(EventHub, SubscribersAreLimitedAndFreeTheirPlaceWhenGone) {
    EventHub hub(2);
    auto one = hub.Subscribe();
    auto two = hub.Subscribe();
    EXPECT_EQ(hub.Subscribe(), nullptr);
    two.reset();
    EXPECT_EQ(hub.subscriberCount(), 1u);
    EXPECT_NE(hub.Subscribe(), nullptr);
}

TEST(EventHub, StopWakesAWaitingSubscriberAtOnce) {
    EventHub hub(1);
    auto subscription = hub.Subscribe();
    std::thread stopper([&] {
        std::this_thread::sleep_for(20ms);
        hub.Stop();
    });
    const auto start = std::chrono::steady_clock::now();
    auto events = subscription->Next(10s);
    stopper.join();
    EXPECT_FALSE(events.has_value());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2s);
    EXPECT_EQ(hub.Subscribe(), nullptr);
}

TEST(EventHub, AWakingPublishReachesAWaitingSubscriber) {
    EventHub hub(1);
    auto subscription = hub.Subscribe();
    std::thread publisher([&] {
        std::this_thread::sleep_for(20ms);
        hub.Publish("late", "{}");
    });
    auto events = subscription->Next(10s);
    publisher.join();
    ASSERT_TRUE(events.has_value());
    ASSERT_EQ(events->size(), 1u);
    EXPECT_EQ(events->at(0).name, "late");
}

TEST(EventHub, ASubscriberThatFallsTooFarBehindIsCutOffAlone) {
    EventHub hub(2);
    auto slow = hub.Subscribe();
    auto fast = hub.Subscribe();
    for (std::size_t i = 0; i <= EventHub::kQueueLimit; ++i) {
        hub.Publish("e", std::to_string(i));
        if (i % 100 == 0) {
            ASSERT_TRUE(fast->Next(0ms).has_value());
        }
    }
    EXPECT_FALSE(slow->Next(0ms).has_value());
    auto rest = fast->Next(0ms);
    ASSERT_TRUE(rest.has_value());
    EXPECT_EQ(rest->back().json, std::to_string(EventHub::kQueueLimit));
}

}  // namespace
}  // namespace kor::korhost
