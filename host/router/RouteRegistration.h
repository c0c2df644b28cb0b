#pragma once

#include "binding/BindingRegistry.h"
#include "binding/BindingTypeDescriptor.h"
#include "binding/NativeTypeRegistration.h"
#include "abi/MethodNumbers.h"
#include "host/router/RouteHandlerBinding.h"
#include "host/router/RouteInvoker.h"

#include <memory>
#include <span>
#include <string>
#include <string_view>

namespace kor {

// Describes a route being registered: the function in the registry and its
// handler binding, side by side, so a parameter gets its type in the one and
// its location in the other. When the function was registered before, every
// call is ignored (the first registration stands), as with the registry's
// own builders.
class RouteBuilder {
public:
    RouteBuilder(BindingFunctionBuilder function, RouteHandlerBinding* binding)
        : function_(function), binding_(binding) {}

    bool alreadyRegistered() const { return binding_ == nullptr; }
    // The registry's builder, for the function's description, help, return
    // type and the like.
    BindingFunctionBuilder& function() { return function_; }
    // Null when the function was registered before.
    const RouteHandlerBinding* binding() const { return binding_; }

    // A parameter that may come from anywhere: header, query, path, the
    // argument list.
    RouteBuilder& AddParameter(std::string_view name, std::string_view description, const BindingTypeIdentifier& type,
                               bool optional = false);
    // The parameter that receives the request body.
    RouteBuilder& AddBodyParameter(std::string_view name, std::string_view description,
                                   const BindingTypeIdentifier& type);
    // A parameter taken from one location only.
    RouteBuilder& AddParameterAt(ParameterLocation location, std::string_view name, std::string_view description,
                                 const BindingTypeIdentifier& type, bool optional = false);

    // The same, with the type identifier of the native type T.
    template <class T>
    RouteBuilder& AddParameter(std::string_view name, std::string_view description, bool optional = false) {
        return AddParameter(name, description, NativeTypeIdentifierOf<T>(function_.descriptor()->registry), optional);
    }
    template <class T>
    RouteBuilder& AddBodyParameter(std::string_view name, std::string_view description) {
        return AddBodyParameter(name, description, NativeTypeIdentifierOf<T>(function_.descriptor()->registry));
    }

private:
    BindingFunctionBuilder function_;
    RouteHandlerBinding* binding_;
};

// Registers the function that serves `method` on `path` and attaches its
// handler binding with `invoker`. The function is named by
// MakeFunctionName(method text, path) and tagged with `tags` (the plug-in's
// tag list); the route keeps the path less one trailing "/" (a path of one
// character keeps it) and the method number with no custom text, so a route
// registered for PluginMethod::Custom fits no named custom method.
RouteBuilder RegisterRoute(BindingRegistry& registry, std::span<const std::string> tags, PluginMethod method,
                           std::string_view path, std::unique_ptr<RouteInvoker> invoker);

}  // namespace kor
