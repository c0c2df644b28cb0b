#pragma once

#include <string_view>

#include "binding/BindingResult.h"
#include "abi/PluginAbi.h"

namespace kor {

// Reads a plain value that the host lent (an answer, an event payload) into
// a generic value; `name` stands for the value in the failure message. The
// plain value is neither modified nor freed. Never throws.
BindingResult ReadHostPlainValue(const BindingPlainValue& plain, std::string_view name) noexcept;

}  // namespace kor
