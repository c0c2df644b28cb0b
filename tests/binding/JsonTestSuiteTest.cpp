// Every parsing case of JSONTestSuite: y_ must parse, n_ must fail, i_ may do
// either; all must finish without a crash.

#include "binding/JsonReader.h"

#include "binding/SharedTestData.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace kor {
namespace {

TEST(JsonTestSuiteTest, EveryParsingCase) {
    // Cases where the reader's answer differs from the suite's, with the reason.
    std::map<std::string, std::string> deviations = {
        {"n_single_space.json", "an all-white text is read as the empty value, not as an error"},
        {"n_structure_no_data.json", "an empty text is read as the empty value, not as an error"},
        {"n_multidigit_number_then_00.json", "a zero byte ends the text (texts from the host are zero-terminated)"},
    };
    std::size_t cases = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(test::SharedTestData() / "JSONTestSuite" / "test_parsing", error)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".json") continue;
        ++cases;
        const BindingResult result = ReadJson(std::string_view(test::ReadWholeFile(entry.path())));
        if (name[0] == 'i') continue;  // either answer is right; finishing is what counts
        const bool deviates = result.ok() != (name[0] == 'y');
        EXPECT_EQ(deviates, deviations.erase(name) == 1) << name << (result.ok() ? " parsed" : " failed: ") << result.ErrorText();
    }
    EXPECT_GE(cases, 300u) << "JSONTestSuite not found; set KOR_SHARED_TESTDATA";
    EXPECT_TRUE(deviations.empty()) << "a listed deviation is not in the suite: " << deviations.begin()->first;
}

}  // namespace
}  // namespace kor
