#include "host/client/ServiceProxy.h"

#include "log/Log.h"
#include "log/MessageFormat.h"

namespace kor {
namespace {

constexpr std::string_view kServiceProxyKey = "%1.%2";
constexpr const char* kFulfilled = "%s: Fulfilled service proxy request: %s";
constexpr const char* kNoAsyncHandler = "%s: Could not find registered handler for async service proxy event %s";

}  // namespace

std::string ServiceProxyKeyOf(std::string_view serviceName, std::string_view methodName) {
    return FormatMessage(kServiceProxyKey, serviceName, methodName);
}

void ServiceProxy::StoreAnswer(const std::string& key, const PluginServiceProxyResponse& response) {
    std::lock_guard lock(mutex_);
    answers_[key] = response;
}

std::optional<std::string> ServiceProxy::Fulfil(std::string_view clientName) {
    std::lock_guard lock(mutex_);
    for (auto answer = answers_.begin(); answer != answers_.end(); ++answer) {
        auto pending = pending_.find(answer->first);
        if (pending == pending_.end()) continue;
        std::string key = answer->first;
        // Both entries leave the tables even when the callback throws.
        ServiceProxyCallback callback = std::move(pending->second);
        PluginServiceProxyResponse response = std::move(answer->second);
        pending_.erase(pending);
        answers_.erase(answer);
        if (callback) callback(response);
        const std::string client(clientName);
        LogWrite(kLogAlways, kLogGroupDbg, kFulfilled, client.c_str(), key.c_str());
        return key;
    }
    return std::nullopt;
}

bool ServiceProxy::DeliverAsync(std::string_view clientName, const std::string& key,
                                const PluginServiceProxyResponse& response) {
    std::lock_guard lock(mutex_);
    auto handler = asyncHandlers_.find(key);
    if (handler != asyncHandlers_.end() && handler->second) {
        handler->second(response);
        return true;
    }
    const std::string client(clientName);
    LogError(kNoAsyncHandler, client.c_str(), key.c_str());
    return false;
}

void ServiceProxy::AddPendingRequest(const std::string& key, ServiceProxyCallback callback) {
    std::lock_guard lock(mutex_);
    pending_[key] = std::move(callback);
}

void ServiceProxy::SetAsyncHandler(const std::string& key, ServiceProxyCallback handler) {
    std::lock_guard lock(mutex_);
    asyncHandlers_[key] = std::move(handler);
}

void ServiceProxy::Clear() {
    std::lock_guard lock(mutex_);
    answers_.clear();
    pending_.clear();
    asyncHandlers_.clear();
}

std::size_t ServiceProxy::answerCount() const {
    std::lock_guard lock(mutex_);
    return answers_.size();
}

std::size_t ServiceProxy::pendingCount() const {
    std::lock_guard lock(mutex_);
    return pending_.size();
}

std::optional<PluginServiceProxyResponse> ServiceProxy::AnswerOf(const std::string& key) const {
    std::lock_guard lock(mutex_);
    auto answer = answers_.find(key);
    if (answer == answers_.end()) return std::nullopt;
    return answer->second;
}

}  // namespace kor
