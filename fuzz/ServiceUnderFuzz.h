#pragma once

#include "support/TestHost.h"

namespace kor::fuzz {

// The real game-settings plug-in, linked into the fuzz target and driven
// through its entry point, callbacks, function entries and event dispatch
// exactly as the host drives the library. Made once per process, in a fresh
// installation directory under $TMPDIR (or /tmp) that becomes the working
// directory,
// with scripted host services, an account logged in and its settings
// loaded, so that fuzzed calls and events meet a service in full use.
class ServiceUnderFuzz {
public:
    static ServiceUnderFuzz& Instance();

    testing::TestHost& host() { return host_; }
    testing::TestHostTable& table() { return host_.table(); }

    // Drops what the test host recorded, so that a long run does not grow.
    void ForgetRecords() { host_.table().ClearRecords(); }

private:
    ServiceUnderFuzz();
    void ScriptHostServices();
    void LogInAndLoad();

    testing::TestHost host_;
};

}  // namespace kor::fuzz
