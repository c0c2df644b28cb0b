#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "host/client/PluginManagerTypes.h"

namespace kor {

// A callback that receives a service-proxy answer or message.
using ServiceProxyCallback = std::function<void(const PluginServiceProxyResponse& response)>;

// The key of a service and method: "%1.%2" ("inventory.getItems").
std::string ServiceProxyKeyOf(std::string_view serviceName, std::string_view methodName);

// The plug-in's side of the service proxy: the received answers, the
// pending requests that wait for them and the handlers of asynchronous
// messages, each keyed by a uuid or a service-and-method key.
//
// One non-recursive mutex guards the three tables. Callbacks of pending
// requests and asynchronous handlers run while it is held, so they must not
// call back into this object. Answers may arrive on any thread: storing and
// fulfilling take the mutex separately, so an answer stored by one thread
// may be fulfilled by another thread's pass.
class ServiceProxy {
public:
    // Keeps `response` as the answer of `key`, replacing an earlier one.
    void StoreAnswer(const std::string& key, const PluginServiceProxyResponse& response);

    // One pass: walks the answers in key order and, for the first one with
    // a pending request of the same key, calls the request's callback,
    // writes "<client>: Fulfilled service proxy request: <key>" at level 3
    // and removes both. At most one request is fulfilled per pass; answers
    // without a pending request stay. Returns the fulfilled key.
    std::optional<std::string> Fulfil(std::string_view clientName);

    // Hands an asynchronous message to the handler of `key`; without one,
    // writes "<client>: Could not find registered handler for async service
    // proxy event <key>" at level 2 and drops the message. True when a
    // handler took it.
    bool DeliverAsync(std::string_view clientName, const std::string& key,
                      const PluginServiceProxyResponse& response);

    // The operations that fill the other two tables. No part of this
    // plug-in issues service-proxy calls yet; they exist so that the
    // tables can be driven and tested.
    void AddPendingRequest(const std::string& key, ServiceProxyCallback callback);
    void SetAsyncHandler(const std::string& key, ServiceProxyCallback handler);

    // Empties all three tables.
    void Clear();

    std::size_t answerCount() const;
    std::size_t pendingCount() const;
    std::optional<PluginServiceProxyResponse> AnswerOf(const std::string& key) const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, PluginServiceProxyResponse, std::less<>> answers_;
    std::map<std::string, ServiceProxyCallback, std::less<>> pending_;
    std::map<std::string, ServiceProxyCallback, std::less<>> asyncHandlers_;
};

}  // namespace kor
