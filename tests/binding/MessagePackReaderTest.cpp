#include "binding/MessagePackReader.h"

#include "binding/BindingTestSupport.h"
#include "binding/BindingTreeBuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace kor {
namespace {

using test::Describe;

MessagePackDecoding Decode(std::initializer_list<uint8_t> bytes) {
    const std::vector<uint8_t> data(bytes);
    return ReadMessagePack(data);
}

MessagePackDecoding Decode(const std::vector<uint8_t>& bytes) { return ReadMessagePack(bytes); }

TEST(MessagePackReaderTest, EmptyInputIsTheEmptyValue) {
    MessagePackDecoding decoded = ReadMessagePack({});
    EXPECT_TRUE(decoded.result.ok());
    EXPECT_TRUE(decoded.result.value().IsEmpty());
    EXPECT_EQ(decoded.bytesConsumed, 0u);
}

TEST(MessagePackReaderTest, ScalarsByFormat) {
    struct Case {
        std::vector<uint8_t> bytes;
        const char* expected;
    } cases[] = {
        {{0x05}, "s:5"},
        {{0xCC, 0x05}, "u:5"},
        {{0xFF}, "s:-1"},
        {{0xD0, 0xFF}, "s:-1"},
        {{0xE0}, "s:-32"},
        {{0xD1, 0x80, 0x00}, "s:-32768"},
        {{0xD2, 0xFF, 0xFF, 0xFF, 0xFE}, "s:-2"},
        {{0xD3, 0x80, 0, 0, 0, 0, 0, 0, 0}, "s:-9223372036854775808"},
        {{0xCD, 0xFF, 0xFF}, "u:65535"},
        {{0xCE, 0xFF, 0xFF, 0xFF, 0xFF}, "u:4294967295"},
        {{0xCF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, "u:18446744073709551615"},
        {{0xCA, 0x3F, 0xC0, 0x00, 0x00}, "f:1.5"},
        {{0xCB, 0xBF, 0xF8, 0, 0, 0, 0, 0, 0}, "f:-1.5"},
        {{0xC0}, "null"},
        {{0xC2}, "false"},
        {{0xC3}, "true"},
        {{0xA2, 'h', 'i'}, "\"hi\""},
        {{0xD9, 0x01, 'a'}, "\"a\""},
        {{0xDA, 0x00, 0x01, 'b'}, "\"b\""},
        {{0xDB, 0x00, 0x00, 0x00, 0x01, 'c'}, "\"c\""},
        {{0xC4, 0x02, 0x00, 0xFF}, "blob:2"},
        {{0xC5, 0x00, 0x00}, "blob:0"},
        {{0xC6, 0x00, 0x00, 0x00, 0x01, 0x07}, "blob:1"},
    };
    for (const Case& c : cases) {
        MessagePackDecoding decoded = Decode(c.bytes);
        ASSERT_TRUE(decoded.result.ok()) << c.expected << ": " << decoded.result.ErrorText();
        EXPECT_EQ(Describe(decoded.result.value()), c.expected);
        EXPECT_EQ(decoded.bytesConsumed, c.bytes.size()) << c.expected;
    }
}

TEST(MessagePackReaderTest, StringsKeepZeroBytesAndFullLength) {
    MessagePackDecoding decoded = Decode({0xA3, 'a', 0x00, 'b'});
    EXPECT_EQ(decoded.result.value().GetString(), std::string_view("a\0b", 3));
}

TEST(MessagePackReaderTest, ContainersNestAndMapsSortTheirKeys) {
    // {"b": [1, {"x": nil}], "a": true}
    MessagePackDecoding decoded = Decode({0x82, 0xA1, 'b', 0x92, 0x01, 0x81, 0xA1, 'x', 0xC0, 0xA1, 'a', 0xC3});
    ASSERT_TRUE(decoded.result.ok()) << decoded.result.ErrorText();
    EXPECT_EQ(Describe(decoded.result.value()), R"({"a":true,"b":[s:1,{"x":null}]})");
    EXPECT_EQ(decoded.bytesConsumed, 12u);

    MessagePackDecoding empties = Decode({0x92, 0x90, 0x80});
    EXPECT_EQ(Describe(empties.result.value()), "[[],{}]");
    MessagePackDecoding emptyAtEnd = Decode({0xDC, 0x00, 0x00});
    EXPECT_TRUE(emptyAtEnd.result.ok());
    EXPECT_TRUE(emptyAtEnd.result.value().IsCollection());
}

TEST(MessagePackReaderTest, RepeatedKeysMergeMapsConcatenateArraysAndReplaceScalars) {
    MessagePackDecoding decoded = Decode({
        0x86,                                     // six entries
        0xA1, 'm', 0x81, 0xA1, 'x', 0x01,         // m: {x: 1}
        0xA1, 'm', 0x82, 0xA1, 'x', 0x02, 0xA1, 'y', 0x03,  // m: {x: 2, y: 3}
        0xA1, 'a', 0x91, 0x01,                    // a: [1]
        0xA1, 'a', 0x92, 0x02, 0x03,              // a: [2, 3]
        0xA1, 's', 0x01,                          // s: 1
        0xA1, 's', 0xC0,                          // s: nil
    });
    ASSERT_TRUE(decoded.result.ok()) << decoded.result.ErrorText();
    EXPECT_EQ(Describe(decoded.result.value()), R"({"a":[s:1,s:2,s:3],"m":{"x":s:2,"y":s:3},"s":null})");
}

TEST(MessagePackReaderTest, OnlyTheFirstValueIsDecoded) {
    MessagePackDecoding decoded = Decode({0x01, 0x02});
    EXPECT_EQ(Describe(decoded.result.value()), "s:1");
    EXPECT_EQ(decoded.bytesConsumed, 1u);
    MessagePackDecoding array = Decode({0x91, 0x01, 0xC0});
    EXPECT_EQ(array.bytesConsumed, 2u);
}

TEST(MessagePackReaderTest, FormatErrorsNameThePositionAfterTheFormatByte) {
    struct Case {
        std::vector<uint8_t> bytes;
        const char* message;
    } cases[] = {
        {{0x81, 0x01, 0x02}, "Invalid MessagePack data at position 2. Map keys must be strings."},
        {{0x91, 0x81, 0xC0, 0x01}, "Invalid MessagePack data at position 3. Map keys must be strings."},
        {{0xC7}, "Invalid MessagePack data at position 1."},
        {{0xC1}, "Invalid MessagePack data at position 1."},
        {{0x92, 0x01, 0xD4, 0x01, 0x10}, "Invalid MessagePack data at position 3."},
    };
    for (const Case& c : cases) {
        MessagePackDecoding decoded = Decode(c.bytes);
        EXPECT_FALSE(decoded.result.ok());
        EXPECT_EQ(decoded.result.ErrorText(), c.message);
    }
}

TEST(MessagePackReaderTest, TruncatedItemsSayWhatWasCutAndWhereItStarts) {
    struct Case {
        std::vector<uint8_t> bytes;
        const char* message;
    } cases[] = {
        {{0xCC}, "Invalid MessagePack data. 8-bit integer value at position 1 is truncated."},
        {{0xD9}, "Invalid MessagePack data. 8-bit integer value at position 1 is truncated."},
        {{0xCD, 0x01}, "Invalid MessagePack data. 16-bit integer value at position 1 is truncated."},
        {{0xDC, 0x00}, "Invalid MessagePack data. 16-bit integer value at position 1 is truncated."},
        {{0xCA, 0, 0, 0}, "Invalid MessagePack data. 32-bit integer value at position 1 is truncated."},
        {{0xC6, 0, 0}, "Invalid MessagePack data. 32-bit integer value at position 1 is truncated."},
        {{0x91, 0xCB, 0, 0}, "Invalid MessagePack data. 64-bit integer value at position 2 is truncated."},
        {{0xD3}, "Invalid MessagePack data. 64-bit integer value at position 1 is truncated."},
        {{0xDA, 0x00, 0x05, 0x61}, "Invalid MessagePack data. String of size 5 at position 3 is truncated."},
        {{0x81, 0xA3, 'k'}, "Invalid MessagePack data. String of size 3 at position 2 is truncated."},
        {{0xC4, 0x05, 0x61}, "Invalid MessagePack data. Raw bytes of size 5 at position 2 are truncated."},
        {{0xDB, 0xFF, 0xFF, 0xFF, 0xFF}, "Invalid MessagePack data. String of size 4294967295 at position 5 is truncated."},
    };
    for (const Case& c : cases) {
        MessagePackDecoding decoded = Decode(c.bytes);
        EXPECT_FALSE(decoded.result.ok());
        EXPECT_EQ(decoded.result.ErrorText(), c.message);
    }
}

TEST(MessagePackReaderTest, ContainersCutShortFail) {
    MessagePackDecoding array = Decode({0x92, 0x01});
    EXPECT_EQ(array.result.ErrorText(), "Invalid MessagePack data. Array of size 2 at position 0 is truncated.");
    EXPECT_EQ(array.bytesConsumed, 2u);

    // The innermost open container is named.
    MessagePackDecoding map = Decode({0x91, 0x82, 0xA1, 'a', 0x01});
    EXPECT_EQ(map.result.ErrorText(), "Invalid MessagePack data. Map of size 2 at position 1 is truncated.");
    MessagePackDecoding keyOnly = Decode({0x81, 0xA1, 'a'});
    EXPECT_EQ(keyOnly.result.ErrorText(), "Invalid MessagePack data. Map of size 1 at position 0 is truncated.");

    // Four billion elements announced with nothing behind: no allocation
    // for them, just the failure.
    MessagePackDecoding huge = Decode({0xDD, 0xFF, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(huge.result.ErrorText(),
              "Invalid MessagePack data. Array of size 4294967295 at position 0 is truncated.");
    MessagePackDecoding hugeMap = Decode({0xDF, 0xFF, 0xFF, 0xFF, 0xFF, 0xA1, 'k', 0x01});
    EXPECT_EQ(hugeMap.result.ErrorText(), "Invalid MessagePack data. Map of size 4294967295 at position 0 is truncated.");
}

TEST(MessagePackReaderTest, NestingIsBoundedAtTheSharedDepth) {
    std::vector<uint8_t> deepest(kMaxNestingDepth, 0x91);
    deepest.push_back(0x01);
    MessagePackDecoding ok = Decode(deepest);
    EXPECT_TRUE(ok.result.ok()) << ok.result.ErrorText();
    EXPECT_EQ(ok.bytesConsumed, deepest.size());

    std::vector<uint8_t> tooDeep(kMaxNestingDepth + 1, 0x91);
    tooDeep.push_back(0x01);
    MessagePackDecoding failed = Decode(tooDeep);
    EXPECT_EQ(failed.result.ErrorText(),
              "Invalid MessagePack data at position 513. Nesting deeper than 512 levels is not supported.");

    std::vector<uint8_t> hostile(100000, 0x81);
    for (std::size_t i = 1; i < hostile.size(); i += 2) hostile[i] = 0xA0;  // {"": {"": ...
    EXPECT_FALSE(Decode(hostile).result.ok());
}

}  // namespace
}  // namespace kor
