// The library's C++ allocations go through the plug-in's counting allocator,
// so the host's memory statistics include them. These definitions live only
// in the shared library and are kept out of its export list, so they serve
// the library's own code and never replace the host's operator new.
//
// Under AddressSanitizer they are left out: the sanitizer pairs operator new
// with operator delete, and blocks that libstdc++ allocates inside its own
// library with the standard operator new can be freed by code inlined here
// (and the other way round), which it would report as mismatched.
#include <cstddef>
#include <new>

#include "platform/CountingAllocator.h"

#if !defined(KOR_SANITIZED_BUILD)

namespace {

void* AllocateOrThrow(std::size_t size) {
    void* block = kor::platform::CountedAllocate(size);
    if (block == nullptr) throw std::bad_alloc();
    return block;
}

}  // namespace

void* operator new(std::size_t size) { return AllocateOrThrow(size); }
void* operator new[](std::size_t size) { return AllocateOrThrow(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return kor::platform::CountedAllocate(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return kor::platform::CountedAllocate(size);
}
void operator delete(void* block) noexcept { kor::platform::CountedFree(block); }
void operator delete[](void* block) noexcept { kor::platform::CountedFree(block); }
void operator delete(void* block, std::size_t) noexcept { kor::platform::CountedFree(block); }
void operator delete[](void* block, std::size_t) noexcept { kor::platform::CountedFree(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { kor::platform::CountedFree(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { kor::platform::CountedFree(block); }

#endif
