// The public conformance suites: every parsing case of JSONTestSuite (y_ must
// parse, n_ must fail, i_ may do either; all must finish without a crash) and
// every case of msgpack-test-suite (each encoding decodes to the case's
// value, except timestamps and other extension types, which fail as extension
// types do).

#include "binding/JsonReader.h"
#include "binding/MessagePackReader.h"

#include "binding/BindingTestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace kor {
namespace {

// The folder of the public conformance suites: $KOR_SHARED_TESTDATA when it
// exists, else the first "shared/testdata" beside the source tree or one of
// its parents (a checkout has it next to the clone, a worktree further up).
// Empty when there is none.
std::filesystem::path SharedTestData() {
    namespace fs = std::filesystem;
    std::error_code error;
    if (const char* configured = std::getenv("KOR_SHARED_TESTDATA")) {
        if (fs::is_directory(configured, error)) return configured;
    }
    for (fs::path dir = fs::path(KOR_TEST_SOURCE_DIR).parent_path();; dir = dir.parent_path()) {
        if (fs::is_directory(dir / "shared" / "testdata", error)) return dir / "shared" / "testdata";
        if (dir.empty() || dir == dir.parent_path()) return {};
    }
}

std::string ReadWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<uint8_t> HexBytes(std::string_view hex) {
    std::vector<uint8_t> bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 3) {
        bytes.push_back(static_cast<uint8_t>(std::strtoul(std::string(hex.substr(i, 2)).c_str(), nullptr, 16)));
    }
    return bytes;
}

// Numbers compare by value whatever kind the decoder chose.
std::string ByValue(const BindingProperty& value) {
    return std::regex_replace(test::Describe(value), std::regex("[suf]:"), "n:");
}

TEST(MessagePackTestSuiteTest, EveryEncodingDecodes) {
    const BindingResult suite = ReadJson(ReadWholeFile(SharedTestData() / "msgpack-test-suite" / "msgpack-test-suite.json"));
    ASSERT_TRUE(suite.ok() && suite.value().IsStructure()) << "msgpack-test-suite not found; set KOR_SHARED_TESTDATA";
    std::size_t encodings = 0;
    for (const auto& [group, cases] : suite.value().Members()) {
        for (const BindingProperty& testCase : cases.Elements()) {
            for (const BindingProperty& encoding : testCase.Member("msgpack").Elements()) {
                ++encodings;
                const std::vector<uint8_t> bytes = HexBytes(encoding.GetString());
                const MessagePackDecoding decoded = ReadMessagePack(bytes);
                const BindingResult& result = decoded.result;
                SCOPED_TRACE(std::string(group) + " " + std::string(encoding.GetString()));
                if (testCase.HasMember("timestamp") || testCase.HasMember("ext")) {
                    EXPECT_EQ(result.ErrorText(), "Invalid MessagePack data at position 1.");
                    continue;
                }
                ASSERT_TRUE(result.ok()) << result.ErrorText();
                EXPECT_EQ(decoded.bytesConsumed, bytes.size());
                for (const auto& [kind, expected] : testCase.Members()) {
                    if (kind == "bignum") {  // a number past a double's precision, as text
                        EXPECT_EQ(ByValue(result.value()), "n:" + std::string(expected.GetString()));
                    } else if (kind == "binary") {
                        const std::span<const uint8_t> blob = result.value().GetBlob();
                        EXPECT_TRUE(result.value().Is(BindingPropertyKind::Blob));
                        EXPECT_EQ(std::vector<uint8_t>(blob.begin(), blob.end()), HexBytes(expected.GetString()));
                    } else if (kind != "msgpack") {
                        EXPECT_EQ(ByValue(result.value()), ByValue(expected));
                    }
                }
            }
        }
    }
    EXPECT_GT(encodings, 200u);
}

TEST(JsonTestSuiteTest, EveryParsingCase) {
    // Cases where the reader's answer differs from the suite's, with the reason.
    std::map<std::string, std::string> deviations = {
        {"n_single_space.json", "an all-white text is read as the empty value, not as an error"},
        {"n_structure_no_data.json", "an empty text is read as the empty value, not as an error"},
        {"n_multidigit_number_then_00.json", "a zero byte ends the text (texts from the host are zero-terminated)"},
    };
    std::size_t cases = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(SharedTestData() / "JSONTestSuite" / "test_parsing", error)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() != ".json") continue;
        ++cases;
        const BindingResult result = ReadJson(std::string_view(ReadWholeFile(entry.path())));
        if (name[0] == 'i') continue;  // either answer is right; finishing is what counts
        const bool deviates = result.ok() != (name[0] == 'y');
        EXPECT_EQ(deviates, deviations.erase(name) == 1) << name << (result.ok() ? " parsed" : " failed: ") << result.ErrorText();
    }
    EXPECT_GE(cases, 300u) << "JSONTestSuite not found; set KOR_SHARED_TESTDATA";
    EXPECT_TRUE(deviations.empty()) << "a listed deviation is not in the suite: " << deviations.begin()->first;
}

}  // namespace
}  // namespace kor
