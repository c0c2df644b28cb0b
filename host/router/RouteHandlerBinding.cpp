#include "host/router/RouteHandlerBinding.h"

namespace kor {

RouteHandlerBinding::RouteHandlerBinding(const BindingFunctionDescriptor& function,
                                         std::unique_ptr<RouteInvoker> invoker, std::string_view path,
                                         uint32_t method, std::string_view customMethod)
    : function_(&function),
      invoker_(std::move(invoker)),
      path_(path),
      method_(method),
      customMethod_(customMethod),
      route_(RoutePattern::Compile(path_.empty() ? std::string_view(function.name) : std::string_view(path_))) {
    invoker_->Attach(function);
}

}  // namespace kor
