#pragma once

namespace kor::platform {

// A re-entrant lock: the thread that holds it may enter again, and must leave
// as often as it entered. Satisfies the standard Lockable requirements so it
// works with std::lock_guard and std::unique_lock.
class CriticalSection {
public:
    CriticalSection();
    ~CriticalSection();
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter();
    void Leave();
    bool TryEnter();

    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock() { return TryEnter(); }

private:
    // Room for the system's lock object, kept opaque so that no includer
    // sees the system headers. Each implementation checks that its object
    // fits (a Windows critical section is 24 bytes with 4-byte pointers and
    // 40 with 8-byte ones; a POSIX recursive mutex is no larger).
    static constexpr unsigned kStorageBytes = sizeof(void*) == 8 ? 48 : 32;
    alignas(8) unsigned char storage_[kStorageBytes];
};

}  // namespace kor::platform
