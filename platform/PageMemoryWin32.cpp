#include "platform/PageMemory.h"

#include <windows.h>

namespace kor::platform {

// VirtualAlloc hands out whole pages at the allocation granularity (64 KiB),
// zero-filled, which is what ReserveAndCommitPages promises.
void* ReserveAndCommitPages(std::size_t bytes) {
    if (bytes == 0) return nullptr;
    return VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
}

// MEM_RELEASE frees the whole reservation and insists on a size of 0.
void ReleasePages(void* block, std::size_t /*bytes*/) {
    if (block != nullptr) VirtualFree(block, 0, MEM_RELEASE);
}

}  // namespace kor::platform
