// Keyed rows of 24- and 32-bit pixels. The key compares the colour bytes
// only: the unused top byte of a 32-bit pixel never decides.
#include "platform/blit/BlitInternal.h"

namespace vexo::blit::detail {

void KeyRow24Plain(uint8_t* d, const uint8_t* s, int32_t n, uint32_t key) {
    for (int32_t x = 0; x < n; ++x) {
        const uint8_t* p = s + 3 * x;
        if (Load24(p) != key) {
            d[3 * x] = p[0];
            d[3 * x + 1] = p[1];
            d[3 * x + 2] = p[2];
        }
    }
}

void KeyRow32Plain(uint8_t* d, const uint8_t* s, int32_t n, uint32_t key) {
    for (int32_t x = 0; x < n; ++x) {
        const uint32_t v = Load32(s + 4 * x);
        if ((v & 0xFFFFFFu) != key) Store32(d + 4 * x, v);
    }
}

}  // namespace vexo::blit::detail
