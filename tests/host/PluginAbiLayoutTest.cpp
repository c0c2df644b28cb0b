// The boundary records' layouts, checked while running on the target itself
// rather than only by the compiler: every field of every record sits where
// the host expects it, for the pointer width of this build. Each record is
// described here independently of the header, as a list of fields and the
// width each one has on the boundary ("a word" for addresses, fixed widths
// for counts and flags); the records are packed, so each field starts where
// the previous one ends. With 4-byte pointers the totals are also compared
// with the sizes a 32-bit host is built against. The table is printed, so a
// run under emulation shows the layout it checked.
#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <iomanip>
#include <iostream>
#include <string>
#include <vector>

#include "host/PluginAbi.h"

namespace kor {
namespace {

constexpr std::size_t kWord = sizeof(void*);

struct FieldLayout {
    const char* name;
    std::size_t offset;  // where this build puts the field
    std::size_t width;   // how wide it is on the boundary
};

struct RecordLayout {
    const char* name;
    std::size_t size;  // sizeof in this build
    std::vector<FieldLayout> fields;
    std::size_t sizeWith4BytePointers;
};

std::size_t BoundaryWidth(const RecordLayout& record) {
    std::size_t total = 0;
    for (const FieldLayout& field : record.fields) total += field.width;
    return total;
}

// A plain value is a 4-byte kind and a payload as wide as its widest member:
// an 8-byte number, or an address followed by a 4-byte length.
constexpr std::size_t kPayloadWidth = kWord + 4 > 8 ? kWord + 4 : 8;
constexpr std::size_t kPlainValueWidth = 4 + kPayloadWidth;

#define KOR_FIELD(Record, member, width) FieldLayout{#member, offsetof(Record, member), (width)}

RecordLayout PlainValue() {
    return {"BindingPlainValue", sizeof(BindingPlainValue),
            {KOR_FIELD(BindingPlainValue, kind, 4), KOR_FIELD(BindingPlainValue, payload, kPayloadWidth)}, 12};
}

RecordLayout PlainMember() {
    return {"BindingPlainMember", sizeof(BindingPlainMember),
            {KOR_FIELD(BindingPlainMember, name, kWord), KOR_FIELD(BindingPlainMember, value, kPlainValueWidth),
             KOR_FIELD(BindingPlainMember, ownsName, 1)},
            17};
}

RecordLayout Argument() {
    return {"PluginArgument", sizeof(PluginArgument),
            {KOR_FIELD(PluginArgument, name, kWord), KOR_FIELD(PluginArgument, value, kPlainValueWidth)}, 16};
}

RecordLayout Header() {
    return {"PluginHeader", sizeof(PluginHeader),
            {KOR_FIELD(PluginHeader, name, kWord), KOR_FIELD(PluginHeader, value, kWord)}, 8};
}

RecordLayout Request() {
    return {"PluginRequest",
            sizeof(PluginRequest),
            {KOR_FIELD(PluginRequest, method, 4), KOR_FIELD(PluginRequest, url, kWord),
             KOR_FIELD(PluginRequest, args, kWord), KOR_FIELD(PluginRequest, argCount, 4),
             KOR_FIELD(PluginRequest, callContext, kWord), KOR_FIELD(PluginRequest, headers, kWord),
             KOR_FIELD(PluginRequest, headerCount, 4), KOR_FIELD(PluginRequest, contentType, kWord),
             KOR_FIELD(PluginRequest, body, kWord), KOR_FIELD(PluginRequest, bodySize, 4),
             KOR_FIELD(PluginRequest, callWord, kWord), KOR_FIELD(PluginRequest, customMethod, kWord)},
            48};
}

RecordLayout Response() {
    return {"PluginResponse",
            sizeof(PluginResponse),
            {KOR_FIELD(PluginResponse, value, kPlainValueWidth), KOR_FIELD(PluginResponse, error, kWord),
             KOR_FIELD(PluginResponse, errorFlag, 1), KOR_FIELD(PluginResponse, resultFlags, 1),
             KOR_FIELD(PluginResponse, format, 4), KOR_FIELD(PluginResponse, status, 4),
             KOR_FIELD(PluginResponse, statusMessage, kWord), KOR_FIELD(PluginResponse, headers, kWord),
             KOR_FIELD(PluginResponse, headerCount, 4), KOR_FIELD(PluginResponse, streamRead, kWord),
             KOR_FIELD(PluginResponse, streamDestroy, kWord), KOR_FIELD(PluginResponse, streamSizeHint, 8),
             KOR_FIELD(PluginResponse, stream, kWord), KOR_FIELD(PluginResponse, release, kWord)},
            62};
}

RecordLayout Event() {
    return {"PluginEvent",
            sizeof(PluginEvent),
            {KOR_FIELD(PluginEvent, name, kWord), KOR_FIELD(PluginEvent, payload, kPlainValueWidth),
             KOR_FIELD(PluginEvent, reserved, kWord), KOR_FIELD(PluginEvent, context, kWord)},
            24};
}

RecordLayout HostTable() {
    return {"PluginHostTable",
            sizeof(PluginHostTable),
            {KOR_FIELD(PluginHostTable, sendRequest, kWord), KOR_FIELD(PluginHostTable, entry1, kWord),
             KOR_FIELD(PluginHostTable, fireEvent, kWord), KOR_FIELD(PluginHostTable, subscribeEvent, kWord),
             KOR_FIELD(PluginHostTable, unsubscribeEvent, kWord), KOR_FIELD(PluginHostTable, entry5, kWord),
             KOR_FIELD(PluginHostTable, yield, kWord), KOR_FIELD(PluginHostTable, beginWait, kWord),
             KOR_FIELD(PluginHostTable, endWait, kWord), KOR_FIELD(PluginHostTable, log, kWord)},
            40};
}

RecordLayout Host() {
    return {"PluginHost", sizeof(PluginHost),
            {KOR_FIELD(PluginHost, table, kWord), KOR_FIELD(PluginHost, handle, kWord)}, 8};
}

RecordLayout Callbacks() {
    return {"PluginCallbacks",
            sizeof(PluginCallbacks),
            {KOR_FIELD(PluginCallbacks, initialize, kWord), KOR_FIELD(PluginCallbacks, shutdown, kWord),
             KOR_FIELD(PluginCallbacks, memoryStats, kWord)},
            12};
}

RecordLayout HostContext() {
    return {"PluginHostContext",
            sizeof(PluginHostContext),
            {KOR_FIELD(PluginHostContext, apiMajor, kWord), KOR_FIELD(PluginHostContext, apiMinor, kWord),
             KOR_FIELD(PluginHostContext, apiPatch, kWord), KOR_FIELD(PluginHostContext, callbacks, kWord),
             KOR_FIELD(PluginHostContext, plugin, kWord), KOR_FIELD(PluginHostContext, name, kWord),
             KOR_FIELD(PluginHostContext, api, kWord)},
            28};
}

RecordLayout EnumeratorRecord() {
    return {"PluginEnumeratorRecord",
            sizeof(PluginEnumeratorRecord),
            {KOR_FIELD(PluginEnumeratorRecord, next, kWord), KOR_FIELD(PluginEnumeratorRecord, name, kWord),
             KOR_FIELD(PluginEnumeratorRecord, description, kWord), KOR_FIELD(PluginEnumeratorRecord, number, 4)},
            16};
}

RecordLayout FieldRecord() {
    return {"PluginFieldRecord",
            sizeof(PluginFieldRecord),
            {KOR_FIELD(PluginFieldRecord, next, kWord), KOR_FIELD(PluginFieldRecord, name, kWord),
             KOR_FIELD(PluginFieldRecord, description, kWord), KOR_FIELD(PluginFieldRecord, offset, 4),
             KOR_FIELD(PluginFieldRecord, type, 4), KOR_FIELD(PluginFieldRecord, elementType, 4),
             KOR_FIELD(PluginFieldRecord, typeName, kWord), KOR_FIELD(PluginFieldRecord, optional, 1)},
            29};
}

RecordLayout TypeRecord() {
    return {"PluginTypeRecord",
            sizeof(PluginTypeRecord),
            {KOR_FIELD(PluginTypeRecord, next, kWord), KOR_FIELD(PluginTypeRecord, name, kWord),
             KOR_FIELD(PluginTypeRecord, nameSpace, kWord), KOR_FIELD(PluginTypeRecord, size, 4),
             KOR_FIELD(PluginTypeRecord, description, kWord), KOR_FIELD(PluginTypeRecord, tags, kWord),
             KOR_FIELD(PluginTypeRecord, tagCount, 4), KOR_FIELD(PluginTypeRecord, fields, kWord),
             KOR_FIELD(PluginTypeRecord, enumerators, kWord), KOR_FIELD(PluginTypeRecord, count, 4)},
            40};
}

RecordLayout ArgumentRecord() {
    return {"PluginArgumentRecord",
            sizeof(PluginArgumentRecord),
            {KOR_FIELD(PluginArgumentRecord, next, kWord), KOR_FIELD(PluginArgumentRecord, name, kWord),
             KOR_FIELD(PluginArgumentRecord, description, kWord), KOR_FIELD(PluginArgumentRecord, type, 4),
             KOR_FIELD(PluginArgumentRecord, elementType, 4), KOR_FIELD(PluginArgumentRecord, typeName, kWord),
             KOR_FIELD(PluginArgumentRecord, optional, 1)},
            25};
}

RecordLayout FunctionRecord() {
    return {"PluginFunctionRecord",
            sizeof(PluginFunctionRecord),
            {KOR_FIELD(PluginFunctionRecord, next, kWord), KOR_FIELD(PluginFunctionRecord, reserved, kWord),
             KOR_FIELD(PluginFunctionRecord, callContext, kWord), KOR_FIELD(PluginFunctionRecord, name, kWord),
             KOR_FIELD(PluginFunctionRecord, nameSpace, kWord), KOR_FIELD(PluginFunctionRecord, args, kWord),
             KOR_FIELD(PluginFunctionRecord, argCount, 4), KOR_FIELD(PluginFunctionRecord, returnType, 4),
             KOR_FIELD(PluginFunctionRecord, returnElementType, 4),
             KOR_FIELD(PluginFunctionRecord, returnTypeName, kWord),
             KOR_FIELD(PluginFunctionRecord, description, kWord), KOR_FIELD(PluginFunctionRecord, help, kWord),
             KOR_FIELD(PluginFunctionRecord, threadSafe, 1), KOR_FIELD(PluginFunctionRecord, asyncType, kWord),
             KOR_FIELD(PluginFunctionRecord, tags, kWord), KOR_FIELD(PluginFunctionRecord, tagCount, 4)},
            61};
}

RecordLayout FunctionEntry() {
    return {"PluginFunctionEntry",
            sizeof(PluginFunctionEntry),
            {KOR_FIELD(PluginFunctionEntry, record, BoundaryWidth(FunctionRecord())),
             KOR_FIELD(PluginFunctionEntry, invoke, kWord), KOR_FIELD(PluginFunctionEntry, reserved, 25)},
            90};
}

RecordLayout EventRecord() {
    return {"PluginEventRecord",
            sizeof(PluginEventRecord),
            {KOR_FIELD(PluginEventRecord, next, kWord), KOR_FIELD(PluginEventRecord, name, kWord),
             KOR_FIELD(PluginEventRecord, nameSpace, kWord), KOR_FIELD(PluginEventRecord, payloadTypeName, kWord),
             KOR_FIELD(PluginEventRecord, description, kWord), KOR_FIELD(PluginEventRecord, tags, kWord),
             KOR_FIELD(PluginEventRecord, tagCount, 4)},
            28};
}

RecordLayout ApiDescription() {
    return {"PluginApiDescription",
            sizeof(PluginApiDescription),
            {KOR_FIELD(PluginApiDescription, functions, kWord), KOR_FIELD(PluginApiDescription, functionCount, 4),
             KOR_FIELD(PluginApiDescription, types, kWord), KOR_FIELD(PluginApiDescription, typeCount, 4),
             KOR_FIELD(PluginApiDescription, events, kWord), KOR_FIELD(PluginApiDescription, eventCount, 4)},
            24};
}

#undef KOR_FIELD

std::vector<RecordLayout> AllRecords() {
    return {PlainValue(),  PlainMember(),      Argument(),    Header(),         Request(),
            Response(),    Event(),            HostTable(),   Host(),           Callbacks(),
            HostContext(), EnumeratorRecord(), FieldRecord(), TypeRecord(),     ArgumentRecord(),
            FunctionRecord(), FunctionEntry(), EventRecord(), ApiDescription()};
}

void PrintLayout(const RecordLayout& record) {
    std::cout << record.name << ": " << record.size << " bytes\n";
    for (const FieldLayout& field : record.fields) {
        std::cout << "  " << std::setw(4) << field.offset << "  " << field.name << " (" << field.width << ")\n";
    }
}

TEST(PluginAbiLayoutTest, EveryFieldStartsWhereThePreviousOneEnds) {
    std::cout << "Boundary records with " << kWord << "-byte pointers\n";
    for (const RecordLayout& record : AllRecords()) {
        SCOPED_TRACE(record.name);
        PrintLayout(record);
        std::size_t expected = 0;
        for (const FieldLayout& field : record.fields) {
            EXPECT_EQ(field.offset, expected) << record.name << "::" << field.name;
            expected += field.width;
        }
        EXPECT_EQ(record.size, expected) << record.name << " has bytes no field accounts for";
    }
}

TEST(PluginAbiLayoutTest, ThirtyTwoBitSizesAreTheOnesTheHostIsBuiltAgainst) {
    if (kWord != 4) GTEST_SKIP() << "pointers are " << kWord << " bytes in this build";
    for (const RecordLayout& record : AllRecords()) {
        EXPECT_EQ(record.size, record.sizeWith4BytePointers) << record.name;
    }
}

// The payload's members overlap, each starting right after the kind, and the
// length or count that follows an address starts one word later.
TEST(PluginAbiLayoutTest, PlainValuePayloadMembersOverlayEachOther) {
    constexpr std::size_t payload = offsetof(BindingPlainValue, payload);
    EXPECT_EQ(offsetof(BindingPlainValue, payload.boolValue), payload);
    EXPECT_EQ(offsetof(BindingPlainValue, payload.signedValue), payload);
    EXPECT_EQ(offsetof(BindingPlainValue, payload.unsignedValue), payload);
    EXPECT_EQ(offsetof(BindingPlainValue, payload.floatValue), payload);
    EXPECT_EQ(offsetof(BindingPlainValue, payload.string.text), payload);
    EXPECT_EQ(offsetof(BindingPlainValue, payload.string.length), payload + kWord);
    EXPECT_EQ(offsetof(BindingPlainValue, payload.blob.data), payload);
    EXPECT_EQ(offsetof(BindingPlainValue, payload.blob.size), payload + kWord);
    EXPECT_EQ(offsetof(BindingPlainValue, payload.collection.items), payload);
    EXPECT_EQ(offsetof(BindingPlainValue, payload.collection.count), payload + kWord);
    EXPECT_EQ(offsetof(BindingPlainValue, payload.structure.members), payload);
    EXPECT_EQ(offsetof(BindingPlainValue, payload.structure.count), payload + kWord);
}

}  // namespace
}  // namespace kor
