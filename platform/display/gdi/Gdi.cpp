#include "platform/display/gdi/Gdi.h"

#include <algorithm>
#include <new>
#include <unordered_map>

#include "common/FaultPoint.h"
#include "platform/blit/Blit.h"
#include "platform/display/Screen.h"
#include "platform/display/Surface.h"

namespace vexo::plat {

namespace {
constexpr int32_t kFirstDc = 0x01000010, kLastDc = 0x04FFFFF0;
constexpr int32_t kFirstObj = 0x05000010, kLastObj = 0x7FFFFFF0;

// Handles are 32-bit and a game makes contexts by the thousand every second:
// after the last handle numbering starts again at the bottom of the range,
// passing over handles still in use.
template <class Map>
int32_t NextHandle(const Map& used, int32_t& next, int32_t first, int32_t last) {
    for (;;) {
        const int32_t h = next;
        next = (next >= last || next < first) ? first : next + 4;
        if (!used.count(h)) return h;
    }
}
}  // namespace

GdiTable& Gdi() {
    static GdiTable* table = new GdiTable;
    return *table;
}

std::shared_ptr<GdiBitmap> MakeBitmap(int32_t width, int32_t height, int32_t bpp) {
    auto b = std::make_shared<GdiBitmap>();
    b->width = width;
    b->height = height;
    b->bpp = bpp;
    b->storeBpp = bpp <= 8 ? 8 : 32;
    b->pitch = int32_t(PitchFor(width, b->storeBpp));
    try {
        if (fault::Hit(fault::Point::PixelMemory)) throw std::bad_alloc();
        b->pixels.assign(size_t(b->pitch) * size_t(height), 0);
    } catch (const std::bad_alloc&) {
        Raise(status::DDERR_OUTOFMEMORY);
    }
    if (bpp <= 8) b->paletteSize = 1 << bpp;
    return b;
}

GdiTable::GdiTable() {
    // A memory context starts with a 1 x 1 monochrome bitmap selected.
    auto mono = MakeBitmap(1, 1, 1);
    mono->palette[1] = {255, 255, 255, 0};
    stockBitmap_ = AddBitmap(mono);
    objs_[stockBitmap_].stock = true;
    stockFont_ = AddObject(GDI_FONT, nullptr, true);
}

HBITMAP GdiTable::AddBitmap(std::shared_ptr<GdiBitmap> bitmap) {
    const HGDIOBJ h = NextHandle(objs_, nextObj_, kFirstObj, kLastObj);
    Object o;
    o.kind = GDI_BITMAP;
    o.bitmap = std::move(bitmap);
    objs_[h] = std::move(o);
    return h;
}

HGDIOBJ GdiTable::AddObject(int32_t kind, std::shared_ptr<void> payload, bool stock) {
    const HGDIOBJ h = NextHandle(objs_, nextObj_, kFirstObj, kLastObj);
    Object o;
    o.kind = kind;
    o.payload = std::move(payload);
    o.stock = stock;
    objs_[h] = std::move(o);
    return h;
}

std::shared_ptr<void> GdiTable::PayloadOf(HGDIOBJ obj, int32_t kind) const {
    auto it = objs_.find(obj);
    return it != objs_.end() && it->second.kind == kind ? it->second.payload : nullptr;
}

std::shared_ptr<GdiBitmap> GdiTable::BitmapOf(HGDIOBJ obj) const {
    auto it = objs_.find(obj);
    return it != objs_.end() && it->second.kind == GDI_BITMAP ? it->second.bitmap : nullptr;
}

void GdiTable::ForgetBitmap(HBITMAP bitmap) {
    auto it = objs_.find(bitmap);
    if (it == objs_.end() || it->second.kind != GDI_BITMAP || it->second.stock) return;
    objs_.erase(it);
}

void GdiTable::SetNextHandles(HDC dc, HGDIOBJ obj) {
    nextDc_ = dc;
    nextObj_ = obj;
}

DcState* GdiTable::State(HDC dc) {
    auto it = dcs_.find(dc);
    return it == dcs_.end() ? nullptr : &it->second;
}

HDC GdiTable::CreateSurfaceDC(const Ref<SoftSurface>& surface) {
    const HDC h = NextHandle(dcs_, nextDc_, kFirstDc, kLastDc);
    DcState st;
    st.surface = surface;
    if (surface->Bpp() == 8) std::copy_n(surface->DcPalette(), 256, st.palette.begin());
    st.font = stockFont_;
    dcs_[h] = std::move(st);
    return h;
}

void GdiTable::DeleteSurfaceDC(HDC dc) { dcs_.erase(dc); }

bool GdiTable::Target(HDC dc, DcTarget& t) {
    DcState* st = State(dc);
    if (!st) return false;
    if (st->surface) {
        PixelStore& s = st->surface->Store();
        t = {s.bytes.data(), s.width, s.height, s.pitch, s.bpp, st->palette.data(), s.bpp == 8 ? 256 : 0};
        return true;
    }
    GdiBitmap* b = st->bitmapData.get();
    if (!b) return false;
    t = {b->pixels.data(), b->width, b->height, b->pitch, b->storeBpp, b->palette.data(), b->paletteSize};
    return true;
}

int32_t GdiTable::GetObjectA(HGDIOBJ obj, int32_t size, BITMAP& out) {
    auto b = BitmapOf(obj);
    if (!b || size < int32_t(sizeof(BITMAP))) return 0;
    out = BITMAP{};
    out.bmWidth = b->width;
    out.bmHeight = b->height;
    out.bmWidthBytes = ((b->width * b->bpp + 15) / 16) * 2;
    out.bmPlanes = 1;
    out.bmBitsPixel = uint16_t(b->bpp);
    return int32_t(sizeof(BITMAP));
}

HDC GdiTable::CreateCompatibleDC(HDC dc) {
    if (dc && !State(dc)) return 0;
    const HDC h = NextHandle(dcs_, nextDc_, kFirstDc, kLastDc);
    DcState st;
    st.bitmap = stockBitmap_;
    st.bitmapData = objs_[stockBitmap_].bitmap;
    st.font = stockFont_;
    ++objs_[stockBitmap_].selected;
    dcs_[h] = std::move(st);
    return h;
}

HGDIOBJ GdiTable::SelectObject(HDC dc, HGDIOBJ obj) {
    DcState* st = State(dc);
    auto it = objs_.find(obj);
    if (!st || it == objs_.end()) return 0;
    Object& o = it->second;
    if (o.kind == GDI_FONT) return std::exchange(st->font, obj);
    if (o.kind != GDI_BITMAP || st->surface) return 0;
    if (obj == st->bitmap) return obj;
    // A bitmap can be selected into one context at a time.
    if (o.selected > 0 && !o.stock) return 0;
    const HGDIOBJ prev = st->bitmap;
    auto pit = objs_.find(prev);
    if (pit != objs_.end()) --pit->second.selected;
    ++o.selected;
    st->bitmap = obj;
    st->bitmapData = o.bitmap;
    return prev;
}

int32_t GdiTable::DeleteDC(HDC dc) {
    DcState* st = State(dc);
    if (!st || st->surface) return 0;
    auto it = objs_.find(st->bitmap);
    if (it != objs_.end()) --it->second.selected;
    dcs_.erase(dc);
    return 1;
}

int32_t GdiTable::DeleteObject(HGDIOBJ obj) {
    auto it = objs_.find(obj);
    if (it == objs_.end()) return 0;
    if (it->second.stock) return 1;
    if (it->second.selected > 0) return 0;
    objs_.erase(it);
    return 1;
}

HGDIOBJ GdiTable::GetCurrentObject(HDC dc, int32_t type) {
    DcState* st = State(dc);
    if (!st) return 0;
    if (type == OBJ_FONT) return st->font;
    if (type == OBJ_BITMAP) return st->surface ? 0 : st->bitmap;
    return 0;
}

int32_t GdiTable::SetBkMode(HDC dc, int32_t mode) {
    DcState* st = State(dc);
    if (!st || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    return std::exchange(st->bkMode, mode);
}

COLORREF GdiTable::SetTextColor(HDC dc, COLORREF color) {
    DcState* st = State(dc);
    if (!st) return CLR_INVALID;
    return std::exchange(st->textColor, color);
}

COLORREF ReadRgb(const DcTarget& t, int32_t x, int32_t y) {
    const uint8_t* p = t.pixels + int64_t(y) * t.pitch + int64_t(x) * BytesPerPixel(t.bpp);
    const uint32_t v = ReadPixel(p, t.bpp);
    if (t.bpp == 8) return int32_t(v) < t.paletteSize ? EntryRgb(t.palette[v]) : 0;
    return UnpackRgb(t.bpp, v);
}

COLORREF WriteRgb(const DcTarget& t, int32_t x, int32_t y, COLORREF c) {
    uint8_t* p = t.pixels + int64_t(y) * t.pitch + int64_t(x) * BytesPerPixel(t.bpp);
    if (t.bpp == 8) {
        // PALETTEINDEX(i) names an entry directly.
        const int32_t i = (c >> 24) == 1 ? int32_t(c & 0xFF) % std::max(t.paletteSize, 1)
                                         : NearestEntry(t.palette, t.paletteSize, c & 0xFFFFFF);
        WritePixel(p, 8, uint32_t(i));
        return EntryRgb(t.palette[i]);
    }
    const uint32_t v = PackRgb(t.bpp, c & 0xFFFFFF);
    WritePixel(p, t.bpp, v);
    return UnpackRgb(t.bpp, v);
}

COLORREF GdiTable::GetPixel(HDC dc, int32_t x, int32_t y) {
    DcTarget t;
    if (!Target(dc, t) || x < 0 || y < 0 || x >= t.width || y >= t.height) return CLR_INVALID;
    return ReadRgb(t, x, y);
}

COLORREF GdiTable::SetPixel(HDC dc, int32_t x, int32_t y, COLORREF color) {
    DcTarget t;
    if (!Target(dc, t) || x < 0 || y < 0 || x >= t.width || y >= t.height) return CLR_INVALID;
    return WriteRgb(t, x, y, color);
}

int32_t GdiTable::BitBlt(HDC dest, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t xs, int32_t ys,
                         int32_t rop) {
    DcTarget d, s;
    if (!Target(dest, d) || !Target(src, s) || rop != SRCCOPY) return 0;
    // Clip to both bitmaps in 64-bit arithmetic, so that no coordinate can
    // wrap around.
    int64_t dx = x, dy = y, sx = xs, sy = ys, cw = w, ch = h;
    if (dx < 0) cw += dx, sx -= dx, dx = 0;
    if (dy < 0) ch += dy, sy -= dy, dy = 0;
    if (sx < 0) cw += sx, dx -= sx, sx = 0;
    if (sy < 0) ch += sy, dy -= sy, sy = 0;
    cw = std::min({cw, int64_t(d.width) - dx, int64_t(s.width) - sx});
    ch = std::min({ch, int64_t(d.height) - dy, int64_t(s.height) - sy});
    if (cw <= 0 || ch <= 0) return 1;
    const bool samePalette = d.bpp != 8 || (d.paletteSize >= s.paletteSize &&
                                            std::equal(s.palette, s.palette + s.paletteSize, d.palette));
    if (d.bpp == s.bpp && samePalette) {
        blit::Copy({d.pixels, d.width, d.height, d.pitch, d.bpp}, int32_t(dx), int32_t(dy),
                   {s.pixels, s.width, s.height, s.pitch, s.bpp},
                   RECT{int32_t(sx), int32_t(sy), int32_t(sx + cw), int32_t(sy + ch)}, blit::Key{});
    } else {
        // Through RGB, remembering each colour's nearest entry for 8-bit targets.
        std::unordered_map<COLORREF, COLORREF> nearest;
        const bool bottomUp = d.pixels == s.pixels && dy > sy;
        for (int64_t j = 0; j < ch; ++j) {
            const int64_t row = bottomUp ? ch - 1 - j : j;
            for (int64_t i = 0; i < cw; ++i) {
                const COLORREF c = ReadRgb(s, int32_t(sx + i), int32_t(sy + row));
                if (d.bpp == 8) {
                    auto [it, fresh] = nearest.try_emplace(c, 0);
                    if (fresh) it->second = 0x01000000u | uint32_t(NearestEntry(d.palette, d.paletteSize, c));
                    WriteRgb(d, int32_t(dx + i), int32_t(dy + row), it->second);
                } else {
                    WriteRgb(d, int32_t(dx + i), int32_t(dy + row), c);
                }
            }
        }
    }
    return 1;
}

}  // namespace vexo::plat
