// Shared pieces of the pixel routines: unaligned pixel access, the table of
// row kernels each instruction set provides, and the helpers the front-end
// routines share. Not part of the platform's interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/blit/Blit.h"

namespace vexo::blit::detail {

// Pitches may be odd, so 16- and 32-bit pixels are read and written through
// memcpy (one unaligned move once optimised, and no misaligned access).
inline uint16_t Load16(const uint8_t* p) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}
inline uint32_t Load32(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline uint32_t Load24(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}
inline void Store16(uint8_t* p, uint16_t v) { std::memcpy(p, &v, 2); }
inline void Store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
inline void Store24(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
}

inline int32_t BytesPerPixel(int32_t bpp) { return bpp / 8; }

inline uint8_t* PixelAt(const PixelBuffer& b, int32_t x, int32_t y) {
    return b.pixels + ptrdiff_t(y) * b.pitch + ptrdiff_t(x) * BytesPerPixel(b.bpp);
}

// Kernels. `key` is already masked with KeyMask; a keyed kernel leaves a
// destination pixel alone where the masked source pixel equals it. Source
// and destination never overlap when a kernel runs (the front end copies
// overlapping sources aside first). Keyed copies take a w x h rectangle.
using KeyRectFn = void (*)(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h,
                           uint32_t key);
// Scaled rows: destination pixel x comes from base + offs[x]. Every byte
// from base + (the smallest offset) up to base + limit is inside the source
// buffer, so a kernel may read ahead up to there.
using GatherRowFn = void (*)(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, int32_t limit);
// Fill rows: `v` is already masked to the depth.
using FillRowFn = void (*)(uint8_t* d, int32_t n, uint32_t v);

struct Kernels {
    Isa isa;
    KeyRectFn key8, key16, key24, key32;
    GatherRowFn gather8, gather16, gather24, gather32;
    FillRowFn fill16, fill24, fill32;
};

// One table per instruction set; the SSE2 and AVX2 tables borrow the plain
// kernels where wide code would not pay.
extern const Kernels kPlainKernels;
extern const Kernels kSse2Kernels;
extern const Kernels kAvx2Kernels;

// The table in force (chosen once from the processor, or by ForceIsa).
const Kernels& Active();

// Plain kernels, also used by the wide tables for their narrow tails.
void KeyRect8Plain(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h, uint32_t key);
void KeyRect16Plain(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h, uint32_t key);
void KeyRect24Plain(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h, uint32_t key);
void KeyRect32Plain(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h, uint32_t key);
void GatherRow8Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, int32_t limit);
void GatherRow16Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, int32_t limit);
void GatherRow24Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, int32_t limit);
void GatherRow32Plain(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, int32_t limit);
void FillRow16Plain(uint8_t* d, int32_t n, uint32_t v);
void FillRow24Plain(uint8_t* d, int32_t n, uint32_t v);
void FillRow32Plain(uint8_t* d, int32_t n, uint32_t v);

#if defined(__x86_64__)
// Wide kernels (SSE2 is always there on x86-64; AVX2 ones run only after the
// processor check).
void KeyRect8Sse2(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h, uint32_t key);
void KeyRect16Sse2(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h, uint32_t key);
void KeyRect32Sse2(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h, uint32_t key);
void FillRow16Sse2(uint8_t* d, int32_t n, uint32_t v);
void FillRow32Sse2(uint8_t* d, int32_t n, uint32_t v);
void KeyRect8Avx2(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h, uint32_t key);
void KeyRect16Avx2(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h, uint32_t key);
void KeyRect32Avx2(uint8_t* d, int32_t dpitch, const uint8_t* s, int32_t spitch, int32_t w, int32_t h, uint32_t key);
void GatherRow8Avx2(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, int32_t limit);
void GatherRow16Avx2(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, int32_t limit);
void GatherRow32Avx2(uint8_t* d, const uint8_t* base, const int32_t* offs, int32_t n, int32_t limit);
void FillRow16Avx2(uint8_t* d, int32_t n, uint32_t v);
void FillRow32Avx2(uint8_t* d, int32_t n, uint32_t v);
#endif

// True when a blit between the two rectangles could read what it wrote: in
// one buffer, when they share pixels; otherwise when the bytes they cover
// (first byte of the first row to last byte of the last row) meet.
bool SpansOverlap(const PixelBuffer& a, const RECT& ra, const PixelBuffer& b, const RECT& rb);

// A private copy of `s` of `src` (tightly packed), for blits whose source
// and destination overlap in a way no copying order resolves.
struct Snapshot {
    std::vector<uint8_t> bytes;
    PixelBuffer buf;
    RECT rect;
    Snapshot(const PixelBuffer& src, const RECT& s);
};

}  // namespace vexo::blit::detail
