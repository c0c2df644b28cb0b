#pragma once

#include "binding/BindingResult.h"

#include <cstddef>
#include <string_view>

namespace kor {

// At most this many values are built by copying anchored nodes for aliases
// in one document. Aliases of aliases multiply ("billion laughs": nine
// levels of ten aliases each make 10^9 values from a few hundred bytes), so
// without a bound a small text could exhaust memory. A real settings
// document uses a handful of aliases, if any.
inline constexpr std::size_t kMaxAliasExpansion = 1000000;

// Reads one YAML document (over libyaml's event parser) into a value.
//
// Plain scalars are typed: "", "~", "null", "Null", "NULL" are the empty
// value; a text that strtod reads whole as a finite number is a float when
// it has a fraction, else signed when negative and unsigned otherwise (so
// 1.0, 1e3, 0x10 and -0 are unsigned 1, 1000, 16 and 0), or a float again
// when it is beyond the 64-bit ranges; the words of YAML 1.1 (true/True/
// TRUE/y/Y/yes/Yes/YES/on/On/ON and their false counterparts) are bools;
// anything else is a string. Quoted scalars are strings. The tags !!str,
// !!int, !!float and !!bool force a type (!!int and !!float with the rules
// and messages of the native conversions, field 'yaml'); any other tag on a
// scalar fails with "Unsupported YAML tag '<tag>'.".
//
// Mapping keys are string scalars (an empty key included); a repeated key
// replaces an earlier scalar, concatenates two sequences and merges two
// mappings. An alias is a copy of the node its anchor names (or of the
// anchored key text); an alias used as a key must name a text.
//
// Failures name the position of the event as "At line: <l> col: <c>",
// counted from 1; libyaml's own errors end the result with "YAML parser
// error: <problem>. At line: <l> col: <c>" in libyaml's positions, counted
// from 0. A second non-empty document fails with "Multi-document YAML is
// not supported.". Sequences and mappings nest at most kMaxNestingDepth
// deep (BindingTreeBuilder.h), and aliases build at most kMaxAliasExpansion
// values in all.
//
// An empty text is the empty value, ok. When libyaml cannot be loaded
// (YamlLibrary.h), every read fails with kYamlUnavailable's text instead.
// Never throws for malformed input; only std::bad_alloc escapes.
BindingResult ReadYaml(std::string_view text);

}  // namespace kor
