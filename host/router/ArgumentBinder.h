#pragma once

#include "binding/BindingFunctionDescriptor.h"
#include "binding/BindingProperty.h"
#include "host/router/IncomingRequest.h"
#include "host/router/RouteHandlerBinding.h"
#include "host/router/RouteMatcher.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kor {

// The highest collection index an argument path ("list.3") may name. The
// collection grows to hold the index, so the bound keeps a short argument
// text from making a collection of billions of elements.
inline constexpr uint64_t kMaxArgumentIndex = 65535;
// The most elements the index paths of one call may add in all, so that many
// arguments with large indexes cannot add up to what one may not.
inline constexpr std::size_t kMaxGrownElements = std::size_t{1} << 20;

// Binds the arguments of one call to a route's parameters: one generic value
// per parameter, filled from the headers, the query string, the path
// captures, the request's argument list and the body, in that order. The
// first failure ends binding; its message is in error().
//
// Messages (%1, %2 as noted at each step):
//   "Unknown argument '%1' for '%2'."
//   "Argument '%1' for '%2' was specified in an invalid location."
//   "Expected value for argument '%1'."
//   "Index %1 is in an incorrect format"
//   "Index %1 is out of range" (also when the call's growth budget is spent)
//   the decoding messages of ValueDecoding.h
class ArgumentBinder {
public:
    explicit ArgumentBinder(const RouteHandlerBinding& binding);

    // Every step of a call, in order. False at the first failure.
    bool Bind(const IncomingRequest& request, const HeaderMap& headers, const std::vector<RouteCapture>& captures);

    // One named argument given as text. The name is a parameter's name,
    // optionally followed by an index path ("list.2.name") that descends into
    // the parameter's value: a segment starting with a digit is a collection
    // index (decimal, "0x" hexadecimal or "0" octal), any other a structure
    // member. A parameter declared at another location than `location`
    // (unless either is Any) refuses the argument.
    bool BindOne(std::string_view name, std::string_view text, std::string_view contentType,
                 ParameterLocation location);

    std::vector<BindingProperty>& arguments() { return arguments_; }
    const std::string& error() const { return error_; }

private:
    bool BindHeaders(const HeaderMap& headers);
    bool BindQuery(std::string_view query);
    bool BindCaptures(const std::vector<RouteCapture>& captures);
    bool BindArgumentList(std::span<const PluginArgument> list, std::size_t captureCount);
    bool BindBody(const IncomingRequest& request);

    // The value an index path names inside `root`, created as needed; null
    // after a failure.
    BindingProperty* Descend(BindingProperty& root, std::string_view path);
    // Counts the elements writing `index` adds; false once the call's
    // budget is spent.
    bool Grow(const BindingProperty& collection, std::size_t index);
    bool Fail(std::string message);

    const RouteHandlerBinding& binding_;
    const BindingFunctionDescriptor& function_;
    std::vector<BindingProperty> arguments_;
    std::string error_;
    std::size_t grownElements_ = 0;
};

}  // namespace kor
