#include "RecordingPlatform.h"

#include <cstdio>

namespace vexo::rec {

namespace {
std::string Hex(int64_t v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llX", static_cast<unsigned long long>(static_cast<uint32_t>(v)));
    return buf;
}
std::string R(const RECT& r) {
    return "{" + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
           std::to_string(r.Bottom) + "}";
}
std::string N(int64_t v) { return std::to_string(v); }
}  // namespace

std::string NameOf(const Ref<DirectDrawSurface7>& s) {
    auto* f = dynamic_cast<FakeSurface*>(s.get());
    return f ? f->name : "null";
}

int32_t State::Hit(const std::string& obj, const std::string& method, const std::string& args, bool* raise) {
    log.push_back(obj + "." + method + "(" + args + ")");
    for (Fail& f : fails) {
        if (f.key != method && f.key != obj + "." + method) continue;
        ++f.seen;
        if (f.occurrence == 0 || f.seen == f.occurrence) {
            if (raise) *raise = f.raise;
            return f.status;
        }
    }
    if (raise) *raise = false;
    return 0;
}

void State::Call(const std::string& obj, const std::string& method, const std::string& args) {
    if (int32_t s = Hit(obj, method, args, nullptr)) Raise(s);
}

std::vector<std::string> State::Matching(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& e : log)
        if (e.rfind(prefix, 0) == 0) out.push_back(e);
    return out;
}

int State::IndexOf(const std::string& prefix) const {
    for (size_t i = 0; i < log.size(); ++i)
        if (log[i].rfind(prefix, 0) == 0) return static_cast<int>(i);
    return -1;
}

// --- Surfaces ------------------------------------------------------------------
FakeSurface::FakeSurface(StatePtr s, int32_t w, int32_t h, int32_t c)
    : name("S" + N(s->nextSurface++)), st(std::move(s)), width(w), height(h), caps(c), bpp(st->displayBpp),
      pixels(static_cast<size_t>(w > 0 && h > 0 ? w * h : 1), 0) {}

FakeSurface::~FakeSurface() { st->log.push_back("~" + name); }

namespace {
int32_t Blit(State& st, const std::string& obj, const std::string& method, const std::string& args) {
    bool raise = false;
    int32_t s = st.Hit(obj, method, args, &raise);
    if (raise) Raise(s);
    return s;
}
}  // namespace

int32_t FakeSurface::Blt(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags) {
    return Blit(*st, name, "Blt", R(dest) + "," + NameOf(src) + "," + R(srcRect) + "," + Hex(flags));
}
int32_t FakeSurface::BltFast(int32_t x, int32_t y, const Ref<DirectDrawSurface7>& src, RECT& srcRect,
                             int32_t flags) {
    return Blit(*st, name, "BltFast", N(x) + "," + N(y) + "," + NameOf(src) + "," + R(srcRect) + "," + Hex(flags));
}
int32_t FakeSurface::BltColorFill(RECT& dest, int32_t fillValue) {
    return Blit(*st, name, "BltColorFill", R(dest) + "," + Hex(fillValue));
}
void FakeSurface::GetSurfaceDesc(DDSURFACEDESC2& d) {
    st->Call(name, "GetSurfaceDesc", "");
    d.lWidth = width;
    d.lHeight = height;
    d.ddsCaps.lCaps = caps;
    d.ddpfPixelFormat.lRGBBitCount = bpp;
}
void FakeSurface::Lock(RECT& r, DDSURFACEDESC2& d, int32_t flags, int32_t event) {
    st->Call(name, "Lock", R(r) + "," + Hex(flags) + "," + N(event));
    if (locked) Raise(status::DDERR_SURFACEBUSY);
    locked = true;
    d.lWidth = width;
    d.lHeight = height;
    d.ddpfPixelFormat.lRGBBitCount = bpp;
}
void FakeSurface::Unlock(RECT& r) {
    st->Call(name, "Unlock", R(r));
    if (!locked) Raise(status::DDERR_NOTLOCKED);
    locked = false;
}
int32_t FakeSurface::GetLockedPixel(int32_t x, int32_t y) {
    st->Call(name, "GetLockedPixel", N(x) + "," + N(y));
    if (!locked) Raise(status::DDERR_NOTLOCKED);
    return static_cast<int32_t>(pixels[static_cast<size_t>(y * width + x)]);
}
void FakeSurface::SetLockedPixel(int32_t x, int32_t y, int32_t v) {
    st->Call(name, "SetLockedPixel", N(x) + "," + N(y) + "," + Hex(v));
    pixels[static_cast<size_t>(y * width + x)] = static_cast<uint32_t>(v);
}
HDC FakeSurface::GetDC() {
    st->Call(name, "GetDC", "");
    if (dcOut) Raise(status::DDERR_DCALREADYCREATED);
    dcOut = true;
    HDC dc = st->nextDC++;
    st->surfaceDCs[dc] = this;
    return dc;
}
void FakeSurface::ReleaseDC(HDC dc) {
    st->Call(name, "ReleaseDC", N(dc));
    if (!dcOut) Raise(status::DDERR_NODC);
    dcOut = false;
    st->surfaceDCs.erase(dc);
}
void FakeSurface::SetColorKey(int32_t flags, DDCOLORKEY& k) {
    st->Call(name, "SetColorKey", Hex(flags) + "," + Hex(k.low) + "," + Hex(k.high));
    key = k;
}
void FakeSurface::GetColorKey(int32_t flags, DDCOLORKEY& k) {
    st->Call(name, "GetColorKey", Hex(flags));
    k = key;
}
Ref<DirectDrawSurface7> FakeSurface::GetAttachedSurface(DDSCAPS2& c) {
    st->Call(name, "GetAttachedSurface", Hex(c.lCaps));
    if (!attached) Raise(status::DDERR_NOTFOUND);
    return attached;
}
void FakeSurface::Flip(const Ref<DirectDrawSurface7>& target, int32_t flags) {
    st->Call(name, "Flip", NameOf(target) + "," + Hex(flags));
}
void FakeSurface::SetClipper(const Ref<DirectDrawClipper>& clipper) {
    st->Call(name, "SetClipper", clipper ? "Clip" : "null");
}

// --- Display objects -----------------------------------------------------------------
namespace {
struct FakeClipper : DirectDrawClipper {
    explicit FakeClipper(StatePtr s) : st(std::move(s)) {}
    ~FakeClipper() override { st->log.push_back("~Clip"); }
    StatePtr st;
    HWND hwnd = 0;
    void SetHWnd(HWND h) override {
        st->Call("Clip", "SetHWnd", N(h));
        hwnd = h;
    }
    HWND GetHWnd() override { return hwnd; }
    int32_t GetClipList(std::span<RECT> rects) override {
        st->Call("Clip", "GetClipList", N(static_cast<int64_t>(rects.size())));
        if (!rects.empty()) rects[0] = st->clip;
        return 1;
    }
};

struct FakeDD : DirectDraw7 {
    explicit FakeDD(StatePtr s) : st(std::move(s)) {}
    ~FakeDD() override { st->log.push_back("~DD"); }
    StatePtr st;
    int32_t modeW = 0, modeH = 0;

    void SetCooperativeLevel(HWND h, int32_t flags) override {
        st->Call("DD", "SetCooperativeLevel", N(h) + "," + N(flags));
    }
    void SetDisplayMode(int32_t w, int32_t h, int32_t bpp, int32_t refresh, int32_t flags) override {
        st->Call("DD", "SetDisplayMode", N(w) + "," + N(h) + "," + N(bpp) + "," + N(refresh) + "," + N(flags));
        modeW = w;
        modeH = h;
        st->displayBpp = bpp;
    }
    void RestoreDisplayMode() override { st->Call("DD", "RestoreDisplayMode", ""); }
    void FlipToGDISurface() override { st->Call("DD", "FlipToGDISurface", ""); }
    Ref<DirectDrawSurface7> CreateSurface(DDSURFACEDESC2& d) override {
        st->Call("DD", "CreateSurface",
                 "flags=" + Hex(d.lFlags) + " caps=" + Hex(d.ddsCaps.lCaps) + " w=" + N(d.lWidth) +
                     " h=" + N(d.lHeight) + " bb=" + N(d.lBackBufferCount));
        const bool primary = d.ddsCaps.lCaps & DDSCAPS_PRIMARYSURFACE;
        const int32_t w = primary ? (modeW ? modeW : st->screenW) : d.lWidth;
        const int32_t h = primary ? (modeH ? modeH : st->screenH) : d.lHeight;
        if (w <= 0 || h <= 0) Raise(status::DDERR_INVALIDPARAMS);
        auto s = MakeRef<FakeSurface>(st, w, h, d.ddsCaps.lCaps);
        if (d.lBackBufferCount > 0) s->attached = MakeRef<FakeSurface>(st, w, h, DDSCAPS_BACKBUFFER);
        return s;
    }
    Ref<DirectDrawClipper> CreateClipper(int32_t flags) override {
        st->Call("DD", "CreateClipper", N(flags));
        return MakeRef<FakeClipper>(st);
    }
    int32_t WaitForVerticalBlank(int32_t flags, int32_t event) override {
        st->Call("DD", "WaitForVerticalBlank", N(flags) + "," + N(event));
        return 0;
    }
    void GetDisplayMode(DDSURFACEDESC2& d) override {
        st->Call("DD", "GetDisplayMode", "");
        d.lWidth = st->screenW;
        d.lHeight = st->screenH;
        d.ddpfPixelFormat.lRGBBitCount = st->displayBpp;
    }
};

struct FakeDX : DirectX7 {
    explicit FakeDX(StatePtr s) : st(std::move(s)) {}
    ~FakeDX() override { st->log.push_back("~DX"); }
    StatePtr st;
    Ref<DirectDraw7> DirectDrawCreate(const std::string& guid) override {
        st->Call("DX", "DirectDrawCreate", "\"" + guid + "\"");
        return MakeRef<FakeDD>(st);
    }
};

struct FakePicture : Picture {
    FakePicture(StatePtr s, HBITMAP h) : st(std::move(s)), handle(h) {}
    ~FakePicture() override { st->log.push_back("~Picture"); }
    StatePtr st;
    HBITMAP handle;
    HBITMAP Handle() override {
        st->Call("Picture", "Handle", "");
        return handle;
    }
};
}  // namespace

// --- Platform --------------------------------------------------------------------------
RecordingPlatform::RecordingPlatform() : st(std::make_shared<State>()) {}

HWND RecordingPlatform::AddWindow(HWND h, RECT outer, int32_t clientW, int32_t clientH, HWND parent) {
    st->windows[h] = Window{outer, clientW, clientH, parent};
    return h;
}

Ref<DirectX7> RecordingPlatform::CreateDirectX7() {
    st->Call("Host", "CreateDirectX7", "");
    return MakeRef<FakeDX>(st);
}

int32_t RecordingPlatform::GetWindowRect(HWND h, RECT& r) {
    st->Call("Win", "GetWindowRect", N(h));
    auto it = st->windows.find(h);
    if (it == st->windows.end()) return 0;
    r = it->second.outer;
    return 1;
}
int32_t RecordingPlatform::GetClientRect(HWND h, RECT& r) {
    st->Call("Win", "GetClientRect", N(h));
    auto it = st->windows.find(h);
    if (it == st->windows.end()) return 0;
    r = RECT{0, 0, it->second.clientW, it->second.clientH};
    return 1;
}
int32_t RecordingPlatform::SetWindowPos(HWND h, HWND after, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                        int32_t flags) {
    st->Call("Win", "SetWindowPos",
             N(h) + "," + N(after) + "," + N(x) + "," + N(y) + "," + N(cx) + "," + N(cy) + "," + N(flags));
    auto it = st->windows.find(h);
    if (it == st->windows.end()) return 0;
    Window& w = it->second;
    const int32_t frameW = (w.outer.Right - w.outer.Left) - w.clientW;
    const int32_t frameH = (w.outer.Bottom - w.outer.Top) - w.clientH;
    if (!(flags & SWP_NOMOVE)) w.outer = RECT{x, y, x + (w.outer.Right - w.outer.Left), y + (w.outer.Bottom - w.outer.Top)};
    w.outer.Right = w.outer.Left + cx;
    w.outer.Bottom = w.outer.Top + cy;
    w.clientW = cx - frameW;
    w.clientH = cy - frameH;
    return 1;
}
// A classic frame: equal borders left, right and below, the rest on top.
int32_t RecordingPlatform::ClientToScreen(HWND h, POINT& p) {
    st->Call("Win", "ClientToScreen", N(h));
    auto it = st->windows.find(h);
    if (it == st->windows.end()) return 0;
    const Window& w = it->second;
    const int32_t side = ((w.outer.Right - w.outer.Left) - w.clientW) / 2;
    p.x += w.outer.Left + side;
    p.y += w.outer.Bottom - side - w.clientH;
    return 1;
}
HWND RecordingPlatform::GetParent(HWND h) {
    st->Call("Win", "GetParent", N(h));
    auto it = st->windows.find(h);
    return it == st->windows.end() ? 0 : it->second.parent;
}

int32_t RecordingPlatform::GetObjectA(HGDIOBJ obj, int32_t size, BITMAP& out) {
    st->Call("Gdi", "GetObjectA", N(obj) + "," + N(size));
    auto it = st->bitmaps.find(obj);
    if (it == st->bitmaps.end()) return 0;
    out.bmWidth = it->second.width;
    out.bmHeight = it->second.height;
    out.bmBitsPixel = 32;
    out.bmPlanes = 1;
    return 24;
}
HDC RecordingPlatform::CreateCompatibleDC(HDC dc) {
    st->Call("Gdi", "CreateCompatibleDC", N(dc));
    HDC m = st->nextDC++;
    memDCs_[m] = st->selected;
    return m;
}
HGDIOBJ RecordingPlatform::SelectObject(HDC dc, HGDIOBJ obj) {
    st->Call("Gdi", "SelectObject", N(dc) + "," + N(obj));
    auto it = memDCs_.find(dc);
    if (it == memDCs_.end()) return 0;
    HGDIOBJ old = it->second;
    it->second = obj;
    return old;
}
int32_t RecordingPlatform::BitBlt(HDC dest, int32_t x, int32_t y, int32_t w, int32_t h, HDC src, int32_t xs,
                                  int32_t ys, int32_t rop) {
    st->Call("Gdi", "BitBlt",
             N(dest) + "," + N(x) + "," + N(y) + "," + N(w) + "," + N(h) + "," + N(src) + "," + N(xs) + "," +
                 N(ys) + "," + Hex(rop));
    auto ds = st->surfaceDCs.find(dest);
    auto ms = memDCs_.find(src);
    if (ds == st->surfaceDCs.end() || ms == memDCs_.end()) return 0;
    auto bm = st->bitmaps.find(ms->second);
    if (bm == st->bitmaps.end()) return 0;
    ds->second->pixels[0] = bm->second.topLeftRaw;
    return 1;
}
int32_t RecordingPlatform::DeleteDC(HDC dc) {
    st->Call("Gdi", "DeleteDC", N(dc));
    return memDCs_.erase(dc) ? 1 : 0;
}
COLORREF RecordingPlatform::GetPixel(HDC dc, int32_t x, int32_t y) {
    st->Call("Gdi", "GetPixel", N(dc) + "," + N(x) + "," + N(y));
    return st->surfaceDCs.count(dc) ? st->pixelColour : CLR_INVALID;
}
COLORREF RecordingPlatform::SetPixel(HDC dc, int32_t x, int32_t y, COLORREF color) {
    st->Call("Gdi", "SetPixel", N(dc) + "," + N(x) + "," + N(y) + "," + Hex(color));
    auto it = st->surfaceDCs.find(dc);
    if (it == st->surfaceDCs.end()) return CLR_INVALID;
    it->second->pixels[static_cast<size_t>(y * it->second->width + x)] = st->toPixel(color);
    return color;
}

Ref<Picture> RecordingPlatform::LoadPicture(const std::string& file) {
    st->Call("Host", "LoadPicture", "\"" + file + "\"");
    auto it = st->pictureFiles.find(file);
    if (it == st->pictureFiles.end()) Raise(53);
    return MakeRef<FakePicture>(st, it->second);
}
Ref<Picture> RecordingPlatform::LoadResPicture(const std::string& resId, int32_t type) {
    st->Call("Host", "LoadResPicture", "\"" + resId + "\"," + N(type));
    Raise(326);
}
void RecordingPlatform::DoEvents() { st->Call("Host", "DoEvents", ""); }

}  // namespace vexo::rec
