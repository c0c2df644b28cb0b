#include "host/router/RouteRegistration.h"

#include "abi/FunctionName.h"

namespace kor {

RouteBuilder& RouteBuilder::AddParameter(std::string_view name, std::string_view description,
                                         const BindingTypeIdentifier& type, bool optional) {
    return AddParameterAt(ParameterLocation::Any, name, description, type, optional);
}

RouteBuilder& RouteBuilder::AddBodyParameter(std::string_view name, std::string_view description,
                                             const BindingTypeIdentifier& type) {
    return AddParameterAt(ParameterLocation::Body, name, description, type);
}

RouteBuilder& RouteBuilder::AddParameterAt(ParameterLocation location, std::string_view name,
                                           std::string_view description, const BindingTypeIdentifier& type,
                                           bool optional) {
    if (binding_ == nullptr) return *this;
    function_.AddParameter(name, description, type, optional);
    binding_->AddParameterLocation(location);
    return *this;
}

RouteBuilder RegisterRoute(BindingRegistry& registry, std::span<const std::string> tags, PluginMethod method,
                           std::string_view path, std::unique_ptr<RouteInvoker> invoker) {
    BindingFunctionBuilder function = registry.BeginFunction(MakeFunctionName(MethodText(method), path));
    if (function.alreadyRegistered()) return RouteBuilder(function, nullptr);

    std::string_view routePath = path;
    if (routePath.size() > 1 && routePath.back() == '/') routePath.remove_suffix(1);
    auto binding = std::make_unique<RouteHandlerBinding>(*function.descriptor(), std::move(invoker), routePath,
                                                         static_cast<uint32_t>(method));
    RouteHandlerBinding* raw = binding.get();
    for (const std::string& tag : tags) function.AddTag(tag);
    function.SetHandler(std::move(binding));
    return RouteBuilder(function, raw);
}

}  // namespace kor
