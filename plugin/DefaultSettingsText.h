#pragma once

#include <string_view>

namespace kor {

// The built-in default settings document: one JSON object with "GameSettings"
// (sections of "Game.cfg") and "InputSettings" (sections of "Input.ini"), each
// mapping section -> setting -> default value.
std::string_view DefaultSettingsText();

}  // namespace kor
