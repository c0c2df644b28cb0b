#pragma once

#include <mutex>

namespace kor::platform {

// A re-entrant lock: the thread that holds it may enter again, and must leave
// as often as it entered. Satisfies the standard Lockable requirements so it
// works with std::lock_guard and std::unique_lock.
class CriticalSection {
public:
    CriticalSection() = default;
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() { mutex_.lock(); }
    void Leave() { mutex_.unlock(); }
    bool TryEnter() { return mutex_.try_lock(); }

    void lock() { Enter(); }
    void unlock() { Leave(); }
    bool try_lock() { return TryEnter(); }

private:
    std::recursive_mutex mutex_;
};

}  // namespace kor::platform
