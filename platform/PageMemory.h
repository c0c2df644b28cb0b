#pragma once

#include <cstddef>

namespace kor::platform {

// Reserves and commits `bytes` of read-write memory directly from the
// operating system. The result is aligned to the system page size (at least
// 4096 bytes) and zero-filled; null on failure.
void* ReserveAndCommitPages(std::size_t bytes);

// Gives back a block obtained from ReserveAndCommitPages, with the same size.
void ReleasePages(void* block, std::size_t bytes);

}  // namespace kor::platform
