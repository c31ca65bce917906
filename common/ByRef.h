// An optional by-reference parameter: binds a caller's variable, or holds the
// default when the caller passes none. Writes go to whichever it holds.
#pragma once

#include <utility>

namespace vexo {

template <class T>
class ByRef {
public:
    ByRef(T& var) noexcept : p_(&var) {}
    ByRef(const T& def) : own_(def), p_(&own_) {}
    ByRef(T&& def) : own_(std::move(def)), p_(&own_) {}
    ByRef(const ByRef& o) : own_(o.own_), p_(o.p_ == &o.own_ ? &own_ : o.p_) {}
    ByRef& operator=(const ByRef&) = delete;

    T& get() noexcept { return *p_; }
    const T& get() const noexcept { return *p_; }
    operator T&() noexcept { return *p_; }
    ByRef& operator=(const T& v) {
        *p_ = v;
        return *this;
    }
    bool BindsCaller() const noexcept { return p_ != &own_; }

private:
    T own_{};
    T* p_;
};

}  // namespace vexo
