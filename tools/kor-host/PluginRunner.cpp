#include "tools/kor-host/PluginRunner.h"

#include <utility>

#include "tools/hostkit/FunctionCall.h"
#include "tools/hostkit/RequestBuilder.h"
#include "tools/hostkit/ResponseHolder.h"
#include "tools/kor-host/HttpStatus.h"

namespace kor::korhost {
namespace {

void BuildRequest(hostkit::RequestBuilder& builder, const CallRequest& request) {
    builder.Method(request.method);
    const std::size_t question = request.url.find('?');
    if (question == std::string::npos) {
        builder.Url(request.url);
    } else {
        builder.Url(std::string_view(request.url).substr(0, question),
                    std::string_view(request.url).substr(question + 1));
    }
    for (const auto& [name, value] : request.headers) builder.Header(name, value);
    if (!request.body.empty()) builder.Body(request.contentType, request.body);
}

}  // namespace

CallAnswer PluginNotRunning() { return ErrorCallAnswer(kUnavailable, "the plug-in is not running"); }

PluginRunner::~PluginRunner() { Shutdown(); }

hostkit::Outcome<void> PluginRunner::Load(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (library_) return hostkit::Failure{"a plug-in is loaded already"};
    auto loaded = hostkit::PluginLibrary::Load(path);
    if (!loaded) return hostkit::Failure{loaded.error()};
    library_ = std::move(loaded).value();
    if (library_->api() != nullptr) routes_ = hostkit::FunctionRoutes(*library_->api());
    return {};
}

bool PluginRunner::Initialize() {
    std::lock_guard<std::mutex> lock(mutex_);
    return library_ != nullptr && library_->Initialize(table_.host());
}

void PluginRunner::Shutdown() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (library_ == nullptr || library_->shutDown()) return;
    library_->Shutdown();
    routes_ = hostkit::FunctionRoutes();
}

std::string PluginRunner::name() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return library_ != nullptr ? std::string(library_->name()) : std::string();
}

const PluginApiDescription* PluginRunner::api() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return library_ != nullptr ? library_->api() : nullptr;
}

CallAnswer PluginRunner::Locked::Call(const CallRequest& request) {
    PluginRunner& runner = runner_;
    if (runner.library_ == nullptr || !runner.library_->initialized() || runner.library_->shutDown()) {
        return PluginNotRunning();
    }
    const std::string_view path = hostkit::PathOfUrl(request.url);
    const PluginFunctionEntry* entry = runner.routes_.FindLiteral(request.method, path);
    if (entry == nullptr) {
        return ErrorCallAnswer(kNotFound, "no function serves " + request.method + " " + std::string(path));
    }
    hostkit::RequestBuilder builder;
    BuildRequest(builder, request);
    hostkit::ResponseHolder response;
    if (hostkit::Outcome<void> invoked = hostkit::InvokeFunction(*entry, builder, response); !invoked) {
        return ErrorCallAnswer(kServerError, invoked.error());
    }
    CallAnswer answer = AnswerOf(response);
    response.Release();
    return answer;
}

std::size_t PluginRunner::Locked::Deliver(std::string_view name, const hostkit::HostValue& payload) {
    PluginRunner& runner = runner_;
    if (runner.library_ == nullptr || !runner.library_->initialized() || runner.library_->shutDown()) return 0;
    return runner.table_.DeliverEvent(name, payload);
}

}  // namespace kor::korhost
