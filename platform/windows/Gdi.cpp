// Device contexts, bitmaps and text over gdi32 and user32. Results are the
// system's own; only the records are converted to their 32-bit layouts.
#include "platform/windows/WinPlatform.h"

#include <algorithm>

#include <windows.h>

namespace vexo::win {

namespace {

::HDC Dc(HDC h) { return ToHandle<::HDC>(h); }
::HGDIOBJ Obj(HGDIOBJ h) { return ToHandle<::HGDIOBJ>(h); }

class WinGdi final : public GdiService {
public:
    int32_t GetObjectA(HGDIOBJ obj, int32_t size, vexo::BITMAP& out) override {
        // Only a bitmap fits the record: another object's description (a
        // font's is 60 bytes) would not, so those leave it untouched.
        if (size < int32_t(sizeof(vexo::BITMAP)) || GetObjectType(Obj(obj)) != OBJ_BITMAP) return 0;
        ::BITMAP b{};
        if (::GetObjectA(Obj(obj), sizeof b, &b) == 0) return 0;
        out = vexo::BITMAP{};
        out.bmType = b.bmType;
        out.bmWidth = b.bmWidth;
        out.bmHeight = b.bmHeight;
        out.bmWidthBytes = b.bmWidthBytes;
        out.bmPlanes = b.bmPlanes;
        out.bmBitsPixel = b.bmBitsPixel;
        // A 64-bit address does not fit the 32-bit field; nothing reads it.
        out.bmBits = 0;
        return int32_t(sizeof(vexo::BITMAP));
    }

    HDC CreateCompatibleDC(HDC dc) override { return FromHandle(::CreateCompatibleDC(Dc(dc))); }

    HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj) override { return FromHandle(::SelectObject(Dc(dc), Obj(obj))); }

    int32_t BitBlt(HDC dest, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t xs, int32_t ys,
                   int32_t rop) override {
        return ::BitBlt(Dc(dest), x, y, w, h, Dc(src), xs, ys, DWORD(rop)) ? 1 : 0;
    }

    int32_t DeleteDC(HDC dc) override { return ::DeleteDC(Dc(dc)) ? 1 : 0; }

    COLORREF GetPixel(HDC dc, int32_t x, int32_t y) override { return ::GetPixel(Dc(dc), x, y); }

    COLORREF SetPixel(HDC dc, int32_t x, int32_t y, COLORREF color) override {
        return ::SetPixel(Dc(dc), x, y, color);
    }

    int32_t DeleteObject(HGDIOBJ obj) override { return ::DeleteObject(Obj(obj)) ? 1 : 0; }

    HGDIOBJ GetCurrentObject(HDC dc, int32_t type) override {
        return FromHandle(::GetCurrentObject(Dc(dc), UINT(type)));
    }

    int32_t SetBkMode(HDC dc, int32_t mode) override { return ::SetBkMode(Dc(dc), mode); }

    COLORREF SetTextColor(HDC dc, COLORREF color) override { return ::SetTextColor(Dc(dc), color); }

    int32_t DrawTextA(HDC dc, const std::string& text, int32_t count, vexo::RECT& r, int32_t format) override {
        // The string's own terminator bounds a count of -1; a larger count
        // than the string holds would read past it, so it stops there too.
        // Any negative count is taken as -1.
        const int n = count < 0 ? -1 : int(std::min<size_t>(size_t(count), text.size()));
        // The text is the caller's and cannot be written back: a format that
        // would modify it (with ellipses, up to four bytes past its end)
        // draws the same without.
        const UINT f = UINT(format) & ~UINT(DT_MODIFYSTRING);
        ::RECT s{r.Left, r.Top, r.Right, r.Bottom};
        const int height = ::DrawTextA(Dc(dc), text.c_str(), n, &s, f);
        // A measuring call (DT_CALCRECT) gets the rectangle the text needs.
        r = vexo::RECT{s.left, s.top, s.right, s.bottom};
        return height;
    }
};

}  // namespace

GdiService& Gdi() {
    static WinGdi g;
    return g;
}

}  // namespace vexo::win
