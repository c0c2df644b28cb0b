#pragma once

#include "abi/PluginAbi.h"
#include "host/router/RouteHandlerBinding.h"

namespace kor {

class BindingRegistry;

// Answers one call of a routed function into `response` (already readied by
// PreparePluginResponse): matches the request against the binding's route,
// binds the arguments, runs the invoker and writes the outcome. A request
// the route does not match is answered "Invalid function" with status 404
// and reaches no handler; a binding failure is answered with its message
// and reaches no handler either. Exceptions from binding or the handler
// propagate to the caller, which owns the boundary.
void DispatchCall(PluginResponse& response, const PluginRequest& request, const RouteHandlerBinding& binding,
                  const BindingRegistry* registry);

}  // namespace kor
