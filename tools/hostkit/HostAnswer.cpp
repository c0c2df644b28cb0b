#include "tools/hostkit/HostAnswer.h"

#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

#include "abi/PlainValue.h"
#include "tools/hostkit/OwnedPlainValue.h"

namespace kor::hostkit {
namespace {

char* CopyText(std::string_view text) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (copy == nullptr) throw std::bad_alloc();
    std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

// Frees a partly built record if building it fails.
struct ReleaseOnFailure {
    PluginResponse* record;
    ~ReleaseOnFailure() {
        if (record != nullptr) ReleaseHostResponse(record);
    }
};

void FillHeaders(PluginResponse& built, const HeaderList& headers) {
    if (headers.empty()) return;
    built.headers = static_cast<PluginHeader*>(std::calloc(headers.size(), sizeof(PluginHeader)));
    if (built.headers == nullptr) throw std::bad_alloc();
    built.headerCount = static_cast<uint32_t>(headers.size());
    for (std::size_t i = 0; i < headers.size(); ++i) {
        built.headers[i].name = CopyText(headers[i].first);
        built.headers[i].value = CopyText(headers[i].second);
    }
}

}  // namespace

void FillResponse(PluginResponse* response, const HostAnswer& answer) {
    if (response == nullptr) return;
    PluginResponse built;
    std::memset(&built, 0, sizeof built);
    ReleaseOnFailure guard{&built};

    built.release = &ReleaseHostResponse;
    built.status = answer.status;
    if (answer.error) {
        built.error = CopyText(*answer.error);
        built.errorFlag = 1;
    } else {
        built.value = MakeOwnedPlainValue(answer.value);
    }
    if (!answer.statusMessage.empty()) built.statusMessage = CopyText(answer.statusMessage);
    FillHeaders(built, answer.headers);
    if (answer.stream) {
        auto stream = std::make_unique<ScriptedStream>(*answer.stream);
        built.streamRead = &ScriptedStream::Read;
        built.streamDestroy = &ScriptedStream::Destroy;
        built.streamSizeHint = stream->sizeHint();
        built.stream = stream.release();
    }

    guard.record = nullptr;
    std::memcpy(response, &built, sizeof built);
}

void AnswerValue(PluginResponse* response, const HostValue& value, uint32_t status) {
    HostAnswer answer;
    answer.value = value;
    answer.status = status;
    FillResponse(response, answer);
}

void AnswerError(PluginResponse* response, std::string_view message, uint32_t status) {
    HostAnswer answer;
    answer.error = std::string(message);
    answer.status = status;
    FillResponse(response, answer);
}

void AnswerStream(PluginResponse* response, StreamScript script, uint32_t status) {
    HostAnswer answer;
    answer.stream = std::move(script);
    answer.status = status;
    FillResponse(response, answer);
}

void ReleaseHostResponse(PluginResponse* response) {
    ReleaseResponseRecord(response, [](void* block) { std::free(block); });
}

}  // namespace kor::hostkit
