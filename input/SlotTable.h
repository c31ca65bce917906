// A table of slots 0..n-1 that may not exist yet. Reading a slot outside it,
// or of a table that does not exist, raises 9.
#pragma once

#include <cstdint>
#include <vector>

#include "common/Error.h"

namespace vexo {

template <class T>
class SlotTable {
   public:
    // Far beyond any number of joysticks; a table this big cannot be made.
    static constexpr int64_t kMaxSlots = 65536;
    static constexpr int32_t kErrOutOfMemory = 7;

    bool Exists() const noexcept { return exists_; }
    bool Contains(int64_t i) const noexcept { return exists_ && i >= 0 && i < int64_t(items_.size()); }

    T& operator[](int64_t i) {
        if (!Contains(i)) Raise(ERR_SUBSCRIPT);
        return items_[size_t(i)];
    }

    // Checks that slots 0..upper can be made, without making them.
    static void CheckBound(int64_t upper) {
        if (upper < 0) Raise(ERR_SUBSCRIPT);
        if (upper >= kMaxSlots) Raise(kErrOutOfMemory);
    }

    // Slots 0..upper, every one fresh; what the old slots held is released.
    void Recreate(int64_t upper) {
        CheckBound(upper);
        std::vector<T> fresh(size_t(upper) + 1);
        items_.swap(fresh);
        exists_ = true;
    }

   private:
    std::vector<T> items_;
    bool exists_ = false;
};

}  // namespace vexo
