// Scaled rows: each destination pixel is fetched through an offset table.
#include "platform/blit/BlitInternal.h"

namespace vexo::blit::detail {

void GatherRow8Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n) {
    for (int32_t x = 0; x < n; ++x) d[x] = base[offs[x]];
}

void GatherRow16Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n) {
    for (int32_t x = 0; x < n; ++x) Store16(d + 2 * x, Load16(base + offs[x]));
}

void GatherRow24Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n) {
    for (int32_t x = 0; x < n; ++x) {
        const uint8_t* p = base + offs[x];
        d[3 * x] = p[0];
        d[3 * x + 1] = p[1];
        d[3 * x + 2] = p[2];
    }
}

void GatherRow32Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n) {
    for (int32_t x = 0; x < n; ++x) Store32(d + 4 * x, Load32(base + offs[x]));
}

void GatherKeyRow8Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, uint32_t key) {
    const uint8_t k = uint8_t(key);
    for (int32_t x = 0; x < n; ++x) {
        const uint8_t v = base[offs[x]];
        if (v != k) d[x] = v;
    }
}

void GatherKeyRow16Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, uint32_t key) {
    const uint16_t k = uint16_t(key);
    for (int32_t x = 0; x < n; ++x) {
        const uint16_t v = Load16(base + offs[x]);
        if (v != k) Store16(d + 2 * x, v);
    }
}

void GatherKeyRow24Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, uint32_t key) {
    for (int32_t x = 0; x < n; ++x) {
        const uint8_t* p = base + offs[x];
        if (Load24(p) != key) {
            d[3 * x] = p[0];
            d[3 * x + 1] = p[1];
            d[3 * x + 2] = p[2];
        }
    }
}

void GatherKeyRow32Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, uint32_t key) {
    for (int32_t x = 0; x < n; ++x) {
        const uint32_t v = Load32(base + offs[x]);
        if ((v & 0xFFFFFFu) != key) Store32(d + 4 * x, v);
    }
}

}  // namespace vexo::blit::detail
