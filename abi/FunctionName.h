#pragma once

#include <string>
#include <string_view>

namespace kor {

// The identifier of the function that serves `method` on `path`, and of
// type-name prefixes (empty method): GET "/kor-game-settings/v1/game-settings"
// gives "GetKorGameSettingsV1GameSettings", ("", "kor-game-settings") gives
// "KorGameSettings", a segment "{id}" gives "ById".
//
// A non-empty method contributes its first character unchanged, the rest in
// lower case, and "/"; the path follows. The joined text is folded with a
// capitalise-next flag that starts set: "!+-./_" are dropped and set it, "{"
// writes "By" and sets it, "}" is dropped, any other byte is written
// (upper-cased when the flag is set, which clears it).
std::string MakeFunctionName(std::string_view method, std::string_view path);

}  // namespace kor
