#include "platform/display/PixelFormat.h"

#include <cstring>
#include <new>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "common/Error.h"
#include "common/FaultPoint.h"

namespace vexo::plat {

void DescribeFormat(int32_t bpp, DDPIXELFORMAT& pf) {
    pf = DDPIXELFORMAT{};
    pf.lSize = int32_t(sizeof(DDPIXELFORMAT));
    pf.lRGBBitCount = bpp;
    if (bpp == 8) {
        pf.lFlags = DDPF_RGB | DDPF_PALETTEINDEXED8;
    } else if (bpp == 16) {
        pf.lFlags = DDPF_RGB;
        pf.lRBitMask = 0xF800;
        pf.lGBitMask = 0x07E0;
        pf.lBBitMask = 0x001F;
    } else {
        pf.lFlags = DDPF_RGB;
        pf.lRBitMask = 0xFF0000;
        pf.lGBitMask = 0x00FF00;
        pf.lBBitMask = 0x0000FF;
    }
}

int32_t DepthOfFormat(const DDPIXELFORMAT& pf) {
    if (!DepthSupported(pf.lRGBBitCount)) return 0;
    DDPIXELFORMAT ours;
    DescribeFormat(pf.lRGBBitCount, ours);
    if (pf.lRGBBitCount == 8) return (pf.lFlags & DDPF_PALETTEINDEXED8) ? 8 : 0;
    if (pf.lRBitMask != ours.lRBitMask || pf.lGBitMask != ours.lGBitMask || pf.lBBitMask != ours.lBBitMask)
        return 0;
    return pf.lRGBBitCount;
}

uint32_t PackRgb(int32_t bpp, COLORREF c) {
    const uint32_t r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    if (bpp == 16) return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    return (r << 16) | (g << 8) | b;
}

COLORREF UnpackRgb(int32_t bpp, uint32_t v) {
    if (bpp == 16) {
        const uint32_t r5 = (v >> 11) & 31, g6 = (v >> 5) & 63, b5 = v & 31;
        return COLORREF(RGB((r5 << 3) | (r5 >> 2), (g6 << 2) | (g6 >> 4), (b5 << 3) | (b5 >> 2)));
    }
    return COLORREF(RGB((v >> 16) & 255, (v >> 8) & 255, v & 255));
}

int32_t NearestEntry(const PALETTEENTRY* pal, int32_t count, COLORREF c) {
    const int32_t r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
    int32_t best = 0;
    int64_t bestD = INT64_MAX;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t dr = pal[i].red - r, dg = pal[i].green - g, db = pal[i].blue - b;
        const int64_t d = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
        if (d < bestD) {
            bestD = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

const Palette256& DefaultSystemPalette() {
    static const Palette256 pal = [] {
        Palette256 p{};
        static const uint8_t low[10][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                                           {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                                           {192, 220, 192}, {166, 202, 240}};
        static const uint8_t high[10][3] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                                            {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                                            {0, 255, 255},   {255, 255, 255}};
        for (int i = 0; i < 10; ++i) {
            p[size_t(i)] = {low[i][0], low[i][1], low[i][2], 0};
            p[size_t(246 + i)] = {high[i][0], high[i][1], high[i][2], 0};
        }
        int n = 10;
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    p[size_t(n++)] = {uint8_t(r * 51), uint8_t(g * 51), uint8_t(b * 51), 0};
        for (int i = 0; n < 246; ++i, ++n) {
            const uint8_t v = uint8_t(8 + i * 12);
            p[size_t(n)] = {v, v, v, 0};
        }
        return p;
    }();
    return pal;
}

uint32_t ReadPixel(const uint8_t* p, int32_t bpp) {
    switch (bpp) {
        case 8: return p[0];
        case 16: { uint16_t v; std::memcpy(&v, p, 2); return v; }
        case 24: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
        default: { uint32_t v; std::memcpy(&v, p, 4); return v; }
    }
}

void WritePixel(uint8_t* p, int32_t bpp, uint32_t v) {
    switch (bpp) {
        case 8: p[0] = uint8_t(v); break;
        case 16: { const uint16_t s = uint16_t(v); std::memcpy(p, &s, 2); break; }
        case 24: p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); break;
        default: std::memcpy(p, &v, 4); break;
    }
}

int64_t PitchFor(int32_t width, int32_t bpp) { return (int64_t(width) * BytesPerPixel(bpp) + 3) & ~int64_t(3); }

std::shared_ptr<PixelStore> MakeStore(int32_t width, int32_t height, int32_t bpp) {
    auto s = std::make_shared<PixelStore>();
    const int64_t pitch = PitchFor(width, bpp);
    try {
        if (fault::Hit(fault::Point::PixelMemory)) throw std::bad_alloc();
        s->bytes.assign(size_t(pitch) * size_t(height), 0);
    } catch (const std::bad_alloc&) {
        Raise(status::DDERR_OUTOFMEMORY);
    }
    s->width = width;
    s->height = height;
    s->pitch = int32_t(pitch);
    s->bpp = bpp;
    return s;
}

void ConvertToXrgb(const PixelStore& store, const RECT& r, const PALETTEENTRY* pal, uint32_t* out,
                   int32_t outPitch) {
    uint32_t lut[256];
    if (store.bpp == 8)
        for (int i = 0; i < 256; ++i) lut[i] = uint32_t(pal[i].red) << 16 | uint32_t(pal[i].green) << 8 | pal[i].blue;
    const int32_t n = BytesPerPixel(store.bpp);
    for (int32_t y = r.Top; y < r.Bottom; ++y) {
        const uint8_t* s = store.bytes.data() + int64_t(y) * store.pitch + int64_t(r.Left) * n;
        uint32_t* d = out + int64_t(y) * outPitch + r.Left;
        const int32_t w = r.Right - r.Left;
        switch (store.bpp) {
            case 8:
                for (int32_t x = 0; x < w; ++x) d[x] = lut[s[x]];
                break;
            case 16:
                for (int32_t x = 0; x < w; ++x) {
                    const COLORREF c = UnpackRgb(16, ReadPixel(s + 2 * x, 16));
                    d[x] = uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | uint32_t(GetBValue(c));
                }
                break;
            case 24:
                for (int32_t x = 0; x < w; ++x) d[x] = ReadPixel(s + 3 * x, 24);
                break;
            default: {
                // Every present of a 32-bit screen comes through here: one
                // masked pass, as fast as a copy.
                int32_t x = 0;
#if defined(__SSE2__)
                const __m128i mask = _mm_set1_epi32(0xFFFFFF);
                for (; x + 8 <= w; x += 8) {
                    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * x));
                    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 4 * x + 16));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x), _mm_and_si128(a, mask));
                    _mm_storeu_si128(reinterpret_cast<__m128i*>(d + x + 4), _mm_and_si128(b, mask));
                }
#endif
                for (; x < w; ++x) d[x] = ReadPixel(s + 4 * x, 32) & 0xFFFFFFu;
                break;
            }
        }
    }
}

}  // namespace vexo::plat
