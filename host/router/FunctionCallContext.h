#pragma once

namespace kor {

class BindingRegistry;
class BindingFunctionHandler;

// The call context of a function record in the API description: the host
// hands it back, unchanged, in the request record of every call of that
// function, so the invoke function finds the registry and the function's
// handler binding without a lookup. It lives as long as the description.
struct FunctionCallContext {
    const BindingRegistry* registry;
    const BindingFunctionHandler* handlerBinding;
};

}  // namespace kor
