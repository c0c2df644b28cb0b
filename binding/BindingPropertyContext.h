#pragma once

#include "binding/BindingStringTable.h"
#include "binding/SmallBlockPool.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kor {

// The shared state of one BindingProperty tree: the intern table of its
// texts (string payloads and member keys), whose entries come from the
// table's own arena, and the 18 small-block pools from which all its pooled
// payloads come (blob and collection vectors, enum pairs, structures, their
// member slots and values).
//
// A root value creates its context on the first operation that needs one and
// destroys it with itself; every value inside the tree borrows the root's.
// Not synchronised: a tree is used by one thread at a time.
class BindingPropertyContext {
public:
    BindingPropertyContext();
    // Gives back everything at once: pool pages and larger blocks, whether or
    // not their values were released (blob bytes excepted, see above).
    ~BindingPropertyContext();

    BindingPropertyContext(const BindingPropertyContext&) = delete;
    BindingPropertyContext& operator=(const BindingPropertyContext&) = delete;

    BindingStringTable& strings() { return strings_; }
    const BindingStringTable& strings() const { return strings_; }

    // Blocks up to 72 bytes come from the pools, larger ones from the general
    // allocator. Allocate throws std::bad_alloc.
    void* Allocate(std::size_t bytes, std::size_t alignment) { return pools_.Allocate(bytes, alignment); }
    void Release(void* block, std::size_t bytes, std::size_t alignment) noexcept {
        pools_.Release(block, bytes, alignment);
    }

    // Blob payloads keep their bytes in a std::vector, outside the pools;
    // the tree counts them so that a dying root knows whether it must visit
    // its values to free those bytes (everything else goes with the pools).
    void NoteBlobCreated() { ++liveBlobs_; }
    void NoteBlobDestroyed() { --liveBlobs_; }
    bool HasLiveBlobs() const { return liveBlobs_ != 0; }

    // Observation for tests and diagnostics.
    std::size_t InternedCount() const { return strings_.EntryCount(); }
    uint32_t CountOf(std::string_view text) const { return strings_.CountOf(text); }
    // Pages held from the page source: the pools' and the intern arena's.
    std::size_t PoolPagesHeld() const { return pools_.PagesHeld() + strings_.PagesHeld(); }

private:
    SmallBlockPools pools_;  // declared first: the table gives its blocks back to it
    BindingStringTable strings_;
    std::size_t liveBlobs_ = 0;
};

}  // namespace kor
