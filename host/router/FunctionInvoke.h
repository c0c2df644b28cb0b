#pragma once

#include "abi/PluginAbi.h"

namespace kor {

// The invoke function of every function entry of the API description: the
// host calls it with a zero-filled response record and a request record
// whose call context is the entry's FunctionCallContext. Everything is
// reported in the response record; nothing is thrown.
void InvokePluginFunction(PluginResponse* response, const PluginRequest* request);

}  // namespace kor
