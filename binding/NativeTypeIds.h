#pragma once

// The ids of the native types that fields and parameters use directly.
// Records and enumerations of the plug-in declare theirs next to their
// definition with KOR_BINDING_TYPE_ID or KOR_BINDING_NAMED_TYPE_ID.

#include "binding/StaticTypeId.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kor {
class BindingProperty;
}  // namespace kor

KOR_BINDING_NAMED_TYPE_ID(bool);
KOR_BINDING_NAMED_TYPE_ID(int8_t);
KOR_BINDING_NAMED_TYPE_ID(uint8_t);
KOR_BINDING_NAMED_TYPE_ID(int16_t);
KOR_BINDING_NAMED_TYPE_ID(uint16_t);
KOR_BINDING_NAMED_TYPE_ID(int32_t);
KOR_BINDING_NAMED_TYPE_ID(uint32_t);
KOR_BINDING_NAMED_TYPE_ID(int64_t);
KOR_BINDING_NAMED_TYPE_ID(uint64_t);
KOR_BINDING_NAMED_TYPE_ID(float);
KOR_BINDING_NAMED_TYPE_ID(double);
KOR_BINDING_NAMED_TYPE_ID(std::string);
KOR_BINDING_NAMED_TYPE_ID(std::vector<uint8_t>);
KOR_BINDING_NAMED_TYPE_ID(kor::BindingProperty);
