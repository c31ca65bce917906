// Keyed rows of 8- and 16-bit pixels (exact key match).
#include "platform/blit/BlitInternal.h"

namespace vexo::blit::detail {

void KeyRow8Plain(uint8_t* d, const uint8_t* s, int32_t n, uint32_t key) {
    const uint8_t k = uint8_t(key);
    for (int32_t x = 0; x < n; ++x) {
        if (s[x] != k) d[x] = s[x];
    }
}

void KeyRow16Plain(uint8_t* d, const uint8_t* s, int32_t n, uint32_t key) {
    const uint16_t k = uint16_t(key);
    for (int32_t x = 0; x < n; ++x) {
        const uint16_t v = Load16(s + 2 * x);
        if (v != k) Store16(d + 2 * x, v);
    }
}

}  // namespace vexo::blit::detail
