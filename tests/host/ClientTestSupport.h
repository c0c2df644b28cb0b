#pragma once

// A plug-in object built in the test and wired to the test host's table, for
// the client operations that the library's own code does not reach yet:
// requests, events, listeners, the service proxy and telemetry.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "binding/NativeTypeRegistration.h"
#include "host/Plugin.h"
#include "log/Logger.h"
#include "support/TestHost.h"

namespace kor::testing {

// A registered record, as the service's own records are.
struct ProbeRecord {
    std::string name;
    int32_t count = 0;
    bool enabled = false;
};

// A record that no registry knows: converting it always fails.
struct UnknownRecord {
    int32_t value = 0;
};

}  // namespace kor::testing

KOR_BINDING_TYPE_ID(kor::testing::ProbeRecord, 0x7E570001u);
KOR_BINDING_TYPE_ID(kor::testing::UnknownRecord, 0x7E570002u);

namespace kor::testing {

class ClientPlugin : public Plugin {
public:
    void RegisterApi() override {
        RegisterStruct<ProbeRecord>(registry(), "ProbeRecord")
            .Field("name", &ProbeRecord::name)
            .Field("count", &ProbeRecord::count)
            .Field("enabled", &ProbeRecord::enabled);
    }
};

// Each test gets a registered and initialized plug-in on the heap (as the
// entry point makes it) and a fresh logger; the shut-down callback ends it.
class ClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        DestroyLoggerForTesting();
        plugin_ = new ClientPlugin;
        std::memset(static_cast<void*>(&context_), 0, sizeof context_);
        context_.apiMajor = 18;
        plugin_->Register(&context_, "probe");
        ASSERT_EQ(context_.callbacks->initialize(plugin_, host_.host()), 1);
        host_.ClearRecords();
    }
    void TearDown() override {
        ShutDown();
        DestroyLoggerForTesting();
    }

    void ShutDown() {
        if (plugin_ == nullptr) return;
        context_.callbacks->shutdown(plugin_);
        plugin_ = nullptr;
    }

    ClientPlugin& plugin() { return *plugin_; }
    TestHostTable& host() { return host_; }

private:
    TestHostTable host_;  // outlives the plug-in
    ClientPlugin* plugin_ = nullptr;
    PluginHostContext context_{};
};

}  // namespace kor::testing
