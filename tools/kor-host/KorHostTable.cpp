#include "tools/kor-host/KorHostTable.h"

#include <string>
#include <thread>

#include "tools/hostkit/JsonCodec.h"
#include "tools/hostkit/LogLevels.h"
#include "tools/hostkit/PlainValueReader.h"
#include "tools/kor-host/HttpStatus.h"

namespace kor::korhost {

void KorHostTable::SendRequest(PluginResponse* response, const PluginRequest* request) {
    hostkit::Outcome<ServiceRequest> read = HostServices::Read(*request);
    if (!read) {
        hostkit::FillResponse(response, ErrorAnswer(read.error(), kBadRequest));
        return;
    }
    hostkit::FillResponse(response, services_.Answer(read.value()));
}

void KorHostTable::FireEvent(const PluginEvent* event) {
    const std::string name = event->name != nullptr ? event->name : "";
    hostkit::Outcome<hostkit::HostValue> payload = hostkit::ReadPlainValue(event->payload);
    if (!payload) {
        WriteLine("kor-host: dropped event " + name + " whose payload cannot be read: " + payload.error());
        return;
    }
    events_.Publish(name, hostkit::EncodeJson(payload.value()));
}

void KorHostTable::Yield() {
    // The services answer at once; nothing else waits for this thread.
    std::this_thread::yield();
}

void KorHostTable::Log(int32_t level, const char* message) {
    std::string_view text = message;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
    WriteLine("plug-in " + std::string(hostkit::LogLevelName(level)) + "| " + std::string(text));
}

void KorHostTable::OnEntryFailure(std::string_view entry, std::string_view what) {
    WriteLine("kor-host: host table entry " + std::string(entry) + " failed: " + std::string(what));
}

void KorHostTable::WriteLine(std::string_view line) {
    if (logStream_ == nullptr) return;
    std::lock_guard<std::mutex> lock(logMutex_);
    std::fprintf(logStream_, "%.*s\n", static_cast<int>(line.size()), line.data());
    std::fflush(logStream_);
}

}  // namespace kor::korhost
