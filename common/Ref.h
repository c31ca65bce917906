// Counted references to platform objects (intrusive add-ref / release), so
// that the same objects can later be handed across a component boundary.
// A call through an empty reference raises 91.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "common/Error.h"

namespace vexo {

class Unknown {
public:
    Unknown() = default;
    Unknown(const Unknown&) = delete;
    Unknown& operator=(const Unknown&) = delete;

    uint32_t AddRef() noexcept { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    uint32_t Release() noexcept {
        uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }
    uint32_t RefCount() const noexcept { return refs_.load(std::memory_order_relaxed); }

protected:
    virtual ~Unknown() = default;

private:
    std::atomic<uint32_t> refs_{0};
};

template <class T>
class Ref {
public:
    Ref() noexcept = default;
    Ref(std::nullptr_t) noexcept {}
    // Takes a new reference to `p` (counts start at 0, so `Ref(new X)` owns it).
    explicit Ref(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    Ref(const Ref& o) noexcept : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    template <class U>
    Ref(const Ref<U>& o) noexcept : p_(o.get()) {
        if (p_) p_->AddRef();
    }
    ~Ref() { reset(); }

    // Storing into a reference releases what it held (after taking the new one,
    // so self-assignment is safe).
    Ref& operator=(const Ref& o) noexcept {
        Ref(o).swap(*this);
        return *this;
    }
    Ref& operator=(Ref&& o) noexcept {
        Ref(std::move(o)).swap(*this);
        return *this;
    }
    Ref& operator=(std::nullptr_t) noexcept {
        reset();
        return *this;
    }

    void reset() noexcept {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    void swap(Ref& o) noexcept { std::swap(p_, o.p_); }

    T* get() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }
    bool IsNothing() const noexcept { return p_ == nullptr; }

    T* operator->() const {
        if (!p_) Raise(ERR_OBJECT_NOT_SET);
        return p_;
    }
    T& operator*() const {
        if (!p_) Raise(ERR_OBJECT_NOT_SET);
        return *p_;
    }

    friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.p_ == b.p_; }
    friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

private:
    T* p_ = nullptr;
};

template <class T, class... Args>
Ref<T> MakeRef(Args&&... args) {
    return Ref<T>(new T(std::forward<Args>(args)...));
}

// Downcast of a platform reference to the implementation class; empty when
// the object is of another kind.
template <class To, class From>
Ref<To> RefCast(const Ref<From>& r) noexcept {
    return Ref<To>(dynamic_cast<To*>(r.get()));
}

}  // namespace vexo
