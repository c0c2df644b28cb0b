#include "platform/CriticalSection.h"

#include <mutex>
#include <new>

namespace kor::platform {
namespace {

std::recursive_mutex& Native(unsigned char* storage) {
    return *std::launder(reinterpret_cast<std::recursive_mutex*>(storage));
}

}  // namespace

CriticalSection::CriticalSection() {
    static_assert(sizeof(std::recursive_mutex) <= kStorageBytes && alignof(std::recursive_mutex) <= 8,
                  "the lock storage is too small for std::recursive_mutex");
    new (storage_) std::recursive_mutex();
}

CriticalSection::~CriticalSection() { Native(storage_).~recursive_mutex(); }

void CriticalSection::Enter() { Native(storage_).lock(); }
void CriticalSection::Leave() { Native(storage_).unlock(); }
bool CriticalSection::TryEnter() { return Native(storage_).try_lock(); }

}  // namespace kor::platform
