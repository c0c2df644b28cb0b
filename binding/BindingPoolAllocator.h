#pragma once

#include "binding/BindingPropertyContext.h"

#include <cstddef>

namespace kor {

// A standard allocator over the pools of one tree's context, for the
// containers inside a value (structure maps and their nodes).
template <class T>
class BindingPoolAllocator {
public:
    using value_type = T;

    explicit BindingPoolAllocator(BindingPropertyContext* context) noexcept : context_(context) {}
    template <class U>
    BindingPoolAllocator(const BindingPoolAllocator<U>& other) noexcept  // NOLINT(google-explicit-constructor)
        : context_(other.context()) {}

    T* allocate(std::size_t count) { return static_cast<T*>(context_->Allocate(sizeof(T) * count, alignof(T))); }
    void deallocate(T* block, std::size_t count) noexcept { context_->Release(block, sizeof(T) * count, alignof(T)); }

    BindingPropertyContext* context() const noexcept { return context_; }

    template <class U>
    bool operator==(const BindingPoolAllocator<U>& other) const noexcept {
        return context_ == other.context();
    }

private:
    BindingPropertyContext* context_;
};

}  // namespace kor
