#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace kor {

struct QueryArgument {
    std::string name;
    std::string value;

    bool operator==(const QueryArgument&) const = default;
};

// The arguments of a query string (the text after the URL's first "?"):
// pieces separated by "&", each "name=value" or a bare "name" (empty value),
// both URL-decoded. A name given again replaces the earlier value and keeps
// the earlier position. Empty pieces ("a=1&&b", a trailing "&", a bare "?")
// carry nothing and are skipped.
std::vector<QueryArgument> ParseQueryString(std::string_view query);

}  // namespace kor
