#include "host/router/ResponseWriter.h"

#include "abi/HttpStatus.h"
#include "binding/BindingPlainValue.h"
#include "host/router/PluginResponseRecord.h"
#include "host/router/RouterMessages.h"
#include "log/MessageFormat.h"
#include "platform/CountingAllocator.h"

namespace kor {
namespace {


uint32_t FormatCode(uint32_t format) { return format >= 1 && format <= 3 ? format : 0; }

void WriteHeaders(PluginResponse& response, const std::vector<std::pair<std::string, std::string>>& headers) noexcept {
    if (headers.empty()) return;
    auto* array = static_cast<PluginHeader*>(platform::CountedAllocateZeroed(headers.size(), sizeof(PluginHeader)));
    if (array == nullptr) return;
    response.headers = array;
    for (const auto& [name, value] : headers) {
        PluginHeader& entry = array[response.headerCount];
        entry.name = DuplicateResponseText(name);
        entry.value = DuplicateResponseText(value);
        // The release function frees both texts of every counted entry.
        ++response.headerCount;
        if (entry.name == nullptr || entry.value == nullptr) return;
    }
}

void WriteStream(PluginResponse& response, HandlerOutcome& outcome) noexcept {
    if (!outcome.hasStream()) return;
    const HandlerStream stream = outcome.TakeStream();
    response.streamRead = stream.read;
    response.streamDestroy = stream.destroy;
    response.streamSizeHint = stream.sizeHint;
    response.stream = stream.object;
}

}  // namespace

void WriteOutcome(PluginResponse& response, HandlerOutcome& outcome, const BindingRegistry* registry,
                  std::string_view functionName) noexcept {
    if (outcome.failed()) {
        SetResponseError(&response, outcome.result.ErrorText(), outcome.status);
    } else if (!ConvertToPlainValue(outcome.result.value(), response.value, registry)) {
        std::string message;
        try {
            message = FormatMessage(RouterMessageText(RouterMessage::UnconvertibleResult), functionName);
        } catch (...) {
            // Out of memory: the status still tells what happened.
        }
        SetResponseError(&response, message, outcome.status != 0 ? outcome.status : http::kBadRequest);
    } else {
        response.status = outcome.status;
    }
    response.resultFlags = outcome.flags;
    response.format = FormatCode(outcome.format);
    SetResponseStatusMessage(&response, outcome.statusMessage);
    WriteHeaders(response, outcome.headers);
    WriteStream(response, outcome);
}

}  // namespace kor
