// An owning pointer to a system COM interface: releases what it holds when
// it is replaced or goes, so a raise half-way through a call leaks nothing.
#pragma once

#include <utility>

namespace vexo::win {

template <class T>
class ComPtr {
public:
    ComPtr() noexcept = default;
    // Takes over a reference the caller already owns.
    static ComPtr Adopt(T* p) noexcept {
        ComPtr c;
        c.p_ = p;
        return c;
    }
    // Takes a new reference of its own.
    static ComPtr Share(T* p) noexcept {
        if (p) p->AddRef();
        return Adopt(p);
    }
    ComPtr(const ComPtr& o) noexcept : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr o) noexcept {
        std::swap(p_, o.p_);
        return *this;
    }
    ~ComPtr() { reset(); }

    void reset() noexcept {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // The slot a system call writes a new reference into; drops the old one.
    T** put() noexcept {
        reset();
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    T* p_ = nullptr;
};

}  // namespace vexo::win
