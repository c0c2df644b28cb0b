#include "log/ConsoleLogTargets.h"
#include "log/Log.h"
#include "log/LogGroups.h"
#include "log/LogTarget.h"
#include "log/Logger.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/TextMatchers.h"

#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace kor {
namespace {

using ::testing::ElementsAre;

// Records what reaches it, and in which order across several targets.
class RecordingTarget : public LogTarget {
public:
    explicit RecordingTarget(std::string name, std::vector<std::string>* order = nullptr)
        : name_(std::move(name)), order_(order) {}
    const char* Name() const override { return name_.c_str(); }
    bool Write(const LogRecord& record) override {
        std::lock_guard guard(Lock());
        messages.push_back(record.message);
        levels.push_back(record.level);
        groups.push_back(record.Groups());
        if (order_ != nullptr) order_->push_back(name_);
        return true;
    }
    std::vector<std::string> messages;
    std::vector<int32_t> levels;
    std::vector<uint64_t> groups;

private:
    std::string name_;
    std::vector<std::string>* order_;
};

const LogInterface& Log() { return *GetLogInterface(); }

// Every test starts from a logger that does not exist yet; the built-in
// console targets are taken off so tests do not print.
class LoggerTest : public ::testing::Test {
protected:
    void SetUp() override {
        DestroyLoggerForTesting();
        ResetLogGroupsForTesting();
    }
    void TearDown() override { DestroyLoggerForTesting(); }

    static void QuietBuiltIns() {
        for (LogTargetInterface* target : {Log().stdErrTarget(), Log().debuggerConsoleTarget()}) {
            target->detach(target);
        }
    }
    static RecordingTarget& Attached(RecordingTarget& target, int32_t level = 0) {
        target.SetLevel(level);
        target.Attach();
        return target;
    }
};

TEST_F(LoggerTest, AcquireTwiceReleaseOnceKeepsTheLoggerAlive) {
    EXPECT_EQ(Log().interfaceVersion(), 1u);
    EXPECT_EQ(Log().acquire(), 1);
    EXPECT_EQ(Log().acquire(), 2);
    Log().setMinimumLevel(0);
    RecordingTarget target("T");
    target.Attach();
    EXPECT_EQ(Log().release(), 1);
    EXPECT_EQ(Log().getMinimumLevel(), 0) << "the state survived the first release";
    EXPECT_TRUE(target.IsAttached());
    EXPECT_EQ(Log().release(), 0);
    EXPECT_FALSE(target.IsAttached()) << "destruction detaches every target";
    EXPECT_EQ(Log().release(), 0) << "an extra release changes nothing";
    EXPECT_EQ(Log().getMinimumLevel(), 1) << "a new logger starts over";
    EXPECT_EQ(Log().getExcludedGroups(), 4u);
    EXPECT_EQ(Log().acquire(), 1) << "the extra release did not drive the count below 0";
}

TEST_F(LoggerTest, CreationAttachesStandardErrorAndDebuggerConsole) {
    Log().acquire();
    LogTargetInterface* stdErr = Log().stdErrTarget();
    LogTargetInterface* stdOut = Log().stdOutTarget();
    LogTargetInterface* debugger = Log().debuggerConsoleTarget();
    EXPECT_EQ(Log().findTarget("StdErrLogTarget"), stdErr);
    EXPECT_EQ(Log().findTarget("DebuggerConsoleLogTarget"), debugger);
    EXPECT_EQ(Log().findTarget("StdOutLogTarget"), nullptr);
    EXPECT_EQ(Log().findTarget("stderrlogtarget"), nullptr);
    EXPECT_EQ(Log().findTarget(nullptr), nullptr);
    EXPECT_FALSE(stdOut->isAttached(stdOut));

    struct Expected {
        LogTargetInterface* target;
        const char* name;
        uint64_t included;
        uint64_t excluded;
        const char* pattern;
    };
    for (const Expected& e : {Expected{stdErr, "StdErrLogTarget", 1, 2, "#E(#T): #L| #M"},
                              Expected{stdOut, "StdOutLogTarget", 2, 1, "#M"},
                              Expected{debugger, "DebuggerConsoleLogTarget", 1, 0, "#E(#T): #L| #M"}}) {
        EXPECT_EQ(e.target->interfaceVersion(e.target), 1u);
        EXPECT_STREQ(e.target->name(e.target), e.name);
        EXPECT_EQ(e.target->getLevel(e.target), 1);
        EXPECT_EQ(e.target->getIncludedGroups(e.target), e.included) << e.name;
        EXPECT_EQ(e.target->getExcludedGroups(e.target), e.excluded) << e.name;
        EXPECT_STREQ(e.target->pattern(e.target), e.pattern);
    }
    Log().release();
}

TEST_F(LoggerTest, LevelZeroIsDroppedUntilTheMinimumIsLowered) {
    QuietBuiltIns();
    RecordingTarget target("T");
    Attached(target);
    LogWrite(kLogOkay, kLogGroupDbg, "first");
    EXPECT_TRUE(target.messages.empty());
    Log().setMinimumLevel(0);
    LogWrite(kLogOkay, kLogGroupDbg, "second");
    EXPECT_THAT(target.messages, ElementsAre("second"));
}

TEST_F(LoggerTest, TargetLevelFiltersAfterTheMinimumLevel) {
    QuietBuiltIns();
    Log().setMinimumLevel(0);
    RecordingTarget quiet("quiet");
    RecordingTarget loud("loud");
    Attached(quiet, kLogError);
    Attached(loud, kLogOkay);
    LogWrite(kLogWarn, 0, "warning");
    LogWrite(kLogAlways, 0, "always");
    EXPECT_THAT(quiet.messages, ElementsAre("always"));
    EXPECT_THAT(loud.messages, ElementsAre("warning", "always"));
}

TEST_F(LoggerTest, MaskZeroPassesEveryGroupFilter) {
    QuietBuiltIns();
    RecordingTarget onlyNet("net");
    RecordingTarget noDbg("noDbg");
    Attached(onlyNet).SetGroups(64, 0);
    Attached(noDbg).SetGroups(0, 1);
    LogWrite(kLogWarn, 0, "everyone");
    LogWrite(kLogWarn, kLogGroupDbg, "debug");
    EXPECT_THAT(onlyNet.messages, ElementsAre("everyone"));
    EXPECT_THAT(noDbg.messages, ElementsAre("everyone"));
}

TEST_F(LoggerTest, GloballyExcludedGroupsAreDropped) {
    QuietBuiltIns();
    RecordingTarget target("T");
    Attached(target);
    const uint64_t xtr = Log().registerGroup("XTR");
    LogWrite(kLogAlways, xtr, "extra");
    LogWrite(kLogAlways, xtr | kLogGroupDbg, "extra and debug");
    EXPECT_TRUE(target.messages.empty());
    Log().setExcludedGroups(0, 0x80000000u);
    EXPECT_EQ(Log().getExcludedGroups(), uint64_t{1} << 63);
    LogWrite(kLogAlways, xtr, "extra");
    LogWrite(kLogAlways, uint64_t{1} << 63, "high bit");
    EXPECT_THAT(target.messages, ElementsAre("extra"));
}

// The built-in settings decide: "DBG" and "GEN" together are refused by
// standard error (excludes "GEN") and standard output (excludes "DBG") but
// reach the debugger console.
TEST_F(LoggerTest, DebugAndGeneralReachOnlyTheDebuggerConsole) {
    Log().acquire();
    std::vector<std::unique_ptr<RecordingTarget>> twins;
    for (LogTargetInterface* builtIn : {Log().stdErrTarget(), Log().stdOutTarget(), Log().debuggerConsoleTarget()}) {
        auto twin = std::make_unique<RecordingTarget>(std::string("twin of ") + builtIn->name(builtIn));
        LogTargetSettings settings;
        settings.level = builtIn->getLevel(builtIn);
        settings.includedGroups = builtIn->getIncludedGroups(builtIn);
        settings.excludedGroups = builtIn->getExcludedGroups(builtIn);
        twin->Configure(settings);
        twins.push_back(std::move(twin));
        builtIn->detach(builtIn);
    }
    const uint64_t dbgGen = Log().registerGroup("DBG") | Log().registerGroup("GEN");
    LogWrite(kLogError, dbgGen, "both");
    LogWrite(kLogError, Log().registerGroup("GEN"), "general");
    EXPECT_THAT(twins[0]->messages, ElementsAre());
    EXPECT_THAT(twins[1]->messages, ElementsAre("general"));
    EXPECT_THAT(twins[2]->messages, ElementsAre("both"));
    Log().release();
}

TEST_F(LoggerTest, StandardErrorPrintsItsPatternAndSkipsGeneral) {
    Log().acquire();
    LogTargetInterface* debugger = Log().debuggerConsoleTarget();
    debugger->detach(debugger);
    ::testing::internal::CaptureStderr();
    LogWrite(kLogWarn, kLogGroupDbg | 2, "both");
    LogError("Cannot read %s", "Game.cfg");
    const std::string printed = ::testing::internal::GetCapturedStderr();
    EXPECT_THAT(printed,
                testing::MatchesPattern("log_tests(\\.exe)?\\([0-9A-F]{8,}\\):  ERROR\\| Cannot read Game.cfg\n"));
    Log().release();
}

TEST_F(LoggerTest, StandardOutputPrintsTheBareMessage) {
    Log().acquire();
    QuietBuiltIns();
    auto* stdOut = static_cast<StdOutLogTarget*>(Log().stdOutTarget()->target);
    stdOut->SetFlushAfterWrite(true);
    stdOut->Attach();
    ::testing::internal::CaptureStdout();
    LogWrite(kLogWarn, 2, "general %d", 7);
    LogWrite(kLogWarn, 1, "debug");
    const std::string printed = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(printed, "general 7\n");
    Log().release();
}

TEST_F(LoggerTest, SuspendedLoggerDropsEverything) {
    QuietBuiltIns();
    RecordingTarget target("T");
    Attached(target);
    Log().suspend();
    LogWrite(kLogAlways, 0, "lost");
    Log().resume();
    LogWrite(kLogAlways, 0, "kept");
    EXPECT_THAT(target.messages, ElementsAre("kept"));
}

TEST_F(LoggerTest, DeliveryFollowsAttachOrderAndDetachKeepsTheRest) {
    QuietBuiltIns();
    std::vector<std::string> order;
    RecordingTarget a("A", &order), b("B", &order), c("C", &order);
    Attached(a);
    Attached(b);
    Attached(c);
    b.Attach();  // already attached: no second entry
    LogWrite(kLogWarn, 0, "one");
    EXPECT_THAT(order, ElementsAre("A", "B", "C"));

    order.clear();
    b.Detach();
    EXPECT_FALSE(b.IsAttached());
    b.Detach();
    LogWrite(kLogWarn, 0, "two");
    EXPECT_THAT(order, ElementsAre("A", "C"));

    order.clear();
    b.Attach();
    LogWrite(kLogWarn, 0, "three");
    EXPECT_THAT(order, ElementsAre("A", "C", "B"));
    EXPECT_EQ(Log().findTarget("B"), b.Interface());
}

TEST_F(LoggerTest, RemoveTargetDropsEveryOccurrence) {
    QuietBuiltIns();
    std::vector<std::string> order;
    RecordingTarget a("A", &order), b("B", &order);
    a.SetLevel(0);
    b.SetLevel(0);
    Log().addTarget(a.Interface());
    Log().addTarget(b.Interface());
    Log().addTarget(a.Interface());
    LogWrite(kLogWarn, 0, "m");
    EXPECT_THAT(order, ElementsAre("A", "B", "A"));
    order.clear();
    Log().removeTarget(a.Interface());
    LogWrite(kLogWarn, 0, "m");
    EXPECT_THAT(order, ElementsAre("B"));
    Log().removeTarget(b.Interface());
}

TEST_F(LoggerTest, DestructionDetachesLastAttachedFirst) {
    Log().acquire();
    QuietBuiltIns();
    std::vector<std::string> detached;
    class NoticingTarget : public RecordingTarget {
    public:
        NoticingTarget(std::string name, std::vector<std::string>* detached)
            : RecordingTarget(std::move(name)), detached_(detached) {}
        void Detach() override {
            if (IsAttached()) detached_->push_back(Name());
            RecordingTarget::Detach();
        }

    private:
        std::vector<std::string>* detached_;
    };
    NoticingTarget first("first", &detached), second("second", &detached), third("third", &detached);
    first.Attach();
    second.Attach();
    third.Attach();
    Log().release();
    EXPECT_THAT(detached, ElementsAre("third", "second", "first"));
    EXPECT_FALSE(first.IsAttached());
}

TEST_F(LoggerTest, TargetSettingsStoreIncludedWithoutExcluded) {
    RecordingTarget target("T");
    LogTargetInterface* table = target.Interface();
    table->setGroups(table, 0x23, 0x02);
    EXPECT_EQ(table->getIncludedGroups(table), 0x21u);
    EXPECT_EQ(table->getExcludedGroups(table), 0x02u);
    table->setLevel(table, 3);
    EXPECT_EQ(table->getLevel(table), 3);
    EXPECT_STREQ(table->pattern(table), "#D| #L| #G| #M");
    EXPECT_FALSE(table->isAttached(table));
    table->attach(table);
    EXPECT_TRUE(table->isAttached(table));
    table->detach(table);
    EXPECT_FALSE(table->isAttached(table));

    LogTargetSettings settings;
    settings.level = 2;
    settings.includedGroups = 0xF;
    settings.excludedGroups = 0x1;
    settings.pattern = "#M";
    target.Configure(settings);
    EXPECT_TRUE(target.IsAttached());
    EXPECT_EQ(target.Level(), 2);
    EXPECT_EQ(target.IncludedGroups(), 0xEu);
    EXPECT_STREQ(target.Pattern(), "#M");
}

TEST_F(LoggerTest, BaseTargetAcceptsNothing) {
    LogTarget base;
    LogTargetInterface* table = base.Interface();
    LogRecord record;
    EXPECT_STREQ(table->name(table), "LogTarget");
    EXPECT_FALSE(table->writeRecord(table, &record));
    EXPECT_FALSE(table->writeRecord(table, nullptr));
}

TEST_F(LoggerTest, LongMessagesAreCutTo4095Characters) {
    QuietBuiltIns();
    RecordingTarget target("T");
    Attached(target);
    const std::string big(10000, 'x');
    LogWrite(kLogWarn, 0, "%s tail", big.c_str());
    ASSERT_EQ(target.messages.size(), 1u);
    EXPECT_EQ(target.messages[0], std::string(4095, 'x'));
}

TEST_F(LoggerTest, WriteCarriesLevelGroupsAndLocalTime) {
    QuietBuiltIns();
    struct TimedTarget : RecordingTarget {
        TimedTarget() : RecordingTarget("timed") {}
        bool Write(const LogRecord& record) override {
            time = record.time;
            return RecordingTarget::Write(record);
        }
        LogTime time;
    } target;
    Attached(target);
    LogWrite(kLogAlways, uint64_t{1} << 40, "%d-%s", 5, "x");
    ASSERT_EQ(target.messages.size(), 1u);
    EXPECT_EQ(target.messages[0], "5-x");
    EXPECT_EQ(target.levels[0], kLogAlways);
    EXPECT_EQ(target.groups[0], uint64_t{1} << 40);
    EXPECT_GE(target.time.year, 2020);
}

TEST_F(LoggerTest, TargetThatLogsWhileWritingDoesNotRecurse) {
    QuietBuiltIns();
    struct EchoTarget : RecordingTarget {
        EchoTarget() : RecordingTarget("echo") {}
        bool Write(const LogRecord& record) override {
            LogWrite(kLogAlways, 0, "echo of %s", record.message);
            return RecordingTarget::Write(record);
        }
    } target;
    Attached(target);
    LogWrite(kLogAlways, 0, "original");
    EXPECT_THAT(target.messages, ElementsAre("original"));
}

TEST_F(LoggerTest, ConcurrentWritersAndSettingChanges) {
    QuietBuiltIns();
    RecordingTarget target("T");
    Attached(target);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 200; ++i) LogWrite(kLogWarn, 0, "thread %d line %d", t, i);
        });
    }
    threads.emplace_back([&target] {
        for (int i = 0; i < 200; ++i) target.SetGroups(0, 0);
    });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(target.messages.size(), 800u);
    for (const std::string& message : target.messages) ASSERT_THAT(message, testing::MatchesPattern("thread [0-3] line [0-9]+"));
}

}  // namespace
}  // namespace kor
