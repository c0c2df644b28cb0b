#include "host/client/ResourceEvents.h"

#include "log/Log.h"

namespace kor {

void TraceUnconvertedResource(std::string_view typeName, std::string_view uri) {
    const std::string type(typeName);
    const std::string url(uri);
    LogTrace("Couldn't convert resource %s to C++ while handling update for URL: %s", type.c_str(), url.c_str());
}

}  // namespace kor
