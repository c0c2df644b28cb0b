// Editing many keys of an INI text in one pass gives exactly the text that
// editing them one by one gives, on texts of every shape the game writes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "config/IniTextEditor.h"

namespace kor {
namespace {

TEST(IniBatchEditTest, OnePassEqualsEditingKeyByKey) {
    const std::vector<std::string> sections = {"A", "a", "B", "C D", "New"};
    const std::vector<std::string> keys = {"k", "K", "x", "k k", "new"};
    const std::vector<std::string> values = {"1", "[A]", "v=w", "", " x ;c"};
    const std::vector<std::string> breaks = {"\r\n", "\n", "\r"};
    std::mt19937 random(2024);
    const auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        const int lines = static_cast<int>(random() % 12);
        for (int line = 0; line < lines; ++line) {
            switch (random() % 6) {
                case 0:
                    text += pick({"", " ", "\t"}) + "[" + pick({"", " "}) + pick(sections) + pick({"", "\t"}) + "]";
                    break;
                case 1: text += "; [" + pick(sections) + "]"; break;
                case 2: text += pick({"", "  "}) + pick(keys) + pick({"", " "}) + "=" + pick(values); break;
                case 3: break;
                default: text += pick(keys) + "=" + pick(values); break;
            }
            text += pick(breaks);
        }
        std::vector<IniEdit> edits;
        const int count = static_cast<int>(random() % 8);
        for (int i = 0; i < count; ++i) edits.push_back({pick(sections), pick(keys), pick(values)});

        std::string expected = text;
        for (const IniEdit& edit : edits) expected = EditIniText(expected, edit.section, edit.key, edit.value);
        ASSERT_EQ(EditIniTexts(text, edits), expected) << "text:\n" << text;
    }
}

}  // namespace
}  // namespace kor
