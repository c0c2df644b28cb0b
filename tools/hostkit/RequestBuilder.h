#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "abi/PluginAbi.h"
#include "tools/hostkit/HostValue.h"
#include "tools/hostkit/PlainArena.h"

namespace kor::hostkit {

// Builds one request record for a call into the plug-in (or for a test that
// plays the plug-in's outbound side) and owns everything it points to. The
// record stays valid until the builder changes or is destroyed; the builder
// neither copies nor moves, because the record points into it.
class RequestBuilder {
public:
    RequestBuilder() = default;
    RequestBuilder(const RequestBuilder&) = delete;
    RequestBuilder& operator=(const RequestBuilder&) = delete;

    // A method by text: the seven known texts give their numbers, the empty
    // text 0, any other text the custom number 8 with that text.
    RequestBuilder& Method(std::string_view text);
    // A method by number; 8 needs the custom text as well.
    RequestBuilder& MethodByNumber(uint32_t number, std::string_view customText = {});

    // The URL: the path, and "?" with the query when the query is not empty.
    RequestBuilder& Url(std::string_view path, std::string_view query = {});

    RequestBuilder& Argument(std::string_view name, const HostValue& value);
    RequestBuilder& UnnamedArgument(const HostValue& value);

    // Header names are lower-cased (ASCII), as the plug-in expects them.
    RequestBuilder& Header(std::string_view name, std::string_view value);

    // The body bytes and their content type; an empty body is sent as null
    // with size 0.
    RequestBuilder& Body(std::string_view contentType, std::string_view bytes);

    // The call context of the function entry being called (its record's
    // callContext) and the opaque call word handed to the handler.
    RequestBuilder& CallContext(const void* context);
    RequestBuilder& CallWord(uintptr_t word);

    // The record describing everything set so far.
    const PluginRequest* record();

private:
    struct NamedValue {
        std::optional<std::string> name;
        HostValue value;
    };

    uint32_t method_ = 0;
    std::string customMethod_;
    std::string url_;
    std::vector<NamedValue> arguments_;
    std::vector<std::pair<std::string, std::string>> headers_;
    std::optional<std::string> contentType_;
    std::string body_;
    const void* callContext_ = nullptr;
    uintptr_t callWord_ = 0;

    // Rebuilt by record(): the plain arguments, headers and the record itself.
    PlainArena arena_;
    std::vector<PluginArgument> plainArguments_;
    std::vector<PluginHeader> plainHeaders_;
    PluginRequest record_{};
};

}  // namespace kor::hostkit
