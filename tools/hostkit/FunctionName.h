#pragma once

#include <string>
#include <string_view>

namespace kor::hostkit {

// The identifier under which the plug-in registers the function serving
// `method` on `path`, so that a host can pick the function entry for a
// request: GET "/kor-game-settings/v1/game-settings" gives
// "GetKorGameSettingsV1GameSettings", an empty method with
// "kor-game-settings" gives "KorGameSettings", a segment "{id}" gives "ById".
//
// The method contributes its first character unchanged and the rest in lower
// case, then "/"; the path follows. In the joined text "!+-./_" are dropped
// and capitalise the next character, "{" becomes "By" and capitalises the
// next character, "}" is dropped, and every other byte is copied (upper-cased
// when capitalising; bytes outside ASCII are never changed).
std::string MakeFunctionName(std::string_view method, std::string_view path);

}  // namespace kor::hostkit
