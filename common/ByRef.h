/// @file
/// Optional by-reference parameters.
#pragma once

#include <utility>

namespace vexo {

/// An optional by-reference parameter: it binds a caller's variable, or holds
/// the default (or a value) when the caller passes no variable. Writes go to
/// whichever it holds, so a method that corrects an argument (DX7Sound::DsSetup,
/// DX7Draw::FeedDarkOutEx) changes the caller's variable when one was passed.
///
/// @code
/// int32_t hz = 48000;
/// snd.DsSetup(hWnd, hz);   // hz reads 22050 afterwards
/// snd.DsSetup(hWnd, 48000); // the same, corrected value not seen
/// @endcode
template <class T>
class ByRef {
public:
    /// Binds the caller's variable @p var.
    ByRef(T& var) noexcept : p_(&var) {}
    /// Holds a copy of @p def.
    ByRef(const T& def) : own_(def), p_(&own_) {}
    /// Holds @p def.
    ByRef(T&& def) : own_(std::move(def)), p_(&own_) {}
    /// Binds the same variable as @p o, or holds a copy of @p o's value.
    ByRef(const ByRef& o) : own_(o.own_), p_(o.p_ == &o.own_ ? &own_ : o.p_) {}
    ByRef& operator=(const ByRef&) = delete;

    /// The value, the caller's variable or the held one.
    T& get() noexcept { return *p_; }
    /// The value, the caller's variable or the held one.
    const T& get() const noexcept { return *p_; }
    /// The value, the caller's variable or the held one.
    operator T&() noexcept { return *p_; }
    /// Writes @p v to the caller's variable or the held value.
    ByRef& operator=(const T& v) {
        *p_ = v;
        return *this;
    }
    /// True when a caller's variable is bound.
    bool BindsCaller() const noexcept { return p_ != &own_; }

private:
    T own_{};
    T* p_;
};

}  // namespace vexo
