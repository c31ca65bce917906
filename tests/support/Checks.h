// Checks every suite shares: the error number a call raises, the platform's
// records printed readably in failure messages, and image comparison that
// names the first differing pixel.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

#include "common/DDraw.h"
#include "common/DSound.h"
#include "common/Error.h"

namespace vexo {

// Found by argument-dependent lookup, so gtest prints these records.
inline std::ostream& operator<<(std::ostream& os, const RECT& r) {
    return os << "RECT{" << r.Left << ", " << r.Top << ", " << r.Right << ", " << r.Bottom << "}";
}
inline std::ostream& operator<<(std::ostream& os, const POINT& p) { return os << "POINT{" << p.x << ", " << p.y << "}"; }
inline std::ostream& operator<<(std::ostream& os, const PALETTEENTRY& e) {
    return os << "PALETTEENTRY{" << int(e.red) << ", " << int(e.green) << ", " << int(e.blue) << ", flags "
              << int(e.flags) << "}";
}
inline std::ostream& operator<<(std::ostream& os, const WAVEFORMATEX& f) {
    return os << "WAVEFORMATEX{tag " << f.nFormatTag << ", ch " << f.nChannels << ", " << f.lSamplesPerSec
              << " Hz, " << f.lAvgBytesPerSec << " B/s, align " << f.nBlockAlign << ", " << f.nBitsPerSample
              << " bits, extra " << f.nSize << "}";
}

}  // namespace vexo

namespace vexo::test {

// The error number `f` raises, 0 when it returns.
inline int32_t ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const VbError& e) {
        return e.number();
    }
    return 0;
}

// Compares the pixels of a `w`-wide image, row by row, with want(x, y);
// names the first pixel that differs.
template <class Got, class Want>
::testing::AssertionResult SamePixels(const Got& got, int32_t w, Want want) {
    for (size_t i = 0; i < got.size(); ++i) {
        const int32_t x = int32_t(i) % w, y = int32_t(i) / w;
        const auto expected = want(x, y);
        if (got[i] != expected)
            return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ") is " << +got[i]
                                                 << ", expected " << +expected;
    }
    return ::testing::AssertionSuccess();
}

}  // namespace vexo::test
