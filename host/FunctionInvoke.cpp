#include "host/FunctionInvoke.h"

#include "host/PluginResponseRecord.h"

namespace kor {

// The router matches the request against the called function's route and
// binds its arguments; until a route exists for a function, every call is
// answered the way an unmatched route is.
void InvokePluginFunction(PluginResponse* response, const PluginRequest*) {
    if (response == nullptr) return;
    PreparePluginResponse(response);
    SetResponseError(response, "Invalid function", 404);
}

}  // namespace kor
