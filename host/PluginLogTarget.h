#pragma once

#include <memory>

#include "abi/PluginAbi.h"
#include "log/LogTarget.h"

namespace kor {

// The log target that hands records to the host: each record's level and
// message text (not an expanded pattern line) go to host table entry 9. The
// table must stay valid while the target is attached.
class PluginLogTarget : public LogTarget {
public:
    static constexpr const char* kName = "PluginLogTarget";

    explicit PluginLogTarget(const PluginHostTable* table);
    // Detaches before the table pointer is gone.
    ~PluginLogTarget() override;

    const char* Name() const override;
    bool Write(const LogRecord& record) override;

private:
    const PluginHostTable* table_;
};

// Routes the process's logger to the host, once per process: when no
// attached target is named "PluginLogTarget", detaches the three built-in
// targets, sets the minimum level to 0 and the globally excluded groups to 4,
// and attaches a new PluginLogTarget (pattern "#D| #L| #G| #M", level the
// logger's minimum level), which the caller then owns. When such a target is
// already attached (another plug-in of the process installed it), changes
// nothing and returns null.
std::unique_ptr<PluginLogTarget> InstallPluginLogTarget(const PluginHostTable* table);

}  // namespace kor
