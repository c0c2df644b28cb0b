#include "platform/CriticalSection.h"

#include <windows.h>

#include <new>

namespace kor::platform {
namespace {

CRITICAL_SECTION* Native(unsigned char* storage) {
    return std::launder(reinterpret_cast<CRITICAL_SECTION*>(storage));
}

}  // namespace

CriticalSection::CriticalSection() {
    static_assert(sizeof(CRITICAL_SECTION) <= kStorageBytes && alignof(CRITICAL_SECTION) <= 8,
                  "the lock storage is too small for a critical section");
    // Windows critical sections are re-entrant for their owning thread, as
    // this class promises.
    InitializeCriticalSection(new (storage_) CRITICAL_SECTION);
}

CriticalSection::~CriticalSection() { DeleteCriticalSection(Native(storage_)); }

void CriticalSection::Enter() { EnterCriticalSection(Native(storage_)); }
void CriticalSection::Leave() { LeaveCriticalSection(Native(storage_)); }
bool CriticalSection::TryEnter() { return TryEnterCriticalSection(Native(storage_)) != 0; }

}  // namespace kor::platform
