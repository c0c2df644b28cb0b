#include "tools/hostkit/FunctionRoutes.h"

#include "tools/hostkit/ApiDescription.h"
#include "abi/FunctionName.h"

namespace kor::hostkit {

FunctionRoutes::FunctionRoutes(const PluginApiDescription& api) {
    for (const PluginFunctionEntry* entry : FunctionEntries(api)) {
        // The first entry of a name wins, as FindFunction's search would.
        byName_.emplace(std::string(DescriptionText(entry->record.name)), entry);
    }
}

const PluginFunctionEntry* FunctionRoutes::FindLiteral(std::string_view method, std::string_view path) const {
    auto found = byName_.find(MakeFunctionName(method, path));
    return found != byName_.end() ? found->second : nullptr;
}

std::string_view PathOfUrl(std::string_view url) {
    return url.substr(0, url.find_first_of("?#"));
}

}  // namespace kor::hostkit
