#include "common/FaultPoint.h"

#include <atomic>
#include <mutex>

namespace vexo::fault {

namespace {

constexpr int kCount = static_cast<int>(Point::Count);

struct Table {
    std::atomic<bool> armed[kCount] = {};
    std::mutex mu;
    Hook hooks[kCount];
};

Table& Points() {
    static Table* t = new Table;  // outlives every static that might still reach a point
    return *t;
}

}  // namespace

void Arm(Point point, Hook hook) {
    Table& t = Points();
    std::lock_guard<std::mutex> lock(t.mu);
    t.hooks[static_cast<int>(point)] = std::move(hook);
    t.armed[static_cast<int>(point)] = bool(t.hooks[static_cast<int>(point)]);
}

void Disarm(Point point) { Arm(point, nullptr); }

bool Hit(Point point) {
    Table& t = Points();
    const int i = static_cast<int>(point);
    if (!t.armed[i].load(std::memory_order_acquire)) return false;
    // A copy, so that the hook may arm or disarm points itself.
    Hook hook;
    {
        std::lock_guard<std::mutex> lock(t.mu);
        hook = t.hooks[i];
    }
    return hook && hook();
}

}  // namespace vexo::fault
