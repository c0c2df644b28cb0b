#include "support/TestHost.h"

#include <atomic>
#include <filesystem>
#include <system_error>

#include "tools/hostkit/FunctionCall.h"
#include "abi/FunctionName.h"

// The library keeps one thread-local flag, so every copy a test loads gets
// a dynamic TLS block. AddressSanitizer's guess at the bounds of such a
// block (a glibc header it expects just before blocks at page offset 16)
// reads unrelated memory when the allocator happens to place a block there,
// and the leak check at exit then crashes scanning that made-up range. Not
// following those blocks costs nothing: the flag holds no pointer.
#if defined(__SANITIZE_ADDRESS__)
extern "C" __attribute__((visibility("default"))) const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}
#endif

namespace kor::testing {
namespace {

std::string TextOrEmpty(const char* text) { return text != nullptr ? text : ""; }

std::string_view PathOf(std::string_view url) { return url.substr(0, url.find('?')); }

}  // namespace

// ---- TestHostTable ----------------------------------------------------------

TestHostTable::TestHostTable(uintptr_t handle) : HostTable(handle) {}

void TestHostTable::OnRequest(std::string url, RequestHandler handler) {
    std::lock_guard lock(mutex_);
    handlers_[std::move(url)] = std::move(handler);
}

void TestHostTable::AnswerValue(std::string url, HostValue value, uint32_t status) {
    OnRequest(std::move(url), [value = std::move(value), status](PluginResponse* response, const PluginRequest*) {
        hostkit::AnswerValue(response, value, status);
    });
}

void TestHostTable::AnswerError(std::string url, std::string message, uint32_t status) {
    OnRequest(std::move(url), [message = std::move(message), status](PluginResponse* response, const PluginRequest*) {
        hostkit::AnswerError(response, message, status);
    });
}

void TestHostTable::AnswerStream(std::string url, hostkit::StreamScript script, uint32_t status) {
    OnRequest(std::move(url), [script = std::move(script), status](PluginResponse* response, const PluginRequest*) {
        hostkit::AnswerStream(response, script, status);
    });
}

TestHostTable::RequestHandler TestHostTable::FindHandler(const std::string& url) const {
    std::lock_guard lock(mutex_);
    auto handler = handlers_.find(url);
    if (handler == handlers_.end()) handler = handlers_.find(PathOf(url));
    return handler != handlers_.end() ? handler->second : RequestHandler();
}

void TestHostTable::SendRequest(PluginResponse* response, const PluginRequest* request) {
    const std::string url = TextOrEmpty(request->url);
    {
        std::lock_guard lock(mutex_);
        records_.requests.push_back(SeenRequest{request->method, url, request->callWord});
    }
    RequestHandler handler = FindHandler(url);
    if (handler) {
        handler(response, request);
    } else {
        hostkit::AnswerError(response, "Not found", 404);
    }
}

void TestHostTable::FireEvent(const PluginEvent* event) {
    hostkit::Outcome<HostValue> payload = hostkit::ReadPlainValue(event->payload);
    std::lock_guard lock(mutex_);
    records_.firedEvents.push_back(FiredEvent{TextOrEmpty(event->name), payload.ok() ? payload.value() : HostValue()});
}

void TestHostTable::SubscribeEvent(const char* name, uintptr_t handle, PluginDispatchFn, void*, uint32_t flags) {
    std::lock_guard lock(mutex_);
    records_.subscriptionCalls.push_back(SubscriptionCall{true, TextOrEmpty(name), handle, flags});
}

void TestHostTable::UnsubscribeEvent(const char* name, uintptr_t handle) {
    std::lock_guard lock(mutex_);
    records_.subscriptionCalls.push_back(SubscriptionCall{false, TextOrEmpty(name), handle, 0});
}

void TestHostTable::Yield() {
    std::lock_guard lock(mutex_);
    ++records_.yields;
}

void TestHostTable::BeginWait(const char* label, uintptr_t) {
    std::lock_guard lock(mutex_);
    records_.waitLabels.push_back(TextOrEmpty(label));
}

uint64_t TestHostTable::EndWait() {
    std::lock_guard lock(mutex_);
    ++records_.endWaits;
    return 0;
}

void TestHostTable::Log(int32_t level, const char* message) {
    std::lock_guard lock(mutex_);
    records_.logLines.push_back(LogLine{level, TextOrEmpty(message)});
}

void TestHostTable::OnEntryFailure(std::string_view entry, std::string_view what) {
    std::lock_guard lock(mutex_);
    records_.failures.push_back(std::string(entry) + ": " + std::string(what));
}

void TestHostTable::ClearRecords() {
    std::lock_guard lock(mutex_);
    records_ = Records{};
}

// ---- TestHost ---------------------------------------------------------------

TestHost::TestHost(std::string libraryPath, uintptr_t handle) : path_(std::move(libraryPath)), table_(handle) {}

TestHost::~TestHost() { library_.reset(); }

hostkit::Outcome<void> TestHost::Load(hostkit::ApiVersion version) {
    if (library_) return hostkit::Failure{"the plug-in library is already loaded"};
    auto library = hostkit::PluginLibrary::Load(path_, version);
    if (!library.ok()) return hostkit::Failure{library.error()};
    library_ = std::move(library).value();
    return {};
}

bool TestHost::Initialize() { return library_ && library_->Initialize(table_.host()); }

void TestHost::Shutdown() {
    if (library_) library_->Shutdown();
}

hostkit::Outcome<std::unique_ptr<hostkit::ResponseHolder>> TestHost::Call(
    std::string_view method, std::string_view url, const std::function<void(hostkit::RequestBuilder&)>& prepare) {
    const std::string name = kor::MakeFunctionName(method, PathOf(url));
    const PluginFunctionEntry* entry = api() != nullptr ? hostkit::FindFunction(*api(), name) : nullptr;
    if (entry == nullptr) return hostkit::Failure{"the plug-in has no function " + name};
    hostkit::RequestBuilder request;
    const std::size_t question = url.find('?');
    request.Method(method).Url(url.substr(0, question),
                               question == std::string_view::npos ? std::string_view() : url.substr(question + 1));
    if (prepare) prepare(request);
    auto response = std::make_unique<hostkit::ResponseHolder>();
    hostkit::Outcome<void> called = hostkit::InvokeFunction(*entry, request, *response);
    if (!called.ok()) return hostkit::Failure{called.error()};
    return response;
}

std::size_t TestHost::DeliverEvent(std::string_view name, const HostValue& payload) {
    return table_.DeliverEvent(name, payload);
}

// ---- Fresh library copies ---------------------------------------------------

hostkit::Outcome<std::string> FreshLibraryCopy(const std::string& libraryPath, const std::string& directory) {
    static std::atomic<unsigned> copies{0};
    const std::filesystem::path source(libraryPath);
    const std::filesystem::path target = std::filesystem::path(directory) /
                                         (source.stem().string() + "-copy" + std::to_string(++copies) +
                                          source.extension().string());
    std::error_code error;
    std::filesystem::copy_file(source, target, std::filesystem::copy_options::overwrite_existing, error);
    if (error) return hostkit::Failure{"cannot copy " + libraryPath + ": " + error.message()};
    return target.string();
}

}  // namespace kor::testing
