#include "tools/hostkit/FunctionCall.h"

#include <string>

#include "tools/hostkit/ApiDescription.h"

namespace kor::hostkit {

Outcome<void> InvokeFunction(const PluginFunctionEntry& entry, RequestBuilder& request, ResponseHolder& response) {
    const std::string name(DescriptionText(entry.record.name));
    PluginInvokeFn invoke = entry.invoke;
    if (invoke == nullptr) return Failure{"function " + name + " has no invoke entry"};
    if (response.released() || response.view().release != nullptr) {
        return Failure{"the response record for " + name + " was already used"};
    }
    request.CallContext(entry.record.callContext);
    invoke(response.record(), request.record());
    return {};
}

}  // namespace kor::hostkit
