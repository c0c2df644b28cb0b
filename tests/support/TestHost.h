#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "abi/PluginAbi.h"
#include "tools/hostkit/ApiDescription.h"
#include "tools/hostkit/HostAnswer.h"
#include "tools/hostkit/HostTable.h"
#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/Outcome.h"
#include "tools/hostkit/PlainValueReader.h"
#include "tools/hostkit/PluginLibrary.h"
#include "tools/hostkit/RequestBuilder.h"
#include "tools/hostkit/ResponseHolder.h"

namespace kor::testing {

using hostkit::HostValue;

// The host function table of the test host: records every entry the plug-in
// calls and answers its requests from scripted per-URL handlers. It works
// for a plug-in loaded from the shared library (TestHost) and for a plug-in
// object built in the test itself (pass host() to its Initialize).
//
// Requests are answered by the handler registered for the exact URL, else
// by the one registered for the URL's path (the text before "?"), else with
// 404 "Not found". The plug-in may call from any thread: every record and
// the handler table are guarded by one lock, which is not held while a
// handler runs.
class TestHostTable : public hostkit::HostTable {
public:
    using RequestHandler = std::function<void(PluginResponse* response, const PluginRequest* request)>;

    struct LogLine {
        int32_t level = 0;
        std::string message;
    };
    struct FiredEvent {
        std::string name;
        HostValue payload;  // empty when the record did not read
    };
    struct SeenRequest {
        uint32_t method = 0;
        std::string url;
        uintptr_t callWord = 0;
    };
    struct SubscriptionCall {
        bool subscribe = true;  // false: unsubscribe
        std::string name;
        uintptr_t handle = 0;
        uint32_t flags = 0;
    };

    explicit TestHostTable(uintptr_t handle = 0x51);

    // ---- scripted answers ----
    void OnRequest(std::string url, RequestHandler handler);
    void AnswerValue(std::string url, HostValue value, uint32_t status = 200);
    void AnswerError(std::string url, std::string message, uint32_t status);
    void AnswerStream(std::string url, hostkit::StreamScript script, uint32_t status = 200);

    // ---- what the plug-in did, in call order ----
    std::vector<LogLine> logLines() const { return Locked(records_.logLines); }
    std::vector<FiredEvent> firedEvents() const { return Locked(records_.firedEvents); }
    std::vector<SeenRequest> requests() const { return Locked(records_.requests); }
    std::vector<SubscriptionCall> subscriptionCalls() const { return Locked(records_.subscriptionCalls); }
    std::vector<std::string> waitLabels() const { return Locked(records_.waitLabels); }
    int yields() const { return Locked(records_.yields); }
    int endWaits() const { return Locked(records_.endWaits); }
    std::vector<std::string> failures() const { return Locked(records_.failures); }  // "entry: what"
    void ClearRecords();

protected:
    void SendRequest(PluginResponse* response, const PluginRequest* request) override;
    void FireEvent(const PluginEvent* event) override;
    void SubscribeEvent(const char* name, uintptr_t handle, PluginDispatchFn dispatch, void* context,
                        uint32_t flags) override;
    void UnsubscribeEvent(const char* name, uintptr_t handle) override;
    void Yield() override;
    void BeginWait(const char* label, uintptr_t word) override;
    uint64_t EndWait() override;
    void Log(int32_t level, const char* message) override;
    void OnEntryFailure(std::string_view entry, std::string_view what) override;

private:
    RequestHandler FindHandler(const std::string& url) const;
    template <class T>
    T Locked(const T& record) const {
        std::lock_guard lock(mutex_);
        return record;
    }

    mutable std::mutex mutex_;
    std::map<std::string, RequestHandler, std::less<>> handlers_;
    struct Records {
        std::vector<LogLine> logLines;
        std::vector<FiredEvent> firedEvents;
        std::vector<SeenRequest> requests;
        std::vector<SubscriptionCall> subscriptionCalls;
        std::vector<std::string> waitLabels;
        int yields = 0;
        int endWaits = 0;
        std::vector<std::string> failures;
    } records_;
};

// A host that loads the plug-in library and drives it: entry point, the
// three callbacks, calls of function entries, event delivery. The table is
// declared before the library so that it outlives the plug-in; destruction
// shuts a plug-in down that the test left running.
//
//   TestHost host(KOR_GAME_SETTINGS_LIBRARY);
//   ASSERT_TRUE(host.Load().ok());
//   ASSERT_TRUE(host.Initialize());
//   auto response = host.Call("GET", "/kor-game-settings/v1/ready");
class TestHost {
public:
    explicit TestHost(std::string libraryPath, uintptr_t handle = 0x51);
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    // Loads the library and calls its entry point with `version` in the
    // context block; fails when already loaded.
    hostkit::Outcome<void> Load(hostkit::ApiVersion version = {});
    bool loaded() const { return library_ != nullptr; }

    // The initialize callback with this host's table; false when not loaded.
    bool Initialize();
    // The shut-down callback (once).
    void Shutdown();

    TestHostTable& table() { return table_; }
    const TestHostTable& table() const { return table_; }
    const PluginHostContext& context() const { return library_->context(); }  // valid once loaded
    // The API description; null before Load and after Shutdown.
    const PluginApiDescription* api() const { return library_ ? library_->api() : nullptr; }

    // Calls the function registered for `method` on the URL's path (the
    // function named MakeFunctionName(method, path)) through its entry, with
    // a request of that method and URL; `prepare` may add arguments, headers
    // and a body. Fails when the plug-in has no such function.
    hostkit::Outcome<std::unique_ptr<hostkit::ResponseHolder>> Call(
        std::string_view method, std::string_view url,
        const std::function<void(hostkit::RequestBuilder&)>& prepare = {});

    // Delivers an event through the dispatch function of every subscription
    // of `name`; the number of dispatch calls made.
    std::size_t DeliverEvent(std::string_view name, const HostValue& payload);

private:
    std::string path_;
    TestHostTable table_;
    std::unique_ptr<hostkit::PluginLibrary> library_;
};

// Copies the library at `libraryPath` into `directory` under a name no
// earlier copy of this process had, and answers the copy's path. The
// library stays mapped once loaded, so loading the same path again finds
// the process-wide state a previous test left (cached install locations,
// the configuration-file cache, singletons); a new copy is a new library to
// the loader and starts from fresh state. Give its path to TestHost.
hostkit::Outcome<std::string> FreshLibraryCopy(const std::string& libraryPath, const std::string& directory);

}  // namespace kor::testing
