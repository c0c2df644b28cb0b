#include "host/PluginLogTarget.h"

#include <memory>
#include <mutex>

#include "log/Logger.h"

namespace kor {
namespace {

constexpr uint32_t kExcludedGroupsAtHost = 4;  // "XTR"

void DetachIfPresent(LogTargetInterface* target) {
    if (target != nullptr) target->detach(target);
}

}  // namespace

PluginLogTarget::PluginLogTarget(const PluginHostTable* table) : table_(table) {}

PluginLogTarget::~PluginLogTarget() { DetachFromLogger(); }

const char* PluginLogTarget::Name() const { return kName; }

bool PluginLogTarget::Write(const LogRecord& record) {
    std::lock_guard guard(Lock());
    if (table_ == nullptr || table_->log == nullptr) return false;
    table_->log(table_, record.level, record.message);
    return true;
}

std::unique_ptr<PluginLogTarget> InstallPluginLogTarget(const PluginHostTable* table) {
    const LogInterface* logger = GetLogInterface();
    if (logger->findTarget(PluginLogTarget::kName) != nullptr) return nullptr;
    DetachIfPresent(logger->stdErrTarget());
    DetachIfPresent(logger->stdOutTarget());
    DetachIfPresent(logger->debuggerConsoleTarget());
    logger->setMinimumLevel(0);
    logger->setExcludedGroups(kExcludedGroupsAtHost, 0);

    auto target = std::make_unique<PluginLogTarget>(table);
    LogTargetSettings settings;
    settings.level = logger->getMinimumLevel();
    settings.pattern = kDefaultLogPattern;
    target->Configure(settings);  // applies the settings and attaches
    return target;
}

}  // namespace kor
