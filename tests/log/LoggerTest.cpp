#include "log/Log.h"
#include "log/LogGroups.h"
#include "log/LogTarget.h"
#include "log/Logger.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/TextMatchers.h"

#include <algorithm>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace kor {
namespace {

// What a target received, in delivery order across all targets.
struct Received {
    std::string target, message;
    int32_t level;
    uint64_t groups;
    bool operator==(const Received&) const = default;
};

// Records what it receives and, when given a list, the order of detaches.
class RecordingTarget : public LogTarget {
public:
    RecordingTarget(std::string name, std::vector<Received>* log, std::vector<std::string>* detached = nullptr)
        : name_(std::move(name)), log_(log), detached_(detached) {}
    const char* Name() const override { return name_.c_str(); }
    bool Write(const LogRecord& record) override {
        std::lock_guard guard(Lock());
        log_->push_back({name_, record.message, record.level, record.Groups()});
        return true;
    }
    void Detach() override {
        if (detached_ != nullptr && IsAttached()) detached_->push_back(name_);
        LogTarget::Detach();
    }

private:
    std::string name_;
    std::vector<Received>* log_;
    std::vector<std::string>* detached_;
};

const LogInterface& Log() { return *GetLogInterface(); }

// Every test starts from a logger that does not exist yet, with the built-in
// console targets taken off so that tests do not print.
class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        DestroyLoggerForTesting();
        ResetLogGroupsForTesting();
        for (LogTargetInterface* target : {Log().stdErrTarget(), Log().debuggerConsoleTarget()}) target->detach(target);
    }
    void TearDown() override { DestroyLoggerForTesting(); }
    std::vector<Received> received;
};

// A model of the logger's filters and target list, driven by random steps:
// attach/detach and add/remove of targets, target levels and groups, the
// minimum level, the globally excluded groups, suspend and resume. After each
// write, what reached which target in which order must match the model.
TEST_F(LoggerTest, DeliveryMatchesAModelOfFiltersAndTargetOrder) {
    struct Model {
        bool attached = false;
        int32_t level = 1;
        uint64_t included = 0, excluded = 0;
    };
    std::vector<std::unique_ptr<RecordingTarget>> targets;
    for (const char* name : {"A", "B", "C", "D"}) targets.push_back(std::make_unique<RecordingTarget>(name, &received));
    struct Cleanup {  // a target added through the table has no flag to detach it by
        std::vector<std::unique_ptr<RecordingTarget>>& targets;
        ~Cleanup() { for (auto& target : targets) Log().removeTarget(target->Interface()); }
    } cleanup{targets};
    std::vector<Model> models(targets.size());
    std::vector<int> list;  // indices in delivery order
    int32_t minimum = 1;
    uint64_t globallyExcluded = 4;  // "XTR" of a new logger
    bool suspended = false;
    ASSERT_EQ(Log().getMinimumLevel(), minimum);
    std::mt19937 random(1103);
    auto groups = [&random] {
        const uint64_t high = random() % 4 == 0 ? uint64_t{1} << 63 : 0;
        return random() % 3 == 0 ? 0 : (random() % 16) | high;
    };
    std::vector<Received> expected;
    for (int step = 0; step < 3000; ++step) {
        const int t = static_cast<int>(random() % 4);
        LogTargetInterface* target = targets[t]->Interface();
        Model& model = models[t];
        const auto drop = [&list, t] { list.erase(std::remove(list.begin(), list.end(), t), list.end()); };
        switch (random() % 12) {
            case 0:  // attaching twice lists the target once
                targets[t]->Attach();
                if (!std::exchange(model.attached, true)) list.push_back(t);
                break;
            case 1:
                targets[t]->Detach();
                if (std::exchange(model.attached, false)) drop();
                break;
            case 2:  // through the table: no attached flag, repeats allowed
                Log().addTarget(target);
                list.push_back(t);
                break;
            case 3:
                Log().removeTarget(target);
                drop();
                break;
            case 4: target->setLevel(target, model.level = static_cast<int32_t>(random() % 6) - 1); break;
            case 5: {
                const uint64_t included = groups(), excluded = groups();
                target->setGroups(target, included, excluded);
                model = {model.attached, model.level, included & ~excluded, excluded};
                break;
            }
            case 6: Log().setMinimumLevel(minimum = static_cast<int32_t>(random() % 5) - 1); break;
            case 7:
                globallyExcluded = random() % 3 != 0 ? 0 : groups();
                Log().setExcludedGroups(static_cast<uint32_t>(globallyExcluded), static_cast<uint32_t>(globallyExcluded >> 32));
                break;
            case 8:
                suspended = random() % 3 == 0;
                (suspended ? Log().suspend : Log().resume)();
                break;
            default: {
                const int32_t level = static_cast<int32_t>(random() % 5) - 1;
                const uint64_t mask = groups();
                LogWrite(level, mask, "m%d", step);
                if (suspended || level < minimum || (mask & globallyExcluded) != 0) break;
                for (int index : list) {
                    const Model& m = models[index];
                    const bool grouped = (mask & m.excluded) == 0 && (m.included == 0 || (mask & m.included) != 0);
                    if (level >= m.level && (mask == 0 || grouped)) {
                        expected.push_back({targets[index]->Name(), "m" + std::to_string(step), level, mask});
                    }
                }
            }
        }
        ASSERT_EQ(received, expected) << "step " << step;
        ASSERT_EQ(targets[t]->IsAttached(), model.attached);
        ASSERT_EQ(target->getIncludedGroups(target), model.included);
        ASSERT_EQ(target->getExcludedGroups(target), model.excluded);
        ASSERT_EQ(Log().getExcludedGroups(), globallyExcluded);
    }
    EXPECT_GT(received.size(), 300u) << "the steps delivered too little to tell";
}

TEST_F(LoggerTest, LifetimeFollowsAcquireAndReleaseAndDetachesLastAttachedFirst) {
    EXPECT_EQ(Log().acquire(), 1);
    EXPECT_EQ(Log().acquire(), 2);
    Log().setMinimumLevel(0);
    std::vector<std::string> detached;
    RecordingTarget first("first", &received, &detached), second("second", &received, &detached);
    first.Attach();
    second.Attach();
    EXPECT_EQ(Log().release(), 1);
    EXPECT_EQ(Log().getMinimumLevel(), 0) << "the state survived the first release";
    EXPECT_TRUE(first.IsAttached());
    EXPECT_EQ(Log().release(), 0);
    EXPECT_THAT(detached, ::testing::ElementsAre("second", "first"));
    EXPECT_EQ(Log().release(), 0) << "an extra release changes nothing";
    EXPECT_EQ(Log().getMinimumLevel(), 1) << "a new logger starts over";
    EXPECT_EQ(Log().acquire(), 1) << "the extra release did not drive the count below 0";
    EXPECT_EQ(Log().findTarget("StdErrLogTarget"), Log().stdErrTarget());
    EXPECT_EQ(Log().findTarget("stderrlogtarget"), nullptr);
    EXPECT_EQ(Log().findTarget(nullptr), nullptr);
    LogTarget base;  // accepts nothing
    LogRecord record;
    EXPECT_FALSE(base.Interface()->writeRecord(base.Interface(), &record) || base.Interface()->writeRecord(base.Interface(), nullptr));
    Log().release();
}

// Messages are cut to the record; a target that logs while writing does not
// recurse; concurrent writers and setting changes lose nothing.
TEST_F(LoggerTest, MessagesAreCutAndWritesNeitherRecurseNorRace) {
    struct EchoTarget : RecordingTarget {
        using RecordingTarget::RecordingTarget;
        bool Write(const LogRecord& record) override {
            time = record.time;
            LogWrite(kLogAlways, 0, "echo of %s", record.message);
            return RecordingTarget::Write(record);
        }
        LogTime time;
    } target("echo", &received);
    target.Attach();
    LogWrite(kLogWarn, 0, "%s tail", std::string(10000, 'x').c_str());
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, std::string(4095, 'x'));
    EXPECT_GE(target.time.year, 2020);
    target.Detach();
    received.clear();
    RecordingTarget plain("T", &received);
    plain.Attach();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) LogWrite(kLogWarn, 0, "thread %d line %d", t, i);
        });
    }
    threads.emplace_back([&plain] {
        for (int i = 0; i < 200; ++i) plain.SetGroups(0, 0);
    });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(received.size(), 800u);
    for (const Received& r : received) ASSERT_THAT(r.message, testing::MatchesPattern("thread [0-3] line [0-9]+"));
}

// The target table hands the pattern text to other modules, which may still
// read it while another thread configures the target.
TEST(LogTargetPatternTest, PatternTextOutlivesAChangeOfPattern) {
    LogTarget target;
    const char* before = target.Interface()->pattern(target.Interface());
    LogTargetSettings settings;
    for (const char* pattern : {"#M", "#L| #M, with a pattern too long to sit inside a string object", "#M"}) {
        settings.pattern = pattern;
        target.Configure(settings);
    }
    target.Detach();
    EXPECT_STREQ(before, kDefaultLogPattern);
    DestroyLoggerForTesting();
}

}  // namespace
}  // namespace kor
