#pragma once

// The fixture base of the tests that drive the built game-settings library
// through the test host. Each test runs in its own installation directory
// (the working directory while the test runs, removed afterwards) with a
// fresh copy of the library, so no process-wide state of one test reaches
// the next. A test may call TearDown() and SetUp() to start over.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "support/TestHost.h"
#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/ResourceEvent.h"

namespace kor::testing {

class InstalledLibraryTest : public ::testing::Test {
protected:
    // `library` is the built library to copy; `directoryPrefix` names the
    // installation directories under the temporary directory.
    InstalledLibraryTest(std::string library, std::string directoryPrefix);

    void SetUp() override;
    void TearDown() override;

    TestHostTable& table() { return host_->table(); }

    // Loads the library through its entry point and initializes it.
    void Start();
    // Shuts the plug-in down and starts a fresh copy of the library in the
    // same installation, as a client restarted on it would; the new host's
    // table has no scripted answers yet.
    void Restart();

    // Delivers a resource event of `path` under the key the plug-in
    // subscribes to; fails the test when nobody was subscribed.
    void Deliver(std::string_view path, hostkit::ResourceEventType type, hostkit::HostValue data);

    // The host's usual pair of events: the session of `account` turns
    // SUCCEEDED, then the player-preferences service says whether it is ready.
    void LogIn(uint64_t account, bool preferencesReady = true);

    // Calls the function serving `method` on `url`, with a JSON body when
    // one is given; the response must read, as an answer or as a failure
    // with a reason. Null when the plug-in has no such function.
    std::unique_ptr<hostkit::ResponseHolder> Call(const std::string& method, const std::string& url,
                                                  const std::string& jsonBody = {});
    // The answer of a call that must succeed (the empty value when it fails).
    hostkit::HostValue Answer(const std::string& method, const std::string& url, const std::string& jsonBody = {});

    bool Logged(std::string_view fragment, int32_t level) const;

    std::vector<TestHostTable::SeenRequest> RequestsTo(std::string_view url, uint32_t method) const;

    std::string root_;
    std::unique_ptr<TestHost> host_;

private:
    std::string library_;
    std::string directoryPrefix_;
    std::string previousDirectory_;
};

}  // namespace kor::testing
