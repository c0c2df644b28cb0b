#include "config/FileAccess.h"

#include <array>
#include <string>

namespace kor {
namespace {

struct ProviderTable {
    std::array<FileProvider*, kMaxFileProviders> slots{};
    int count = 0;
};

ProviderTable& Table() {
    static ProviderTable table;
    return table;
}

}  // namespace

void RegisterFileProvider(FileProvider* provider) {
    ProviderTable& table = Table();
    if (provider == nullptr || table.count >= kMaxFileProviders) return;
    for (int i = 0; i < table.count; ++i) {
        if (table.slots[i] == provider) return;
    }
    table.slots[table.count++] = provider;
}

int AccessModeForOpen(const char* mode) {
    if (mode == nullptr || mode[0] == '\0') return 0;
    const bool reads = mode[0] == 'r';
    const bool writes = mode[0] == 'w' || mode[0] == 'a' || mode[1] == '+';
    if (writes) return reads ? 6 : 2;
    return reads ? 4 : 0;
}

std::unique_ptr<FileStream> OpenFileForRead(std::string_view name, const char* mode) {
    const ProviderTable& table = Table();
    const std::string path(name);
    const int accessMode = AccessModeForOpen(mode);
    for (int i = 0; i < table.count; ++i) {
        if (table.slots[i]->Access(path, accessMode) != 0) continue;
        if (auto stream = table.slots[i]->Open(path, mode)) return stream;
    }
    return nullptr;
}

std::unique_ptr<FileStream> OpenFileForWrite(std::string_view name, const char* mode) {
    const ProviderTable& table = Table();
    const std::string path(name);
    for (int i = 0; i < table.count; ++i) {
        if (auto stream = table.slots[i]->Open(path, mode)) return stream;
    }
    return nullptr;
}

int CheckFileAccess(std::string_view name, int accessMode) {
    const ProviderTable& table = Table();
    const std::string path(name);
    int answer = -1;
    for (int i = 0; i < table.count; ++i) {
        answer = table.slots[i]->Access(path, accessMode);
        if (answer == 0) return 0;
    }
    return answer;
}

void ResetFileProvidersForTesting() {
    Table() = ProviderTable{};
}

}  // namespace kor
