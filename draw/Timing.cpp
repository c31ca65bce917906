// Frame-rate measurement and the busy wait.
#include <cmath>

#include "common/Error.h"
#include "common/Platform.h"
#include "draw/DX7Draw.h"

namespace vexo {

namespace {
constexpr double kSecondsPerDay = 86400.0;

// x rounded to one decimal as the pattern "#.0" formats it: exact halves go
// away from zero. x * 10 is exact for any single-precision x.
double OneDecimal(double x) {
    const double t = std::fabs(x) * 10.0;
    const double whole = std::floor(t);
    const double r = (t - whole >= 0.5 ? whole + 1.0 : whole) / 10.0;
    return x < 0 ? -r : r;
}
}  // namespace

float DX7Draw::FPSCheck() {
    ResumeNext rn;
    float result = 0.0f;
    if (FpsFrameCount == 30) {
        if (FpsLastSecond != 0) {
            rn([&] {
                double now = api::Timer();
                // The clock restarts at midnight: a reading more than half a
                // day below the stamp belongs to the next day, so the interval
                // stays the real one. (A reading just below a stamp that was
                // rounded up is the same day; its absolute value is taken.)
                if (FpsLastSecond - now > kSecondsPerDay / 2) now += kSecondsPerDay;
                const double elapsed = now - FpsLastSecond;
                if (elapsed == 0.0) Raise(ERR_DIV_ZERO);
                result = float(30.0 / elapsed);
            });
        }
        rn([&] {
            int32_t stamp = RoundTo32(api::Timer());
            // 0 means "no measurement yet": midnight itself is kept as the
            // end of the day that closes there.
            if (stamp == 0) stamp = int32_t(kSecondsPerDay);
            FpsLastSecond = stamp;
        });
        FpsFrameCount = 0;
        if (result < 0) result = -result;
        result = float(OneDecimal(result));
    }
    rn([&] { FpsFrameCount = Add32(FpsFrameCount, 1); });
    return result;
}

void DX7Draw::TimeStopper(int32_t StopTime_msc, VBBool DoEventsFlag, uint8_t SkipKeycode) {
    // The elapsed time is the counter's difference taken modulo 2^32, so the
    // wait stays right when the counter passes 2^31 (24.8 days of uptime) or
    // wraps at 2^32 (49.7 days) in the middle of it.
    const uint32_t start = api::GetTickCount();
    uint32_t now = api::GetTickCount();
    auto done = [&] { return int64_t(uint32_t(now - start)) >= int64_t(StopTime_msc); };
    if (done()) return;
    for (;;) {
        now = api::GetTickCount();
        // Asked every round, also for code 0, as the key's "pressed since the
        // last query" state would have it.
        const int16_t key = api::GetAsyncKeyState(SkipKeycode);
        if (key != 0 && SkipKeycode != 0) return;
        if (IsSet(DoEventsFlag)) api::DoEvents();
        if (done()) return;
    }
}

}  // namespace vexo
