#pragma once

// Handlers written as plain C++ callables. The invoker converts each bound
// argument into the handler's parameter type with the binding layer's native
// conversions, and the handler's answer back:
//
//   RegisterRoute(registry, tags, PluginMethod::Patch, "/kor-game-settings/v1/game-settings",
//                 [this](const BindingProperty& change) { return Patch(change); })
//       .AddBodyParameter<BindingProperty>("settingsResource", "");
//
// A handler may take `const RequestInfo&` as its first parameter to learn
// about the call. It may return HandlerOutcome (for a status, headers or a
// stream, or ErrorResponse(...)), BindingProperty, void (an empty answer),
// or any native type with a converter (bool, integers, strings, registered
// records...).

#include "binding/BindingFunctionDescriptor.h"
#include "binding/BindingResult.h"
#include "binding/NativeTypeRegistration.h"
#include "host/router/HandlerOutcome.h"
#include "host/router/RequestInfo.h"
#include "host/router/RouteInvoker.h"
#include "host/router/RouteRegistration.h"
#include "host/router/RouterMessages.h"
#include "log/MessageFormat.h"

#include <concepts>
#include <functional>
#include <memory>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

namespace kor {

namespace typed_route_detail {

template <class T>
inline constexpr bool kIsRequestInfo = std::is_same_v<std::remove_cvref_t<T>, RequestInfo>;

// Converts one bound value into a handler argument. A generic value moves as
// it is; an optional parameter left empty keeps its default native value.
template <class T>
void ConvertArgument(BindingResult& result, T& target, BindingProperty& source,
                     const BindingParameterDescriptor* parameter, const BindingRegistry* registry) {
    if constexpr (std::is_same_v<T, BindingProperty>) {
        target = std::move(source);
    } else {
        if (source.IsEmpty() && parameter != nullptr && parameter->optional) return;
        ConvertToNative(result, target, source, parameter != nullptr ? parameter->name : std::string_view(),
                        registry);
    }
}

// Turns what a handler returned into its outcome.
template <class R>
void StoreAnswer(HandlerOutcome& outcome, R&& answer, const BindingRegistry* registry) {
    using Answer = std::remove_cvref_t<R>;
    if constexpr (std::is_same_v<Answer, HandlerOutcome>) {
        outcome = std::forward<R>(answer);
    } else if constexpr (std::is_same_v<Answer, BindingProperty>) {
        outcome.result.value() = std::forward<R>(answer);
    } else {
        ConvertToProperty(outcome.result, answer, registry);
    }
}

// The handler's arguments as stored between Invoke and Complete: by value,
// without the leading RequestInfo when the handler takes one.
template <bool DropFirst, class... Args>
struct NativeTuple {
    using Type = std::tuple<std::remove_cvref_t<Args>...>;
};
template <class First, class... Rest>
struct NativeTuple<true, First, Rest...> {
    using Type = std::tuple<std::remove_cvref_t<Rest>...>;
};

template <class Function>
struct SignatureOf;
template <class Signature>
struct SignatureOf<std::function<Signature>> {
    using Type = Signature;
};

}  // namespace typed_route_detail

template <class Signature>
class TypedRouteInvoker;

// Invoke converts the arguments into a call object (the call handle);
// Complete runs the handler on them.
template <class R, class... Args>
class TypedRouteInvoker<R(Args...)> final : public RouteInvoker {
    static constexpr bool kTakesInfo = [] {
        if constexpr (sizeof...(Args) == 0) {
            return false;
        } else {
            return typed_route_detail::kIsRequestInfo<std::tuple_element_t<0, std::tuple<Args...>>>;
        }
    }();

    using NativeArguments = typename typed_route_detail::NativeTuple<kTakesInfo, Args...>::Type;

    struct Call final : RouteCall {
        NativeArguments arguments;
    };

public:
    explicit TypedRouteInvoker(std::function<R(Args...)> handler) : handler_(std::move(handler)) {}

    void Attach(const BindingFunctionDescriptor& function) override { function_ = &function; }
    bool TakesRequestInfo() const override { return kTakesInfo; }

    std::unique_ptr<RouteCall> Invoke(HandlerOutcome& outcome, std::vector<BindingProperty>& arguments,
                                      uintptr_t /*callWord*/) const override {
        constexpr std::size_t kCount = std::tuple_size_v<NativeArguments>;
        auto call = std::make_unique<Call>();
        if (arguments.size() != kCount) {
            outcome = InternalServerErrorResponse(
                FormatMessage(RouterMessageText(RouterMessage::HandlerArity), name(), kCount, arguments.size()));
            return call;
        }
        ConvertAll(outcome.result, call->arguments, arguments, std::make_index_sequence<kCount>());
        return call;
    }

    void Complete(HandlerOutcome& outcome, const RequestInfo* info, RouteCall* call,
                  uintptr_t /*callWord*/) const override {
        auto& native = static_cast<Call*>(call)->arguments;
        const BindingRegistry* registry = function_ != nullptr ? function_->registry : nullptr;
        auto run = [&](auto&... values) -> decltype(auto) {
            if constexpr (kTakesInfo) {
                return handler_(*info, std::move(values)...);
            } else {
                return handler_(std::move(values)...);
            }
        };
        if constexpr (std::is_void_v<R>) {
            std::apply(run, native);
        } else {
            typed_route_detail::StoreAnswer(outcome, std::apply(run, native), registry);
        }
    }

private:
    template <std::size_t... Index>
    void ConvertAll(BindingResult& result, NativeArguments& native, std::vector<BindingProperty>& bound,
                    std::index_sequence<Index...>) const {
        [[maybe_unused]] const BindingRegistry* registry = function_ != nullptr ? function_->registry : nullptr;
        (..., (result.ok() ? typed_route_detail::ConvertArgument(result, std::get<Index>(native), bound[Index],
                                                                 parameter(Index), registry)
                           : void()));
    }

    const BindingParameterDescriptor* parameter(std::size_t index) const {
        if (function_ == nullptr || index >= function_->parameters.size()) return nullptr;
        return &function_->parameters[index];
    }
    std::string_view name() const { return function_ != nullptr ? std::string_view(function_->name) : ""; }

    std::function<R(Args...)> handler_;
    const BindingFunctionDescriptor* function_ = nullptr;
};

// An invoker for any callable whose signature std::function can deduce
// (lambdas without auto parameters, function pointers, ...).
template <class Handler>
std::unique_ptr<RouteInvoker> MakeRouteInvoker(Handler handler) {
    using Signature = typename typed_route_detail::SignatureOf<decltype(std::function(handler))>::Type;
    return std::make_unique<TypedRouteInvoker<Signature>>(std::function<Signature>(std::move(handler)));
}

// RegisterRoute with a typed handler. The function's return type is set from
// the handler's when that is a native type.
template <class Handler>
    requires(!std::convertible_to<Handler, std::unique_ptr<RouteInvoker>>)
RouteBuilder RegisterRoute(BindingRegistry& registry, std::span<const std::string> tags, PluginMethod method,
                           std::string_view path, Handler handler) {
    using Signature = typename typed_route_detail::SignatureOf<decltype(std::function(handler))>::Type;
    using Answer = std::remove_cvref_t<typename std::function<Signature>::result_type>;
    RouteBuilder builder = RegisterRoute(registry, tags, method, path, MakeRouteInvoker(std::move(handler)));
    if constexpr (!std::is_void_v<Answer> && !std::is_same_v<Answer, HandlerOutcome>) {
        builder.function().SetReturnType(NativeTypeIdentifierOf<Answer>(&registry));
    }
    return builder;
}

}  // namespace kor
