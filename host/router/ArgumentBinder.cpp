#include "host/router/ArgumentBinder.h"

#include "binding/BindingPlainValue.h"
#include "host/router/QueryString.h"
#include "host/router/RouterMessages.h"
#include "host/router/ValueDecoding.h"
#include "log/MessageFormat.h"
#include "platform/CountingAllocator.h"

#include <cerrno>
#include <cstdlib>

namespace kor {
namespace {


bool IsStructuredKind(BindingTypeKind kind) {
    return kind == BindingTypeKind::Object || kind == BindingTypeKind::Vector || kind == BindingTypeKind::Struct;
}

std::string LowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

enum class IndexStatus { Ok, Format, Range };

// Reads a collection index the way strtoul with base 0 does: decimal,
// hexadecimal after "0x", octal after a leading zero.
IndexStatus ParseIndex(std::string_view segment, std::size_t& index) {
    const std::string text(segment);
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (end != text.c_str() + text.size()) return IndexStatus::Format;
    if (errno == ERANGE || value > kMaxArgumentIndex) return IndexStatus::Range;
    index = static_cast<std::size_t>(value);
    return IndexStatus::Ok;
}

// Gives back what a failed plain conversion put into its result record.
void ReleasePlainResult(BindingPlainResult& result) {
    ClearPlainValue(result.value);
    platform::CountedFree(result.error);
    result.error = nullptr;
}

}  // namespace

ArgumentBinder::ArgumentBinder(const RouteHandlerBinding& binding)
    : binding_(binding), function_(binding.function()), arguments_(function_.parameters.size()) {
    // A bool left out means false, unless the parameter is optional: that
    // one stays empty so the handler can tell "not given" apart.
    for (std::size_t index = 0; index < arguments_.size(); ++index) {
        const BindingParameterDescriptor& parameter = function_.parameters[index];
        if (parameter.type.kind == BindingTypeKind::Bool && !parameter.optional) arguments_[index].SetBool(false);
    }
}

bool ArgumentBinder::Fail(std::string message) {
    error_ = std::move(message);
    return false;
}

bool ArgumentBinder::Bind(const IncomingRequest& request, const HeaderMap& headers,
                          const std::vector<RouteCapture>& captures) {
    return BindHeaders(headers) && BindQuery(request.query()) && BindCaptures(captures) &&
           BindArgumentList(request.arguments(), captures.size()) && BindBody(request);
}

bool ArgumentBinder::BindHeaders(const HeaderMap& headers) {
    // Header names arrive in lower case; parameters keep their own spelling.
    for (std::size_t index = 0; index < function_.parameters.size(); ++index) {
        const ParameterLocation location = binding_.location(index);
        if (location != ParameterLocation::Any && location != ParameterLocation::Header) continue;
        const std::string& name = function_.parameters[index].name;
        const auto found = headers.find(LowerCase(name));
        if (found == headers.end()) continue;
        if (!BindOne(name, found->second, {}, ParameterLocation::Header)) return false;
    }
    return true;
}

bool ArgumentBinder::BindQuery(std::string_view query) {
    for (const QueryArgument& argument : ParseQueryString(query)) {
        if (!BindOne(argument.name, argument.value, {}, ParameterLocation::Query)) return false;
    }
    return true;
}

bool ArgumentBinder::BindCaptures(const std::vector<RouteCapture>& captures) {
    for (const RouteCapture& capture : captures) {
        if (!BindOne(capture.name, capture.value, {}, ParameterLocation::Path)) return false;
    }
    return true;
}

bool ArgumentBinder::BindArgumentList(std::span<const PluginArgument> list, std::size_t captureCount) {
    for (std::size_t position = 0; position < list.size(); ++position) {
        const PluginArgument& argument = list[position];
        int index = -1;
        if (argument.name != nullptr) {
            index = function_.ParameterIndex(argument.name);
        } else if (position + captureCount < function_.parameters.size()) {
            index = static_cast<int>(position + captureCount);
        }
        if (index < 0) {
            const std::string label = argument.name != nullptr ? std::string(argument.name) : std::to_string(position);
            return Fail(FormatMessage(RouterMessageText(RouterMessage::UnknownArgument), label, function_.name));
        }
        const auto slot = static_cast<std::size_t>(index);
        BindingPlainResult converted{};
        if (!ConvertFromPlainValue(converted, arguments_[slot], argument.value, function_.parameters[slot].name)) {
            std::string message = converted.error != nullptr ? converted.error : "";
            ReleasePlainResult(converted);
            return Fail(std::move(message));
        }
    }
    return true;
}

bool ArgumentBinder::BindBody(const IncomingRequest& request) {
    if (!request.hasBody()) return true;
    for (std::size_t index = 0; index < function_.parameters.size(); ++index) {
        if (binding_.location(index) != ParameterLocation::Body) continue;
        if (auto failure = DecodeBody(arguments_[index], request.body(), request.contentType())) {
            return Fail(std::move(*failure));
        }
        return true;
    }
    return true;  // no body parameter: the body is not wanted
}

bool ArgumentBinder::BindOne(std::string_view name, std::string_view text, std::string_view contentType,
                             ParameterLocation location) {
    const std::size_t dot = name.find('.');
    const std::string_view baseName = name.substr(0, dot);
    const int index = function_.ParameterIndex(baseName);
    if (index < 0) {
        return Fail(FormatMessage(RouterMessageText(RouterMessage::UnknownArgument), baseName, function_.name));
    }

    const auto slot = static_cast<std::size_t>(index);
    const ParameterLocation declared = binding_.location(slot);
    if (declared != ParameterLocation::Any && declared != location) {
        return Fail(FormatMessage(RouterMessageText(RouterMessage::InvalidLocation), baseName, function_.name));
    }

    const BindingParameterDescriptor& parameter = function_.parameters[slot];
    BindingProperty& value = arguments_[slot];
    if (dot != std::string_view::npos) {
        BindingProperty* target = Descend(value, name.substr(dot + 1));
        if (target == nullptr) return false;
        if (auto failure = DecodeValue(*target, parameter.name, function_.name, text, contentType, false)) {
            return Fail(std::move(*failure));
        }
        return true;
    }

    const BindingTypeKind kind = parameter.type.kind;
    if (text.empty()) {
        if (kind == BindingTypeKind::Bool) {
            value.SetBool(true);
        } else if (kind == BindingTypeKind::Object || kind == BindingTypeKind::Struct) {
            value.Clear();
            value.MakeStructure();
        } else if (kind == BindingTypeKind::Vector) {
            value.Clear();
            value.MakeCollection();
        } else {
            return Fail(FormatMessage(RouterMessageText(RouterMessage::ExpectedValue), parameter.name));
        }
        return true;
    }
    if (auto failure = DecodeValue(value, parameter.name, function_.name, text, contentType, IsStructuredKind(kind))) {
        return Fail(std::move(*failure));
    }
    return true;
}

bool ArgumentBinder::Grow(const BindingProperty& collection, std::size_t index) {
    const std::size_t size = collection.IsCollection() ? collection.Size() : 0;
    if (index >= size) grownElements_ += index + 1 - size;
    return grownElements_ <= kMaxGrownElements;
}

BindingProperty* ArgumentBinder::Descend(BindingProperty& root, std::string_view path) {
    BindingProperty* target = &root;
    for (;;) {
        const std::size_t dot = path.find('.');
        const std::string_view segment = path.substr(0, dot);
        if (!segment.empty() && segment.front() >= '0' && segment.front() <= '9') {
            std::size_t index = 0;
            switch (ParseIndex(segment, index)) {
                case IndexStatus::Format:
                    Fail(FormatMessage(RouterMessageText(RouterMessage::IndexFormat), segment));
                    return nullptr;
                case IndexStatus::Range:
                    Fail(FormatMessage(RouterMessageText(RouterMessage::IndexRange), segment));
                    return nullptr;
                case IndexStatus::Ok:
                    if (!Grow(*target, index)) {
                        Fail(FormatMessage(RouterMessageText(RouterMessage::IndexRange), segment));
                        return nullptr;
                    }
                    target = &target->ElementForWrite(index);
                    break;
            }
        } else {
            target = &target->MemberForWrite(segment);
        }
        if (dot == std::string_view::npos) return target;
        path.remove_prefix(dot + 1);
    }
}

}  // namespace kor
