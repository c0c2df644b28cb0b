#pragma once

#include "binding/BindingFunctionDescriptor.h"
#include "host/router/RouteInvoker.h"
#include "host/router/RoutePattern.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kor {

// Where an argument may come from; one per parameter of a route.
enum class ParameterLocation : uint32_t {
    Any = 0,
    Path = 1,
    Query = 2,
    Header = 4,
    Body = 5,
};

// What the router attaches to a function of the registry: the invoker, the
// path pattern with its method, and where each parameter is taken from.
//
// The route is compiled here, once, from the path pattern (or the
// function's name when the pattern is empty): calls only read it, so any
// number of them may run at once. Parameter locations are appended while the
// route is registered, before any call.
class RouteHandlerBinding final : public BindingFunctionHandler {
public:
    RouteHandlerBinding(const BindingFunctionDescriptor& function, std::unique_ptr<RouteInvoker> invoker,
                        std::string_view path, uint32_t method, std::string_view customMethod = {});

    const BindingFunctionDescriptor& function() const { return *function_; }
    const RouteInvoker& invoker() const { return *invoker_; }
    const std::string& path() const { return path_; }
    uint32_t method() const { return method_; }
    const std::string& customMethod() const { return customMethod_; }
    const RoutePattern& route() const { return route_; }

    void AddParameterLocation(ParameterLocation location) { locations_.push_back(location); }
    // The declared location of a parameter; Any for one without an entry.
    ParameterLocation location(std::size_t parameter) const {
        return parameter < locations_.size() ? locations_[parameter] : ParameterLocation::Any;
    }
    const std::vector<ParameterLocation>& locations() const { return locations_; }

private:
    const BindingFunctionDescriptor* function_;
    std::unique_ptr<RouteInvoker> invoker_;
    std::string path_;
    uint32_t method_;
    std::string customMethod_;
    std::vector<ParameterLocation> locations_;
    RoutePattern route_;
};

}  // namespace kor
