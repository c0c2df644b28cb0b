#include "host/router/QueryString.h"

#include "host/router/UrlDecoding.h"

#include <unordered_map>

namespace kor {

std::vector<QueryArgument> ParseQueryString(std::string_view query) {
    std::vector<QueryArgument> arguments;
    std::unordered_map<std::string, std::size_t> positions;
    for (;;) {
        const std::size_t end = query.find('&');
        const std::string_view piece = query.substr(0, end);
        if (!piece.empty()) {
            const std::size_t equals = piece.find('=');
            std::string name = UrlDecode(piece.substr(0, equals));
            std::string value = equals == std::string_view::npos ? std::string() : UrlDecode(piece.substr(equals + 1));
            auto [found, inserted] = positions.try_emplace(name, arguments.size());
            if (inserted) {
                arguments.push_back(QueryArgument{std::move(name), std::move(value)});
            } else {
                arguments[found->second].value = std::move(value);
            }
        }
        if (end == std::string_view::npos) break;
        query.remove_prefix(end + 1);
    }
    return arguments;
}

}  // namespace kor
