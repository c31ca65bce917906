// GDI over the software display: handle tables for device contexts and
// objects, bitmaps, device contexts over surfaces and over bitmaps, pixels
// and bitmap copies with format conversion.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "common/Platform.h"
#include "platform/display/PixelFormat.h"

namespace vexo::plat {

class SoftSurface;

// A GDI bitmap. Indexed pictures (1, 4, 8 bits) keep their indices and
// colour table; the others are held as 32-bit XRGB, whatever depth they
// report (the depth GetObjectA gives is the picture's own).
struct GdiBitmap {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bpp = 0;       // as reported: 1, 4, 8, 16, 24 or 32
    int32_t storeBpp = 0;  // 8 (indexed) or 32
    int32_t pitch = 0;
    std::vector<uint8_t> pixels;
    Palette256 palette{};
    int32_t paletteSize = 0;
};
// A cleared bitmap; raises DDERR_OUTOFMEMORY when it cannot be allocated.
std::shared_ptr<GdiBitmap> MakeBitmap(int32_t width, int32_t height, int32_t bpp);

// What a device context draws into.
struct DcTarget {
    uint8_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0;
    int32_t bpp = 0;  // 8, 16, 24 or 32
    const PALETTEENTRY* palette = nullptr;
    int32_t paletteSize = 0;
};

enum : int32_t { GDI_BITMAP = 1, GDI_FONT = 2 };

// State of one device context. Fonts and text state are kept here for the
// text functions.
struct DcState {
    Ref<SoftSurface> surface;   // a surface's context (from GetDC)
    Palette256 palette{};       // the surface's palette when the context was made
    HGDIOBJ bitmap = 0;         // memory context: the selected bitmap
    // ... and its pixels, held so that a bitmap deleted under the context
    // (ForgetBitmap) stays readable until another is selected.
    std::shared_ptr<GdiBitmap> bitmapData;
    HGDIOBJ font = 0;
    COLORREF textColor = 0;
    int32_t bkMode = OPAQUE;
    COLORREF bkColor = 0xFFFFFF;  // fills behind text in OPAQUE mode
};

class GdiTable final : public GdiService {
public:
    GdiTable();
    int32_t GetObjectA(HGDIOBJ obj, int32_t size, BITMAP& out) override;
    HDC CreateCompatibleDC(HDC dc) override;
    HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) override;
    int32_t BitBlt(HDC dest, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t xs, int32_t ys,
                   int32_t rop) override;
    int32_t DeleteDC(HDC dc) override;
    COLORREF GetPixel(HDC dc, int32_t x, int32_t y) override;
    COLORREF SetPixel(HDC dc, int32_t x, int32_t y, COLORREF color) override;
    int32_t DeleteObject(HGDIOBJ obj) override;
    HGDIOBJ GetCurrentObject(HDC dc, int32_t type) override;
    int32_t SetBkMode(HDC dc, int32_t mode) override;
    COLORREF SetTextColor(HDC dc, COLORREF color) override;
    // In platform/display/text/DrawText.cpp.
    int32_t DrawTextA(HDC dc, const std::string& text, int32_t count, RECT& r, int32_t format) override;

    // Platform side.
    HDC CreateSurfaceDC(const Ref<SoftSurface>& surface);
    void DeleteSurfaceDC(HDC dc);
    HBITMAP AddBitmap(std::shared_ptr<GdiBitmap> bitmap);
    // Deletes a bitmap whatever holds it (its owner is going away); a
    // context it is selected into keeps the pixels until it lets go.
    void ForgetBitmap(HBITMAP bitmap);
    std::shared_ptr<GdiBitmap> BitmapOf(HGDIOBJ obj) const;
    DcState* State(HDC dc);
    bool Target(HDC dc, DcTarget& t);
    // Adds a non-bitmap object (a font) with its payload; returns its handle.
    HGDIOBJ AddObject(int32_t kind, std::shared_ptr<void> payload, bool stock = false);
    std::shared_ptr<void> PayloadOf(HGDIOBJ obj, int32_t kind) const;
    HGDIOBJ StockFont() const { return stockFont_; }
    // Where the next handles are numbered from (tests of the wrap-around).
    void SetNextHandles(HDC dc, HGDIOBJ obj);

private:
    struct Object {
        int32_t kind = 0;
        std::shared_ptr<GdiBitmap> bitmap;
        std::shared_ptr<void> payload;
        int32_t selected = 0;  // contexts it is selected into
        bool stock = false;
    };
    std::map<HDC, DcState> dcs_;
    std::map<HGDIOBJ, Object> objs_;
    HDC nextDc_ = 0x01000010;
    HGDIOBJ nextObj_ = 0x05000010;
    HGDIOBJ stockBitmap_ = 0, stockFont_ = 0;
};

GdiTable& Gdi();

// Pixel access through a target (no bounds check: callers clip).
COLORREF ReadRgb(const DcTarget& t, int32_t x, int32_t y);
// Writes the nearest colour the target can show; returns the colour set.
COLORREF WriteRgb(const DcTarget& t, int32_t x, int32_t y, COLORREF c);

}  // namespace vexo::plat
