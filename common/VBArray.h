/// @file
/// Arrays with bounds, as DX7Draw::DDCreatePalette takes them.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <new>
#include <span>
#include <vector>

#include "common/Error.h"

namespace vexo {

/// A caller's array with its bounds: a lower and an upper bound that need not
/// start at 0, or no bounds at all for a dynamic array never dimensioned.
/// Asking an undimensioned array for a bound, or any array for a subscript
/// outside its bounds, raises 9.
///
/// @code
/// vexo::VBArray<uint8_t> red(0, 255), green(0, 255), blue(0, 255);
/// red(255) = 255;
/// auto palette = draw.DDCreatePalette(red, green, blue);
/// @endcode
template <class T>
class VBArray {
public:
    /// A dynamic array with no bounds yet.
    VBArray() = default;
    /// Dimensioned @p lower to @p upper, every element T{}.
    VBArray(int32_t lower, int32_t upper) { ReDim(lower, upper); }
    /// Dimensioned 0 to n - 1 and filled with @p items (no bounds when empty).
    VBArray(std::initializer_list<T> items) : items_(items), allocated_(true) {
        if (items_.empty()) allocated_ = false;
        upper_ = static_cast<int32_t>(items_.size()) - 1;
    }

    /// Gives the array the bounds @p lower to @p upper; its elements start at
    /// T{}. An upper bound below the lower one raises 9, a size that cannot be
    /// had raises 7.
    void ReDim(int32_t lower, int32_t upper) {
        if (upper < lower) Raise(ERR_SUBSCRIPT);
        const int64_t count = int64_t(upper) - lower + 1;
        std::vector<T> fresh;
        try {
            fresh.resize(static_cast<size_t>(count));
        } catch (const std::bad_alloc&) {
            Raise(kErrOutOfMemory);
        } catch (const std::length_error&) {
            Raise(kErrOutOfMemory);
        }
        items_.swap(fresh);
        lower_ = lower;
        upper_ = upper;
        allocated_ = true;
    }
    /// Back to no bounds.
    void Erase() {
        items_.clear();
        items_.shrink_to_fit();
        lower_ = upper_ = 0;
        allocated_ = false;
    }

    /// True when the array has bounds.
    bool IsAllocated() const noexcept { return allocated_; }
    /// The lower bound; raises 9 without bounds.
    int32_t LBound() const {
        if (!allocated_) Raise(ERR_SUBSCRIPT);
        return lower_;
    }
    /// The upper bound; raises 9 without bounds.
    int32_t UBound() const {
        if (!allocated_) Raise(ERR_SUBSCRIPT);
        return upper_;
    }

    /// Element @p i; raises 9 outside the bounds.
    T& operator()(int32_t i) { return items_[Offset(i)]; }
    /// Element @p i; raises 9 outside the bounds.
    const T& operator()(int32_t i) const { return items_[Offset(i)]; }

    /// The elements in subscript order, lower bound first.
    std::span<T> Items() noexcept { return items_; }
    /// The elements in subscript order, lower bound first.
    std::span<const T> Items() const noexcept { return items_; }

private:
    static constexpr int32_t kErrOutOfMemory = 7;

    size_t Offset(int32_t i) const {
        if (!allocated_ || i < lower_ || i > upper_) Raise(ERR_SUBSCRIPT);
        return static_cast<size_t>(int64_t(i) - lower_);
    }

    std::vector<T> items_;
    int32_t lower_ = 0;
    int32_t upper_ = 0;
    bool allocated_ = false;
};

}  // namespace vexo
