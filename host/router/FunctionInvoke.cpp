#include "host/router/FunctionInvoke.h"

#include "abi/HttpStatus.h"
#include "host/router/EndpointDispatch.h"
#include "host/router/FunctionCallContext.h"
#include "host/router/PluginResponseRecord.h"
#include "host/router/RouteHandlerBinding.h"
#include "host/router/RouterMessages.h"

#include <exception>

namespace kor {
namespace {

const RouteHandlerBinding* FindBinding(const PluginRequest& request) {
    const auto* context = static_cast<const FunctionCallContext*>(request.callContext);
    if (context == nullptr) return nullptr;
    return dynamic_cast<const RouteHandlerBinding*>(context->handlerBinding);
}

// Whatever a failed call had written is dropped, so the host reads one
// consistent failure.
void AnswerInternalError(PluginResponse* response, std::string_view message) noexcept {
    PreparePluginResponse(response);
    SetResponseError(response, message.empty() ? RouterMessageText(RouterMessage::InternalServerError) : message,
                     http::kServerError);
}

}  // namespace

void InvokePluginFunction(PluginResponse* response, const PluginRequest* request) {
    if (response == nullptr) return;
    PreparePluginResponse(response);
    try {
        const RouteHandlerBinding* binding = request != nullptr ? FindBinding(*request) : nullptr;
        if (binding == nullptr) {
            SetResponseError(response, RouterMessageText(RouterMessage::InvalidFunction), http::kNotFound);
            return;
        }
        const auto* context = static_cast<const FunctionCallContext*>(request->callContext);
        const BindingRegistry* registry =
            binding->function().registry != nullptr ? binding->function().registry : context->registry;
        DispatchCall(*response, *request, *binding, registry);
    } catch (const std::exception& error) {
        AnswerInternalError(response, error.what());
    } catch (...) {
        AnswerInternalError(response, {});
    }
}

}  // namespace kor
