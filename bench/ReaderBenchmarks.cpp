// Reading settings documents into a value: this system's JSON, MessagePack and
// YAML readers against the parsers a user would reach for instead.

#include "bench/BenchInputs.h"
#include "bench/Workloads.h"
#include "binding/JsonReader.h"
#include "binding/MessagePackReader.h"
#include "binding/YamlReader.h"

#include <msgpack.hpp>
#include <rapidjson/document.h>
#include <yaml.h>

#include <string>
#include <vector>

namespace kor::bench {
namespace {

// ---- Counting what each side built, to check they agree ----

// Values (containers included) and keys in a tree.
struct Census {
    std::size_t values = 0;
    std::size_t keys = 0;
};

Census Count(const BindingProperty& root) {
    Census census;
    std::vector<const BindingProperty*> pending{&root};
    while (!pending.empty()) {
        const BindingProperty* value = pending.back();
        pending.pop_back();
        ++census.values;
        for (const BindingProperty& element : value->Elements()) pending.push_back(&element);
        for (const auto& member : value->Members()) {
            ++census.keys;
            pending.push_back(&member.value);
        }
    }
    return census;
}

Census Count(const rapidjson::Value& value) {
    Census census{1, 0};
    if (value.IsArray()) {
        for (const rapidjson::Value& element : value.GetArray()) {
            const Census inner = Count(element);
            census.values += inner.values;
            census.keys += inner.keys;
        }
    } else if (value.IsObject()) {
        for (const auto& member : value.GetObject()) {
            const Census inner = Count(member.value);
            census.values += inner.values;
            census.keys += inner.keys + 1;
        }
    }
    return census;
}

Census Count(const msgpack::object& value) {
    Census census{1, 0};
    if (value.type == msgpack::type::ARRAY) {
        for (uint32_t index = 0; index < value.via.array.size; ++index) {
            const Census inner = Count(value.via.array.ptr[index]);
            census.values += inner.values;
            census.keys += inner.keys;
        }
    } else if (value.type == msgpack::type::MAP) {
        for (uint32_t index = 0; index < value.via.map.size; ++index) {
            const Census inner = Count(value.via.map.ptr[index].val);
            census.values += inner.values;
            census.keys += inner.keys + 1;
        }
    }
    return census;
}

bool CheckCensus(benchmark::State& state, const Census& expected, const Census& actual) {
    return CheckSame(state, "values", expected.values, actual.values) &&
           CheckSame(state, "keys", expected.keys, actual.keys);
}

bool CheckOk(benchmark::State& state, const BindingResult& result) {
    if (result.ok()) return true;
    state.SkipWithError(std::string(result.ErrorText()).c_str());
    return false;
}

// Runs `check` until it has passed once in this process: what it checks (the
// two sides of one input) is the same in both states and every round, and a
// check of a 1 MB body is not cheap.
template <class Check>
bool PassedOnce(bool& passed, Check check) {
    if (!passed) passed = check();
    return passed;
}

Census RapidJsonCensus(const std::string& text) {
    rapidjson::Document document;
    document.Parse(text.data(), text.size());
    return Count(document);
}

// ---- JSON ----

// Checks outside the timed loop, so that no tree of the check is alive while
// it runs.
bool CheckJson(benchmark::State& state, const std::string& text) {
    const BindingResult check = ReadJson(text);
    return CheckOk(state, check) && CheckCensus(state, RapidJsonCensus(text), Count(check.value()));
}

template <const std::string& (*Input)()>
void JsonSystem(benchmark::State& state) {
    const std::string& text = Input();
    static bool checked = false;
    if (!PassedOnce(checked, [&] { return CheckJson(state, text); })) return;
    for (auto _ : state) {
        BindingResult result = ReadJson(text);
        benchmark::DoNotOptimize(result);
    }
}

// The reversed body against the same body sorted, both read by this system.
// The reversed side checks that it reads the very tree the sorted one does;
// the sorted side, the anchor, checks that tree against RapidJSON's.
template <const std::string& (*Reversed)(), const std::string& (*Sorted)()>
void ReversedKeysSystem(benchmark::State& state) {
    const std::string& text = Reversed();
    static bool checked = false;
    const bool same = PassedOnce(checked, [&] {
        const BindingResult reversed = ReadJson(text);
        const BindingResult sorted = ReadJson(Sorted());
        return CheckOk(state, reversed) && CheckOk(state, sorted) &&
               CheckSame(state, "same tree from both key orders", 1, reversed.value() == sorted.value());
    });
    if (!same) return;
    for (auto _ : state) {
        BindingResult result = ReadJson(text);
        benchmark::DoNotOptimize(result);
    }
}

template <const std::string& (*Input)()>
void JsonAnchor(benchmark::State& state) {
    const std::string& text = Input();
    for (auto _ : state) {
        rapidjson::Document document;
        document.Parse(text.data(), text.size());
        benchmark::DoNotOptimize(document);
    }
}

// ---- MessagePack ----

msgpack::object_handle Unpack(const std::vector<uint8_t>& bytes) {
    return msgpack::unpack(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

bool CheckMessagePack(benchmark::State& state, const std::vector<uint8_t>& bytes) {
    const MessagePackDecoding check = ReadMessagePack(bytes);
    return CheckOk(state, check.result) && CheckSame(state, "bytes consumed", bytes.size(), check.bytesConsumed) &&
           CheckCensus(state, Count(Unpack(bytes).get()), Count(check.result.value()));
}

template <const std::vector<uint8_t>& (*Input)()>
void MessagePackSystem(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = Input();
    static bool checked = false;
    if (!PassedOnce(checked, [&] { return CheckMessagePack(state, bytes); })) return;
    for (auto _ : state) {
        MessagePackDecoding decoding = ReadMessagePack(bytes);
        benchmark::DoNotOptimize(decoding);
    }
}

template <const std::vector<uint8_t>& (*Input)()>
void MessagePackAnchor(benchmark::State& state) {
    const std::vector<uint8_t>& bytes = Input();
    for (auto _ : state) {
        msgpack::object_handle handle = Unpack(bytes);
        benchmark::DoNotOptimize(handle.get());
    }
}

// ---- YAML ----

// The floor for a YAML reader: libyaml's events, pulled and dropped. Returns
// the node events (scalars, sequence and mapping starts), -1 on an error.
long YamlEventLoop(const std::string& text) {
    yaml_parser_t parser;
    if (yaml_parser_initialize(&parser) == 0) return -1;
    yaml_parser_set_encoding(&parser, YAML_UTF8_ENCODING);
    yaml_parser_set_input_string(&parser, reinterpret_cast<const unsigned char*>(text.data()), text.size());
    long nodes = 0;
    bool done = false;
    while (!done) {
        yaml_event_t event;
        if (yaml_parser_parse(&parser, &event) == 0) {
            nodes = -1;
            break;
        }
        done = event.type == YAML_STREAM_END_EVENT;
        nodes += event.type == YAML_SCALAR_EVENT || event.type == YAML_SEQUENCE_START_EVENT ||
                 event.type == YAML_MAPPING_START_EVENT;
        yaml_event_delete(&event);
    }
    yaml_parser_delete(&parser);
    return nodes;
}

bool CheckYaml(benchmark::State& state, const std::string& text) {
    const BindingResult check = ReadYaml(text);
    if (!CheckOk(state, check)) return false;
    // Every node event is a value or a key.
    const Census census = Count(check.value());
    return CheckSame(state, "nodes", static_cast<std::size_t>(YamlEventLoop(text)), census.values + census.keys);
}

void YamlSystem(benchmark::State& state) {
    const std::string& text = DefaultDocumentYaml();
    static bool checked = false;
    if (!PassedOnce(checked, [&] { return CheckYaml(state, text); })) return;
    for (auto _ : state) {
        BindingResult result = ReadYaml(text);
        benchmark::DoNotOptimize(result);
    }
}

void YamlAnchor(benchmark::State& state) {
    const std::string& text = DefaultDocumentYaml();
    for (auto _ : state) benchmark::DoNotOptimize(YamlEventLoop(text));
}

[[maybe_unused]] const bool kRegistered = [] {
    RegisterWorkload({"json/default-document", "RapidJSON Document::Parse", 1.5}, JsonSystem<DefaultDocumentJson>,
                     JsonAnchor<DefaultDocumentJson>);
    RegisterWorkload({"json/1MB-document", "RapidJSON Document::Parse", 2.0}, JsonSystem<LargeDocumentJson>,
                     JsonAnchor<LargeDocumentJson>);
    RegisterWorkload({"json/1MB-reverse-sorted-keys", "this system, the same body sorted", 3.0},
                     ReversedKeysSystem<LargeDocumentReversedKeys, LargeDocumentSortedKeys>,
                     JsonSystem<LargeDocumentSortedKeys>);
    RegisterWorkload({"json/1MB-flat-reverse-sorted-keys", "this system, the same body sorted", 3.0},
                     ReversedKeysSystem<FlatDocumentReversedKeys, FlatDocumentSortedKeys>,
                     JsonSystem<FlatDocumentSortedKeys>);
    RegisterWorkload({"msgpack/default-document", "msgpack-cxx msgpack::unpack", 2.0},
                     MessagePackSystem<DefaultDocumentMessagePack>, MessagePackAnchor<DefaultDocumentMessagePack>);
    RegisterWorkload({"msgpack/1MB-document", "msgpack-cxx msgpack::unpack", 2.5},
                     MessagePackSystem<LargeDocumentMessagePack>, MessagePackAnchor<LargeDocumentMessagePack>);
    RegisterWorkload({"yaml/default-document", "libyaml event loop", 1.2}, YamlSystem, YamlAnchor);
    return true;
}();

}  // namespace
}  // namespace kor::bench
