#include "plugin/KeyBindings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kor {
namespace {

// How one binding text splits into combinations, and how a combination
// reads once normalised: lower case, modifiers ranked from three tokens on.
TEST(KeyBindingText, SplitNormaliseAndReplace) {
    using Strings = std::vector<std::string>;
    const struct {
        const char* text;
        Strings parts;
    } splits[] = {{"[q]", {"[q]"}},          {"", {""}},          {"[a],[x]", {"[a]", "[x]"}},
                  {"[Alt][q],", {"[Alt][q]", ""}}, {",[q]", {"", "[q]"}}, {"[Ctrl][,],[a]", {"[Ctrl][,]", "[a]"}}};
    for (const auto& split : splits) EXPECT_EQ(SplitBinding(split.text), split.parts) << split.text;
    const struct {
        const char *combo, *normal;
    } combos[] = {{"[Ctrl][Shift][Q]", "[shift][ctrl][q]"}, {"[Alt][x][Ctrl]", "[ctrl][alt][x]"},
                  {"[q][Shift]", "[q][shift]"},  // two tokens keep their order
                  {"[Win][Cmd][Alt][k][Shift]", "[cmd][win][shift][alt][k]"},
                  {"[b][Ctrl][a]", "[ctrl][b][a]"},  // equal ranks keep their order
                  {"[Ctrl][q", ""}, {"", ""}, {"[Ctrl][]]", "[ctrl][]]"}, {"[]]", "[]]"},
                  {" x[Up Arrow]y ", "[up arrow]"}, {"[@][`]", "[@][`]"}};
    for (const auto& combo : combos) EXPECT_EQ(NormaliseCombo(combo.combo), combo.normal) << combo.combo;
    const struct {
        const char *binding, *taken, *left;
    } replaces[] = {{"[Shift][q]", "[shift][q]", "[<Unbound>]"}, {"[a],[x]", "[x]", "[a],[<Unbound>]"},
                    {"[Alt][q],", "[alt][q]", "[<Unbound>],"},   {"[a],[A]", "[a]", "[<Unbound>],[A]"},
                    {"[a],[x]", "[z]", "[a],[x]"}};
    for (const auto& replace : replaces) {
        EXPECT_EQ(ReplaceCombo(replace.binding, replace.taken), replace.left) << replace.binding;
    }
}

}  // namespace
}  // namespace kor
