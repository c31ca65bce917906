#include "tests/support/RecordingPlatform.h"

#include <cstdio>
#include <sstream>

#include "common/Error.h"

namespace vexo::test {

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

Recorded::Recorded(StatePtr s, std::string n, std::string kind)
    : st(std::move(s)), name(std::move(n)), kind_(std::move(kind)) {
    ++st->alive[kind_];
}

Recorded::~Recorded() {
    --st->alive[kind_];
    st->Note("~" + name);
}

// --- Display --------------------------------------------------------------------
FakeSurface::FakeSurface(StatePtr s, int32_t w, int32_t h, int32_t c)
    : Recorded(s, s->NewName("S"), "draw"), width(w), height(h), caps(c), bpp(st->displayBpp),
      pixels(static_cast<size_t>(w > 0 && h > 0 ? w * h : 1), 0) {}

int32_t FakeSurface::Blt(RECT& dest, const Ref<DirectDrawSurface7>& src, RECT& srcRect, int32_t flags) {
    return st->Status(name, "Blt", R(dest) + "," + NameOf(src) + "," + R(srcRect) + "," + Hex(flags));
}
int32_t FakeSurface::BltFast(int32_t x, int32_t y, const Ref<DirectDrawSurface7>& src, RECT& srcRect,
                             int32_t flags) {
    return st->Status(name, "BltFast", N(x) + "," + N(y) + "," + NameOf(src) + "," + R(srcRect) + "," + Hex(flags));
}
int32_t FakeSurface::BltColorFill(RECT& dest, int32_t fillValue) {
    return st->Status(name, "BltColorFill", R(dest) + "," + Hex(fillValue));
}
void FakeSurface::GetSurfaceDesc(DDSURFACEDESC2& d) {
    Call("GetSurfaceDesc");
    d.lWidth = width;
    d.lHeight = height;
    d.ddsCaps.lCaps = caps;
    d.ddpfPixelFormat.lRGBBitCount = bpp;
}
void FakeSurface::Lock(RECT& r, DDSURFACEDESC2& d, int32_t flags, int32_t event) {
    Call("Lock", R(r) + "," + Hex(flags) + "," + N(event));
    if (locked) Raise(status::DDERR_SURFACEBUSY);
    locked = true;
    d.lWidth = width;
    d.lHeight = height;
    d.ddpfPixelFormat.lRGBBitCount = bpp;
}
void FakeSurface::Unlock(RECT& r) {
    Call("Unlock", R(r));
    if (!locked) Raise(status::DDERR_NOTLOCKED);
    locked = false;
}
int32_t FakeSurface::GetLockedPixel(int32_t x, int32_t y) {
    Call("GetLockedPixel", N(x) + "," + N(y));
    if (!locked) Raise(status::DDERR_NOTLOCKED);
    return static_cast<int32_t>(pixels[static_cast<size_t>(y * width + x)]);
}
void FakeSurface::SetLockedPixel(int32_t x, int32_t y, int32_t v) {
    Call("SetLockedPixel", N(x) + "," + N(y) + "," + Hex(v));
    pixels[static_cast<size_t>(y * width + x)] = static_cast<uint32_t>(v);
}
HDC FakeSurface::GetDC() {
    Call("GetDC");
    if (dcOut) Raise(status::DDERR_DCALREADYCREATED);
    dcOut = true;
    HDC dc = st->nextDC++;
    st->surfaceDCs[dc] = this;
    return dc;
}
void FakeSurface::ReleaseDC(HDC dc) {
    Call("ReleaseDC", N(dc));
    if (!dcOut) Raise(status::DDERR_NODC);
    dcOut = false;
    st->surfaceDCs.erase(dc);
}
void FakeSurface::SetColorKey(int32_t flags, DDCOLORKEY& k) {
    Call("SetColorKey", Hex(flags) + "," + Hex(k.low) + "," + Hex(k.high));
    key = k;
}
void FakeSurface::GetColorKey(int32_t flags, DDCOLORKEY& k) {
    Call("GetColorKey", Hex(flags));
    k = key;
}
Ref<DirectDrawSurface7> FakeSurface::GetAttachedSurface(DDSCAPS2& c) {
    Call("GetAttachedSurface", Hex(c.lCaps));
    if (!attached) Raise(status::DDERR_NOTFOUND);
    return attached;
}
void FakeSurface::Flip(const Ref<DirectDrawSurface7>& target, int32_t flags) {
    Call("Flip", NameOf(target) + "," + Hex(flags));
}
void FakeSurface::SetClipper(const Ref<DirectDrawClipper>& clipper) { Call("SetClipper", clipper ? "Clip" : "null"); }

namespace {
class FakeClipper : public DirectDrawClipper, public Recorded {
public:
    explicit FakeClipper(StatePtr s) : Recorded(std::move(s), "Clip", "draw") {}
    HWND hwnd = 0;
    void SetHWnd(HWND h) override {
        Call("SetHWnd", N(h));
        hwnd = h;
    }
    HWND GetHWnd() override { return hwnd; }
    int32_t GetClipList(std::span<RECT> rects) override {
        Call("GetClipList", N(static_cast<int64_t>(rects.size())));
        if (!rects.empty()) rects[0] = st->clip;
        return 1;
    }
};

class FakeDirectDraw : public DirectDraw7, public Recorded {
public:
    explicit FakeDirectDraw(StatePtr s) : Recorded(std::move(s), "DD", "draw") {}
    int32_t modeW = 0, modeH = 0;

    void SetCooperativeLevel(HWND h, int32_t flags) override { Call("SetCooperativeLevel", N(h) + "," + N(flags)); }
    void SetDisplayMode(int32_t w, int32_t h, int32_t bpp, int32_t refresh, int32_t flags) override {
        Call("SetDisplayMode", N(w) + "," + N(h) + "," + N(bpp) + "," + N(refresh) + "," + N(flags));
        modeW = w;
        modeH = h;
        st->displayBpp = bpp;
    }
    void RestoreDisplayMode() override { Call("RestoreDisplayMode"); }
    void FlipToGDISurface() override { Call("FlipToGDISurface"); }
    Ref<DirectDrawSurface7> CreateSurface(DDSURFACEDESC2& d) override {
        Call("CreateSurface", "flags=" + Hex(d.lFlags) + " caps=" + Hex(d.ddsCaps.lCaps) + " w=" + N(d.lWidth) +
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
        Call("CreateClipper", N(flags));
        return MakeRef<FakeClipper>(st);
    }
    int32_t WaitForVerticalBlank(int32_t flags, int32_t event) override {
        Call("WaitForVerticalBlank", N(flags) + "," + N(event));
        return 0;
    }
    void GetDisplayMode(DDSURFACEDESC2& d) override {
        Call("GetDisplayMode");
        d.lWidth = st->screenW;
        d.lHeight = st->screenH;
        d.ddpfPixelFormat.lRGBBitCount = st->displayBpp;
    }
};

class FakePicture : public Picture, public Recorded {
public:
    FakePicture(StatePtr s, HBITMAP h) : Recorded(std::move(s), "Picture", "host"), handle(h) {}
    HBITMAP handle;
    HBITMAP Handle() override {
        Call("Handle");
        return handle;
    }
};

// --- Input ------------------------------------------------------------------------
// The input objects share one count, so that each name says when it was made.
std::string InputName(State& st, const char* kind) { return st.NewName(kind, "input"); }

class FakeInputDevice : public DirectInputDevice, public Recorded {
public:
    FakeInputDevice(StatePtr s, const char* kind, std::string guid)
        : Recorded(s, InputName(*s, kind), "input"), guid_(std::move(guid)) {}
    void SetCommonDataFormat(int32_t f) override { Call("SetCommonDataFormat", N(f)); }
    void SetCooperativeLevel(HWND h, int32_t f) override { Call("SetCooperativeLevel", N(h) + ", " + N(f)); }
    void SetProperty(const std::string& prop, const DIPROPLONG& p) override {
        std::ostringstream s;
        s << prop << ", long size=" << p.lSize << " header=" << p.lHeaderSize << " obj=" << p.lObj
          << " how=" << p.lHow << " data=" << p.lData;
        Call("SetProperty", s.str());
    }
    void SetProperty(const std::string& prop, const DIPROPRANGE& p) override {
        std::ostringstream s;
        s << prop << ", range size=" << p.lSize << " header=" << p.lHeaderSize << " obj=" << p.lObj
          << " how=" << p.lHow << " min=" << p.lMin << " max=" << p.lMax;
        Call("SetProperty", s.str());
    }
    int32_t Acquire() override { return Call("Acquire"), 0; }
    int32_t Unacquire() override { return Call("Unacquire"), 0; }
    int32_t Poll() override { return Call("Poll"), 0; }
    void GetDeviceStateKeyboard(DIKEYBOARDSTATE& s) override {
        Call("GetDeviceStateKeyboard");
        s = st->keys;
    }
    void GetDeviceStateJoystick(DIJOYSTATE& s) override {
        Call("GetDeviceStateJoystick");
        s = st->joyStates[guid_];
    }

private:
    std::string guid_;
};

class FakeDeviceInstance : public DirectInputDeviceInstance, public Recorded {
public:
    FakeDeviceInstance(StatePtr s, std::string guid) : Recorded(s, InputName(*s, "item"), "input"), guid_(std::move(guid)) {}
    std::string GetGuidInstance() override { return Call("GetGuidInstance"), guid_; }

private:
    std::string guid_;
};

class FakeEnumDevices : public DirectInputEnumDevices, public Recorded {
public:
    FakeEnumDevices(StatePtr s, std::vector<std::string> guids)
        : Recorded(s, InputName(*s, "enum"), "input"), guids_(std::move(guids)) {}
    int32_t GetCount() override { return Call("GetCount"), int32_t(guids_.size()); }
    Ref<DirectInputDeviceInstance> GetItem(int32_t i) override {
        Call("GetItem", N(i));
        if (i < 1 || i > int32_t(guids_.size())) Raise(status::DIERR_INVALIDPARAM);
        return MakeRef<FakeDeviceInstance>(st, guids_[size_t(i) - 1]);
    }

private:
    std::vector<std::string> guids_;
};

class FakeDirectInput : public DirectInput, public Recorded {
public:
    explicit FakeDirectInput(StatePtr s) : Recorded(s, InputName(*s, "di"), "input") {}
    Ref<DirectInputDevice> CreateDevice(const std::string& guid) override {
        Call("CreateDevice", guid);
        if (guid == GUID_SysKeyboard) return MakeRef<FakeInputDevice>(st, "kbd", guid);
        for (auto& g : st->joysticks)
            if (g == guid) return MakeRef<FakeInputDevice>(st, "joy", guid);
        Raise(status::DIERR_DEVICENOTREG);
    }
    Ref<DirectInputEnumDevices> GetDIEnumDevices(int32_t type, int32_t flags) override {
        Call("GetDIEnumDevices", N(type) + ", " + N(flags));
        return MakeRef<FakeEnumDevices>(st, st->joysticks);
    }
};

// --- Sound --------------------------------------------------------------------------
class FakeDirectSound : public DirectSound, public Recorded {
public:
    explicit FakeDirectSound(StatePtr s) : Recorded(std::move(s), "", "DS") {}
    void SetCooperativeLevel(HWND hwnd, int32_t level) override {
        Call("SetCooperativeLevel", N(hwnd) + ", " + N(level));
    }
    Ref<DirectSoundBuffer> CreateSoundBufferFromFile(const std::string& file, const DSBUFFERDESC& desc,
                                                     const WAVEFORMATEX& format) override {
        st->descs.push_back(desc);
        st->formats.push_back(format);
        Call("CreateSoundBufferFromFile", file);
        return MakeRef<FakeSoundBuffer>(st);
    }
    Ref<DirectSoundBuffer> DuplicateSoundBuffer(const Ref<DirectSoundBuffer>& original) override {
        auto* b = dynamic_cast<FakeSoundBuffer*>(original.get());
        Call("DuplicateSoundBuffer", b ? b->name : "?");
        return MakeRef<FakeSoundBuffer>(st);
    }
};
}  // namespace

FakeSoundBuffer::FakeSoundBuffer(StatePtr s) : Recorded(s, s->NewName("b", "", 0), "DSBuffer") {}
int32_t FakeSoundBuffer::GetStatus() {
    Call("GetStatus");
    return status;
}
void FakeSoundBuffer::Stop() {
    Call("Stop");
    status = 0;
}
void FakeSoundBuffer::Play(int32_t flags) {
    Call("Play", N(flags));
    status = DSBSTATUS_PLAYING | ((flags & DSBPLAY_LOOPING) ? DSBSTATUS_LOOPING : 0);
}
void FakeSoundBuffer::SetCurrentPosition(int32_t p) { Call("SetCurrentPosition", N(p)); }
void FakeSoundBuffer::GetCurrentPosition(DSCURSORS& c) {
    Call("GetCurrentPosition");
    c = {};
}
void FakeSoundBuffer::SetVolume(int32_t v) {
    Call("SetVolume", N(v));
    volume = v;
}
void FakeSoundBuffer::SetPan(int32_t p) {
    Call("SetPan", N(p));
    pan = p;
}
void FakeSoundBuffer::SetFrequency(int32_t f) {
    Call("SetFrequency", N(f));
    frequency = f;
}

// --- Music --------------------------------------------------------------------------
FakeSegmentState::FakeSegmentState(StatePtr s) : Recorded(s, s->NewName("state"), "music") {}
int32_t FakeSegmentState::GetSeek() {
    Call("GetSeek");
    return seek;
}

namespace {
std::string B(VBBool b) { return std::to_string(b); }

class FakeSegment : public DirectMusicSegment, public Recorded {
public:
    explicit FakeSegment(StatePtr s) : Recorded(s, s->NewName("seg"), "music") {}
    void SetRepeats(int32_t r) override { Call("SetRepeats", N(r)); }
    int32_t GetRepeats() override { return 0; }
    void SetAutoDownloadEnable(VBBool b) override { Call("SetAutoDownloadEnable", B(b)); }
    void SetStandardMidiFile() override { Call("SetStandardMidiFile"); }
    void Download(const Ref<DirectMusicPerformance>& p) override { Call("Download", NameOf(p)); }
    void Unload(const Ref<DirectMusicPerformance>& p) override { Call("Unload", NameOf(p)); }
    void SetTempoEnable(VBBool b) override { Call("SetTempoEnable", B(b)); }
    void SetStartPoint(int32_t t) override { Call("SetStartPoint", N(t)); }
    int32_t GetStartPoint() override { return 0; }
    int32_t GetLength() override { return 0; }
};

class FakePerformance : public DirectMusicPerformance, public Recorded {
public:
    explicit FakePerformance(StatePtr s) : Recorded(s, s->NewName("perf"), "music") {}
    void Init(const Ref<DirectSound>& ds, HWND h) override { Call("Init", std::string(ds ? "ds" : "null") + "," + N(h)); }
    void SetPort(int32_t p, int32_t g) override { Call("SetPort", N(p) + "," + N(g)); }
    void SetMasterAutoDownload(VBBool b) override { Call("SetMasterAutoDownload", B(b)); }
    void CloseDown() override { Call("CloseDown"); }
    Ref<DirectMusicSegmentState> PlaySegment(const Ref<DirectMusicSegment>& s, int32_t flags, int32_t t) override {
        std::ostringstream os;
        os << NameOf(s) << ",0x" << std::hex << flags << std::dec << "," << t;
        Call("PlaySegment", os.str());
        return MakeRef<FakeSegmentState>(st);
    }
    void Stop(const Ref<DirectMusicSegment>& s, const Ref<DirectMusicSegmentState>& state, int32_t t,
              int32_t flags) override {
        Call("Stop", NameOf(s) + "," + NameOf(state) + "," + N(t) + "," + N(flags));
    }
    VBBool IsPlaying(const Ref<DirectMusicSegment>&, const Ref<DirectMusicSegmentState>&) override { return 0; }
    void SetMasterVolume(int32_t v) override { Call("SetMasterVolume", N(v)); }
    int32_t GetMasterVolume() override { return 0; }
    void SetMasterTempo(float t) override {
        std::ostringstream os;
        os << t;
        Call("SetMasterTempo", os.str());
    }
    float GetMasterTempo() override { return 1; }
    int32_t GetMusicTime() override { return 0; }
};

class FakeLoader : public DirectMusicLoader, public Recorded {
public:
    explicit FakeLoader(StatePtr s) : Recorded(s, s->NewName("loader"), "music") {}
    void SetSearchDirectory(const std::string& d) override { Call("SetSearchDirectory", d); }
    Ref<DirectMusicSegment> LoadSegment(const std::string& f) override {
        Call("LoadSegment", f);
        return MakeRef<FakeSegment>(st);
    }
};

// --- Root -------------------------------------------------------------------------
class FakeRoot : public DirectX7, public Recorded {
public:
    explicit FakeRoot(StatePtr s) : Recorded(std::move(s), "DX", "DX") {}
    Ref<DirectDraw7> DirectDrawCreate(const std::string& guid) override {
        Call("DirectDrawCreate", "\"" + guid + "\"");
        return MakeRef<FakeDirectDraw>(st);
    }
    Ref<DirectInput> DirectInputCreate() override {
        Call("DirectInputCreate");
        if (st->input) return st->input();
        return MakeRef<FakeDirectInput>(st);
    }
    Ref<DirectSound> DirectSoundCreate(const std::string& guid) override {
        Call("DirectSoundCreate", "\"" + guid + "\"");
        if (st->sound) return st->sound(guid);
        return MakeRef<FakeDirectSound>(st);
    }
    Ref<DirectMusicLoader> DirectMusicLoaderCreate() override {
        Call("DirectMusicLoaderCreate");
        if (st->musicLoader) return st->musicLoader();
        return MakeRef<FakeLoader>(st);
    }
    Ref<DirectMusicPerformance> DirectMusicPerformanceCreate() override {
        Call("DirectMusicPerformanceCreate");
        if (st->musicPerformance) return st->musicPerformance();
        return MakeRef<FakePerformance>(st);
    }
};
}  // namespace

// --- Platform ----------------------------------------------------------------------
RecordingPlatform::RecordingPlatform() : st(std::make_shared<State>()) {}

HWND RecordingPlatform::AddWindow(HWND h, RECT outer, int32_t clientW, int32_t clientH, HWND parent) {
    st->windows[h] = Window{outer, clientW, clientH, parent};
    return h;
}

Ref<DirectX7> RecordingPlatform::CreateDirectX7() {
    st->Call("Host", "CreateDirectX7");
    return MakeRef<FakeRoot>(st);
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
void RecordingPlatform::DoEvents() {
    ++st->doEvents;
    st->Call("Host", "DoEvents");
    if (st->onDoEvents) st->onDoEvents();
}
int32_t RecordingPlatform::MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) {
    st->boxes.push_back({prompt, buttons, title});
    return 1;
}

}  // namespace vexo::test
