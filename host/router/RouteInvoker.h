#pragma once

#include "binding/BindingFunctionDescriptor.h"
#include "binding/BindingProperty.h"
#include "host/router/HandlerOutcome.h"
#include "host/router/RequestInfo.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kor {

// The state of one call between Invoke and its release (for example the
// handler's native arguments). Releasing a call is destroying its handle.
class RouteCall {
public:
    virtual ~RouteCall() = default;
};

// Calls a route's handler in two steps. Invoke receives the bound arguments
// (one generic value per parameter, in declaration order) and prepares the
// call; when that leaves the outcome ok, Complete runs it, with the request
// information when TakesRequestInfo says so. Both report through the
// outcome; the router releases the handle after the answer is written.
//
// One invoker serves every call of its route, possibly on several threads at
// once, so the operations are const and keep per-call state in the handle.
class RouteInvoker {
public:
    virtual ~RouteInvoker() = default;

    // Called once, when the invoker's handler binding is made: the function
    // whose calls it will serve (its parameters, name and registry).
    virtual void Attach(const BindingFunctionDescriptor& /*function*/) {}

    virtual std::unique_ptr<RouteCall> Invoke(HandlerOutcome& outcome, std::vector<BindingProperty>& arguments,
                                              uintptr_t callWord) const = 0;
    virtual void Complete(HandlerOutcome& outcome, const RequestInfo* info, RouteCall* call,
                          uintptr_t callWord) const = 0;
    virtual bool TakesRequestInfo() const { return false; }
};

}  // namespace kor
