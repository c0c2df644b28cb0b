#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "binding/BindingProperty.h"
#include "binding/BindingRegistry.h"
#include "host/FunctionCallContext.h"
#include "host/FunctionInvoke.h"
#include "host/RouteInvoker.h"
#include "host/RouteRegistration.h"
#include "tools/hostkit/RequestBuilder.h"
#include "tools/hostkit/ResponseHolder.h"

namespace kor::testing {

// The records of the boundary are packed: GoogleTest binds references to
// what it compares, so fields are copied out first.
template <class T>
T Copy(T value) {
    return value;
}

// What a RecordingInvoker saw, shared with the test that made it.
struct InvokerLog {
    int invokes = 0;
    int completes = 0;
    int releases = 0;
    std::vector<BindingProperty> arguments;
    uintptr_t callWord = 0;
    bool hadInfo = false;
    std::string infoUrl;
    uint32_t infoMethod = 0;
    std::string infoCustomMethod;
    HeaderMap infoHeaders;
    uint64_t infoTime = 0;
    uintptr_t infoCallWord = 0;
    const BindingRegistry* infoRegistry = nullptr;
};

// An invoker that records the bound arguments and answers what the test
// says (an empty value by default).
class RecordingInvoker final : public RouteInvoker {
public:
    using Answer = std::function<HandlerOutcome(const std::vector<BindingProperty>&)>;

    RecordingInvoker(std::shared_ptr<InvokerLog> log, Answer answer, bool takesInfo)
        : log_(std::move(log)), answer_(std::move(answer)), takesInfo_(takesInfo) {}

    std::unique_ptr<RouteCall> Invoke(HandlerOutcome&, std::vector<BindingProperty>& arguments,
                                      uintptr_t callWord) const override {
        ++log_->invokes;
        log_->arguments.clear();
        log_->arguments.reserve(arguments.size());
        for (const BindingProperty& argument : arguments) log_->arguments.push_back(argument);
        log_->callWord = callWord;
        return std::make_unique<TrackedCall>(log_);
    }

    void Complete(HandlerOutcome& outcome, const RequestInfo* info, RouteCall*, uintptr_t) const override {
        ++log_->completes;
        log_->hadInfo = info != nullptr;
        if (info != nullptr) {
            log_->infoUrl = std::string(info->url);
            log_->infoMethod = info->method;
            log_->infoCustomMethod = std::string(info->customMethod);
            log_->infoHeaders = info->headers;
            log_->infoTime = info->time;
            log_->infoCallWord = info->callWord;
            log_->infoRegistry = info->registry;
        }
        if (answer_) outcome = answer_(log_->arguments);
    }

    bool TakesRequestInfo() const override { return takesInfo_; }

private:
    struct TrackedCall final : RouteCall {
        explicit TrackedCall(std::shared_ptr<InvokerLog> log) : log(std::move(log)) {}
        ~TrackedCall() override { ++log->releases; }
        std::shared_ptr<InvokerLog> log;
    };

    std::shared_ptr<InvokerLog> log_;
    Answer answer_;
    bool takesInfo_;
};

// A registry with routes, called the way the host calls them: through the
// invoke function, with the function's call context in the request record.
class RouterFixture : public ::testing::Test {
protected:
    struct Route {
        RouteBuilder builder;
        std::shared_ptr<InvokerLog> log;
        FunctionCallContext context;
    };

    Route& AddRoute(PluginMethod method, std::string_view path, RecordingInvoker::Answer answer = {},
                    bool takesInfo = false) {
        auto log = std::make_shared<InvokerLog>();
        RouteBuilder builder =
            RegisterRoute(registry_, tags_, method, path, std::make_unique<RecordingInvoker>(log, answer, takesInfo));
        routes_.push_back(std::make_unique<Route>(Route{builder, log, {&registry_, builder.binding()}}));
        return *routes_.back();
    }

    // Calls `route` with the request, into `response`.
    void Call(Route& route, hostkit::RequestBuilder& request, hostkit::ResponseHolder& response) {
        request.CallContext(&route.context);
        InvokePluginFunction(response.record(), request.record());
    }

    BindingRegistry registry_;
    std::vector<std::string> tags_{"Plugins", "Plugin kor-game-settings"};
    std::vector<std::unique_ptr<Route>> routes_;
};

}  // namespace kor::testing
