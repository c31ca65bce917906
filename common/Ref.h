/// @file
/// Counted references to platform objects (intrusive add-ref / release), so
/// that the same objects can be handed across a component boundary. A call
/// through an empty reference raises 91.
#pragma once

#include <atomic>
#include <cstdint>
#include <utility>

#include "common/Error.h"

namespace vexo {

/// The base of every platform object: an intrusive reference count. The
/// object deletes itself when its last reference goes.
class Unknown {
public:
    /// A new object with no references yet.
    Unknown() = default;
    Unknown(const Unknown&) = delete;
    Unknown& operator=(const Unknown&) = delete;

    /// Takes a reference; returns the new count.
    uint32_t AddRef() noexcept { return refs_.fetch_add(1, std::memory_order_relaxed) + 1; }
    /// Drops a reference, deleting the object at 0; returns the new count.
    uint32_t Release() noexcept {
        uint32_t left = refs_.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (left == 0) delete this;
        return left;
    }
    /// The current count.
    uint32_t RefCount() const noexcept { return refs_.load(std::memory_order_relaxed); }

protected:
    /// Only Release() deletes.
    virtual ~Unknown() = default;

private:
    std::atomic<uint32_t> refs_{0};
};

/// A counted reference to a platform object of type @p T, or empty. This is
/// what the components hand out for surfaces and palettes: the object lives
/// while any reference to it does. Storing into a reference releases what it
/// held; a call through an empty one raises 91.
template <class T>
class Ref {
public:
    /// An empty reference.
    Ref() noexcept = default;
    /// An empty reference.
    Ref(std::nullptr_t) noexcept {}
    /// Takes a new reference to @p p (counts start at 0, so `Ref(new X)` owns it).
    explicit Ref(T* p) noexcept : p_(p) {
        if (p_) p_->AddRef();
    }
    /// Another reference to the same object.
    Ref(const Ref& o) noexcept : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    /// Takes over @p o's reference; @p o becomes empty.
    Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    /// A reference to the same object as a base-class reference.
    template <class U>
    Ref(const Ref<U>& o) noexcept : p_(o.get()) {
        if (p_) p_->AddRef();
    }
    /// Releases the reference.
    ~Ref() { reset(); }

    /// Stores @p o's object, releasing what this held (after taking the new
    /// one, so self-assignment is safe).
    Ref& operator=(const Ref& o) noexcept {
        Ref(o).swap(*this);
        return *this;
    }
    /// Takes over @p o's reference, releasing what this held.
    Ref& operator=(Ref&& o) noexcept {
        Ref(std::move(o)).swap(*this);
        return *this;
    }
    /// Releases what this held; it becomes empty.
    Ref& operator=(std::nullptr_t) noexcept {
        reset();
        return *this;
    }

    /// Releases what this held; it becomes empty.
    void reset() noexcept {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    /// Exchanges the objects of two references.
    void swap(Ref& o) noexcept { std::swap(p_, o.p_); }

    /// The object, or nullptr when empty; takes no reference.
    T* get() const noexcept { return p_; }
    /// True when the reference holds an object.
    explicit operator bool() const noexcept { return p_ != nullptr; }
    /// True when the reference is empty.
    bool IsNothing() const noexcept { return p_ == nullptr; }

    /// Calls through the reference; raises 91 when it is empty.
    T* operator->() const {
        if (!p_) Raise(ERR_OBJECT_NOT_SET);
        return p_;
    }
    /// The object; raises 91 when the reference is empty.
    T& operator*() const {
        if (!p_) Raise(ERR_OBJECT_NOT_SET);
        return *p_;
    }

    /// True when both name the same object (or both are empty).
    friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.p_ == b.p_; }
    /// True when @p a is empty.
    friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

private:
    T* p_ = nullptr;
};

/// A new object of type @p T made from @p args, in a reference that owns it.
template <class T, class... Args>
Ref<T> MakeRef(Args&&... args) {
    return Ref<T>(new T(std::forward<Args>(args)...));
}

/// The same object as a reference to the derived class @p To; empty when the
/// object is of another kind.
template <class To, class From>
Ref<To> RefCast(const Ref<From>& r) noexcept {
    return Ref<To>(dynamic_cast<To*>(r.get()));
}

}  // namespace vexo
