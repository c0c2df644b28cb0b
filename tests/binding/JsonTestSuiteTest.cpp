// Runs every parsing case of JSONTestSuite (y_ must parse, n_ must fail, i_
// may do either; all must finish without a crash).

#include "binding/JsonReader.h"

#include "binding/SharedTestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace kor {
namespace {

// Cases where the reader's answer differs from the suite's, with the reason.
const std::map<std::string, std::string>& KnownDeviations() {
    static const std::map<std::string, std::string> deviations = {
        {"n_single_space.json", "an all-white text is read as the empty value, not as an error"},
        {"n_structure_no_data.json", "an empty text is read as the empty value, not as an error"},
    };
    return deviations;
}

std::vector<std::filesystem::path> ParsingCases() {
    const std::filesystem::path folder = test::SharedTestData() / "JSONTestSuite" / "test_parsing";
    std::vector<std::filesystem::path> cases;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (entry.path().extension() == ".json") cases.push_back(entry.path());
    }
    std::sort(cases.begin(), cases.end());
    return cases;
}

TEST(JsonTestSuiteTest, EveryParsingCase) {
    const std::vector<std::filesystem::path> cases = ParsingCases();
    ASSERT_GE(cases.size(), 300u) << "JSONTestSuite not found; set KOR_SHARED_TESTDATA";
    std::size_t deviations = 0;
    for (const std::filesystem::path& path : cases) {
        const std::string name = path.filename().string();
        const std::string text = test::ReadWholeFile(path);
        BindingResult result = ReadJson(std::string_view(text));
        if (name[0] == 'i') continue;
        const bool shouldParse = name[0] == 'y';
        const bool deviates = result.ok() != shouldParse;
        if (KnownDeviations().count(name) != 0) {
            EXPECT_TRUE(deviates) << name << " is listed as a deviation but behaves as the suite expects";
            ++deviations;
            continue;
        }
        EXPECT_FALSE(deviates) << name << (result.ok() ? " parsed" : " failed: ") << result.ErrorText();
    }
    EXPECT_EQ(deviations, KnownDeviations().size());
}

}  // namespace
}  // namespace kor
