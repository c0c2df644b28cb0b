#pragma once

#include <cstdio>
#include <mutex>

#include "tools/hostkit/HostTable.h"
#include "tools/kor-host/EventHub.h"
#include "tools/kor-host/HostServices.h"

namespace kor::korhost {

// kor-host's side of the host function table: the plug-in's requests go to
// the simulated services, the events it fires go to the event streams, its
// log lines go to `logStream` (standard error) with their level names.
//
// The plug-in calls these entries on the thread that is running a call into
// it, which already holds the plug-in lock (PluginRunner): nothing here takes
// that lock, and nothing here calls into the plug-in.
class KorHostTable : public hostkit::HostTable {
public:
    KorHostTable(HostServices& services, EventHub& events, std::FILE* logStream = stderr)
        : services_(services), events_(events), logStream_(logStream) {}

protected:
    void SendRequest(PluginResponse* response, const PluginRequest* request) override;
    void FireEvent(const PluginEvent* event) override;
    void Yield() override;
    void Log(int32_t level, const char* message) override;
    void OnEntryFailure(std::string_view entry, std::string_view what) override;

private:
    void WriteLine(std::string_view line);

    HostServices& services_;
    EventHub& events_;
    std::FILE* logStream_;
    std::mutex logMutex_;  // keeps lines whole when the server also writes
};

}  // namespace kor::korhost
