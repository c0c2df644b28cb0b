#include "fuzz/FuzzedValues.h"

#include <array>
#include <cstdint>
#include <string_view>
#include <utility>

namespace kor::fuzz {
namespace {

using hostkit::HostValue;

// Names the service looks for in payloads and arguments.
constexpr std::array<std::string_view, 24> kKnownNames = {
    "state",      "summonerId", "accountId",   "gasToken",         "uri",         "eventType",
    "data",       "files",      "name",        "sections",         "settings",    "value",
    "persisted",  "GameEvents", "HUDEvents",   "ShopEvents",       "General",     "evtCastSpell2",
    "modified",   "timestamp",  "hash",        "settingsResource", "SUCCEEDED",   "Update"};

}  // namespace

std::string ConsumeName(FuzzedDataProvider& input) {
    if (input.ConsumeBool()) {
        return std::string(kKnownNames[input.ConsumeIntegralInRange<std::size_t>(0, kKnownNames.size() - 1)]);
    }
    return input.ConsumeRandomLengthString(24);
}

HostValue ConsumeHostValue(FuzzedDataProvider& input, int depth) {
    const int kinds = depth > 0 ? 9 : 7;
    switch (input.ConsumeIntegralInRange<int>(0, kinds - 1)) {
        case 0: return HostValue();
        case 1: return HostValue::Bool(input.ConsumeBool());
        case 2: return HostValue::Signed(input.ConsumeIntegral<int64_t>());
        case 3: return HostValue::Unsigned(input.ConsumeIntegral<uint64_t>());
        case 4: return HostValue::Float(input.ConsumeFloatingPoint<double>());
        case 5: return HostValue::String(input.ConsumeBool() ? ConsumeName(input) : input.ConsumeRandomLengthString(64));
        case 6: return HostValue::Blob(input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<std::size_t>(0, 16)));
        case 7: {
            HostValue items = HostValue::Collection();
            const int count = input.ConsumeIntegralInRange<int>(0, 4);
            for (int i = 0; i < count; ++i) items.Append(ConsumeHostValue(input, depth - 1));
            return items;
        }
        default: {
            HostValue members = HostValue::Structure();
            const int count = input.ConsumeIntegralInRange<int>(0, 5);
            for (int i = 0; i < count; ++i) members.Set(ConsumeName(input), ConsumeHostValue(input, depth - 1));
            return members;
        }
    }
}

}  // namespace kor::fuzz
