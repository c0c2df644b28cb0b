#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

#include "abi/PluginAbi.h"

namespace kor::hostkit {

// Picks the function entry that serves a method on a path, the way the
// client's core routes a call into the plug-in.
//
// The API description carries no paths, only function names, and the
// plug-in names every function MakeFunctionName(method, route path). For a
// literal route the name of the incoming method and path is therefore the
// name of the entry: the table indexes the entries by name once and answers
// each call with one lookup. The entry's own router then compares the exact
// path, so a path that merely folds to the same name ("game_settings" for
// "game-settings") is refused there with "Invalid function".
//
// A route with placeholders ("/items/{id}") is named after its pattern
// ("GetItemsById"), which no concrete path folds to. Such entries would be
// found by offering the call, in a fixed order, to each entry whose name
// starts with the method's prefix ("Get") and contains "By", and keeping
// the first answer that is not the router's 404 "Invalid function": the
// router matches the pattern before it binds or runs anything, so a refusal
// has no side effect. The plug-in served here registers literal routes
// only, so FindLiteral is all a host needs today.
class FunctionRoutes {
public:
    FunctionRoutes() = default;
    explicit FunctionRoutes(const PluginApiDescription& api);

    // The entry of a literal route; null when no function has that name.
    // `path` is the URL without its query.
    const PluginFunctionEntry* FindLiteral(std::string_view method, std::string_view path) const;

    std::size_t size() const { return byName_.size(); }

private:
    std::unordered_map<std::string, const PluginFunctionEntry*> byName_;
};

// The URL up to its first "?" (or "#").
std::string_view PathOfUrl(std::string_view url);

}  // namespace kor::hostkit
