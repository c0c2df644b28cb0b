// MessagePack request bodies into a value.
#include <cstddef>
#include <cstdint>
#include <span>

#include "binding/MessagePackReader.h"
#include "fuzz/FuzzCheck.h"
#include "fuzz/PlainRoundTrip.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const kor::MessagePackDecoding decoding = kor::ReadMessagePack(std::span<const uint8_t>(data, size));
    KOR_FUZZ_CHECK(decoding.bytesConsumed <= size, "decoding never reads past the input");
    KOR_FUZZ_CHECK(size == 0 || !decoding.result.ok() || decoding.bytesConsumed > 0,
                   "a decoded value took at least one byte");
    kor::fuzz::CheckDecodedValue(decoding.result);
    return 0;
}
