#pragma once

#include "abi/PluginAbi.h"
#include "tools/hostkit/Outcome.h"
#include "tools/hostkit/RequestBuilder.h"
#include "tools/hostkit/ResponseHolder.h"

namespace kor::hostkit {

// Calls a function entry of the plug-in: the request gets the entry's call
// context, then the entry's invoke function fills `response`. Fails, without
// calling anything, when the entry has no invoke function or the response
// record was already used.
Outcome<void> InvokeFunction(const PluginFunctionEntry& entry, RequestBuilder& request, ResponseHolder& response);

}  // namespace kor::hostkit
