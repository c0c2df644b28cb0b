// Runs every parsing case of JSONTestSuite, one test per file: y_ must
// parse, n_ must fail, i_ may do either; all must finish without a crash.

#include "binding/JsonReader.h"

#include "binding/SharedTestData.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
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
        {"n_multidigit_number_then_00.json", "a zero byte ends the text (texts from the host are zero-terminated)"},
    };
    return deviations;
}

std::filesystem::path SuiteFolder() { return test::SharedTestData() / "JSONTestSuite" / "test_parsing"; }

std::vector<std::string> ParsingCases() {
    std::vector<std::string> cases;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(SuiteFolder(), error)) {
        if (entry.path().extension() == ".json") cases.push_back(entry.path().filename().string());
    }
    std::sort(cases.begin(), cases.end());
    return cases;
}

class JsonTestSuiteTest : public ::testing::TestWithParam<std::string> {};

TEST_P(JsonTestSuiteTest, Parses) {
    const std::string& name = GetParam();
    const std::string text = test::ReadWholeFile(SuiteFolder() / name);
    BindingResult result = ReadJson(std::string_view(text));
    if (name[0] == 'i') return;  // either answer is right; finishing is what counts
    const bool shouldParse = name[0] == 'y';
    const bool deviates = result.ok() != shouldParse;
    if (KnownDeviations().count(name) != 0) {
        EXPECT_TRUE(deviates) << "listed as a deviation but behaves as the suite expects";
    } else {
        EXPECT_FALSE(deviates) << (result.ok() ? "parsed" : "failed: ") << result.ErrorText();
    }
}

std::string TestName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param.substr(0, info.param.size() - 5);  // without ".json"
    for (char& c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    }
    return name + "_" + std::to_string(info.index);  // the index keeps names unique
}

INSTANTIATE_TEST_SUITE_P(AllCases, JsonTestSuiteTest, ::testing::ValuesIn(ParsingCases()), TestName);

TEST(JsonTestSuiteFilesTest, SuiteIsPresentWithItsDeviations) {
    const std::vector<std::string> cases = ParsingCases();
    ASSERT_GE(cases.size(), 300u) << "JSONTestSuite not found; set KOR_SHARED_TESTDATA";
    for (const auto& [name, reason] : KnownDeviations()) {
        EXPECT_TRUE(std::binary_search(cases.begin(), cases.end(), name)) << name;
    }
}

}  // namespace
}  // namespace kor
