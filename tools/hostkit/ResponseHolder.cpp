#include "tools/hostkit/ResponseHolder.h"

#include <cstring>

#include "tools/hostkit/PlainValueReader.h"

namespace kor::hostkit {

ResponseHolder::ResponseHolder() { std::memset(&record_, 0, sizeof record_); }

ResponseHolder::~ResponseHolder() { Release(); }

bool ResponseHolder::failed() const { return record_.error != nullptr || record_.errorFlag != 0; }

std::string ResponseHolder::error() const { return record_.error != nullptr ? record_.error : ""; }

std::string ResponseHolder::statusMessage() const {
    return record_.statusMessage != nullptr ? record_.statusMessage : "";
}

Outcome<HostValue> ResponseHolder::value() const {
    BindingPlainValue plain = record_.value;
    return ReadPlainValue(plain);
}

Outcome<HeaderList> ResponseHolder::headers() const {
    const PluginHeader* headers = record_.headers;
    uint32_t count = record_.headerCount;
    if (headers == nullptr && count != 0) {
        return Failure{"response has no header array but a header count of " + std::to_string(count)};
    }
    HeaderList list;
    for (uint32_t i = 0; i < count; ++i) {
        if (headers[i].name == nullptr || headers[i].value == nullptr) {
            return Failure{"response header " + std::to_string(i) + " has no name or no value"};
        }
        list.emplace_back(headers[i].name, headers[i].value);
    }
    return list;
}

std::optional<ResponseStream> ResponseHolder::TakeStream() {
    if (!hasStream()) return std::nullopt;
    return TakeStreamEntries();
}

ResponseStream ResponseHolder::TakeStreamEntries() {
    ResponseStream stream(record_.stream, record_.streamRead, record_.streamDestroy, record_.streamSizeHint);
    record_.stream = nullptr;
    record_.streamRead = nullptr;
    record_.streamDestroy = nullptr;
    record_.streamSizeHint = 0;
    return stream;
}

void ResponseHolder::Release() {
    if (released_) return;
    released_ = true;
    // Taken first: the release function zeroes the record, stream entries too.
    ResponseStream leftover = TakeStreamEntries();
    if (record_.release != nullptr) record_.release(&record_);
    std::memset(&record_, 0, sizeof record_);
}

}  // namespace kor::hostkit
