#include "host/router/PluginResponseRecord.h"

#include <cstring>

#include "abi/PlainValue.h"
#include "platform/CountingAllocator.h"

namespace kor {
namespace {

void FreeText(const char* text) noexcept { platform::CountedFree(const_cast<char*>(text)); }

}  // namespace

void ReleasePluginResponse(PluginResponse* response) noexcept {
    ReleaseResponseRecord(response, &platform::CountedFree);
}

void PreparePluginResponse(PluginResponse* response) noexcept {
    if (response == nullptr) return;
    if (response->release == &ReleasePluginResponse) {
        ReleasePluginResponse(response);
    } else {
        std::memset(static_cast<void*>(response), 0, sizeof *response);
    }
    response->release = &ReleasePluginResponse;
}

char* DuplicateResponseText(std::string_view text) noexcept {
    auto* copy = static_cast<char*>(platform::CountedAllocate(text.size() + 1));
    if (copy == nullptr) return nullptr;
    if (!text.empty()) std::memcpy(copy, text.data(), text.size());
    copy[text.size()] = '\0';
    return copy;
}

bool SetResponseError(PluginResponse* response, std::string_view message, uint32_t status) noexcept {
    if (response->errorFlag != 0) FreeText(response->error);
    response->error = DuplicateResponseText(message);
    response->errorFlag = 1;
    response->status = status;
    return response->error != nullptr;
}

bool SetResponseStatusMessage(PluginResponse* response, std::string_view message) noexcept {
    static char kEmpty[] = "";
    if (response->statusMessage != nullptr && response->statusMessage[0] != '\0') FreeText(response->statusMessage);
    response->statusMessage = message.empty() ? kEmpty : DuplicateResponseText(message);
    if (response->statusMessage != nullptr) return true;
    response->statusMessage = kEmpty;
    return false;
}

}  // namespace kor
