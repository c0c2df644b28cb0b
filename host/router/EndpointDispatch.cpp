#include "host/router/EndpointDispatch.h"

#include "abi/HttpStatus.h"
#include "host/router/ArgumentBinder.h"
#include "host/router/IncomingRequest.h"
#include "host/router/PluginResponseRecord.h"
#include "host/router/RequestInfo.h"
#include "host/router/ResponseWriter.h"
#include "host/router/RouteMatcher.h"
#include "host/router/RouterMessages.h"
#include "platform/Clock.h"

namespace kor {
namespace {

RequestInfo MakeRequestInfo(const IncomingRequest& request, HeaderMap headers, const BindingRegistry* registry) {
    RequestInfo info;
    info.callWord = request.callWord();
    info.time = platform::CurrentUnixTimeTicks();
    info.url = request.url();
    info.registry = registry;
    info.method = request.method();
    info.customMethod = request.customMethod();
    info.headers = std::move(headers);
    return info;
}

}  // namespace

void DispatchCall(PluginResponse& response, const PluginRequest& record, const RouteHandlerBinding& binding,
                  const BindingRegistry* registry) {
    const IncomingRequest request(record);
    const RouteCandidate route{&binding.route(), binding.method(), binding.customMethod()};
    const std::optional<RouteMatch> match =
        MatchRoute(std::span(&route, 1), request.method(), request.customMethod(), request.path());
    if (!match) {
        SetResponseError(&response, RouterMessageText(RouterMessage::InvalidFunction), http::kNotFound);
        return;
    }

    HeaderMap headers = request.headers();
    ArgumentBinder binder(binding);
    HandlerOutcome outcome;
    std::unique_ptr<RouteCall> call;  // released when this function ends, after the answer is written
    if (!binder.Bind(request, headers, match->captures)) {
        outcome.Fail(binder.error());
    } else {
        const RouteInvoker& invoker = binding.invoker();
        call = invoker.Invoke(outcome, binder.arguments(), request.callWord());
        if (!outcome.failed()) {
            if (invoker.TakesRequestInfo()) {
                const RequestInfo info = MakeRequestInfo(request, std::move(headers), registry);
                invoker.Complete(outcome, &info, call.get(), request.callWord());
            } else {
                invoker.Complete(outcome, nullptr, call.get(), request.callWord());
            }
        }
    }
    WriteOutcome(response, outcome, registry, binding.function().name);
}

}  // namespace kor
