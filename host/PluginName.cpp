#include "host/PluginName.h"

#include "log/Log.h"
#include "log/MessageFormat.h"

namespace kor {
namespace {

constexpr std::string_view kUnknownKindMessage =
    "GetFullNameFromShortNameAndType(\"%1\", \"%2\") called with an unknown type";

std::string_view PrefixOf(const PluginKind& kind, std::string_view shortName) {
    if (kind.kind == "backend") return "ucx-be-";
    if (kind.kind == "frontend") return "ucx-fe-";
    const std::string message = FormatMessage(kUnknownKindMessage, shortName, kind.kind);
    LogError("            Plugin Manager| %s", message.c_str());
    return "ucx-xx-";
}

}  // namespace

PluginKind BackendPluginKind() { return PluginKind{"backend", ""}; }
PluginKind FrontendPluginKind() { return PluginKind{"frontend", ""}; }

PluginName GetFullNameFromShortNameAndType(std::string_view shortName, const PluginKind& kind) {
    PluginName name;
    name.fullName = std::string(PrefixOf(kind, shortName)) + std::string(shortName);
    name.shortName = shortName;
    name.kindText = kind.kind;
    name.kindDetail = kind.detail;
    return name;
}

}  // namespace kor
