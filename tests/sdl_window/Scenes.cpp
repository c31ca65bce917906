#include "Scenes.h"

#include <array>
#include <cstdio>

#include "platform/display/Display.h"

namespace scenes {

using namespace vexo;

Shot TakeFromDisplay(const RECT& r) {
    Shot s{r, {}};
    for (int32_t y = r.Top; y < r.Bottom; ++y)
        for (int32_t x = r.Left; x < r.Right; ++x) s.px.push_back(uint32_t(plat::ScreenPixel(x, y)));
    return s;
}

bool Save(const Shot& s, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = std::fwrite(&s.where, sizeof s.where, 1, f) == 1;
    ok = ok && std::fwrite(s.px.data(), 4, s.px.size(), f) == s.px.size();
    return std::fclose(f) == 0 && ok;
}

bool Load(Shot& s, const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    bool ok = std::fread(&s.where, sizeof s.where, 1, f) == 1;
    const int64_t w = s.where.Right - s.where.Left, h = s.where.Bottom - s.where.Top;
    ok = ok && w > 0 && h > 0 && w * h <= 1 << 24;
    if (ok) {
        s.px.resize(size_t(w * h));
        ok = std::fread(s.px.data(), 4, s.px.size(), f) == s.px.size();
    }
    std::fclose(f);
    return ok;
}

RECT ClientOnScreen(HWND hwnd) {
    Ref<DirectDraw7> dd = api::CreateDirectX7()->DirectDrawCreate("");
    Ref<DirectDrawClipper> clip = dd->CreateClipper(0);
    clip->SetHWnd(hwnd);
    std::array<RECT, 1> r{};
    clip->GetClipList(r);
    return r[0];
}

void Windowed::Start() {
    hwnd_ = plat::CreateWindow(kTitle, 60, 40, 100, 100);
    back_ = draw_.DDSetup(hwnd_, 320, 240, NORMALSCREEN);
    draw_.DDFillRect(back_, 0, 0, 0, 0, RGB(20, 40, 60));
    draw_.DDFillRect(back_, 10, 10, 110, 60, RGB(255, 0, 0));
    draw_.DDFillRect(back_, 300, 220, 320, 240, RGB(0, 255, 0));
    draw_.DDFillRect(back_, 0, 230, 5, 240, RGB(250, 250, 250));
    // A gradient sprite with magenta key pixels scattered through it.
    sprite_ = draw_.DDCreateSurface(64, 48);
    RECT all{};
    DDSURFACEDESC2 desc{};
    sprite_->Lock(all, desc, DDLOCK_WAIT, 0);
    for (int32_t y = 0; y < 48; ++y)
        for (int32_t x = 0; x < 64; ++x) {
            const int32_t v = (x + y) % 7 == 0 ? 0xFF00FF : (x * 4) << 16 | (y * 5) << 8 | ((x * y) & 255);
            sprite_->SetLockedPixel(x, y, v);
        }
    sprite_->Unlock(all);
    draw_.DDSetColorKey(sprite_, RGB(255, 0, 255));
    draw_.DDBlt(sprite_, back_, 0, 0, 64, 48, 200, 150, VB_TRUE);
    draw_.DDBlt(sprite_, back_, 0, 0, 64, 48, 20, 150, VB_FALSE);
    draw_.DDFlip();
    api::DoEvents();
}

void Windowed::Stop() {
    sprite_ = nullptr;
    back_ = nullptr;
    draw_.DDClose();
    plat::DestroyWindow(hwnd_);
}

namespace {
std::array<PALETTEENTRY, 256> Ramp(bool changed) {
    std::array<PALETTEENTRY, 256> e{};
    for (int i = 0; i < 256; ++i)
        e[size_t(i)] = changed ? PALETTEENTRY{uint8_t(255 - i), uint8_t(i / 2), 128, 0}
                               : PALETTEENTRY{uint8_t(i), uint8_t(255 - i), uint8_t((i * 7) & 255), 0};
    return e;
}
}  // namespace

void FullScreen8::Start() {
    hwnd_ = plat::CreateWindow(kTitle, 100, 100, 200, 150);
    dd_ = api::CreateDirectX7()->DirectDrawCreate("");
    dd_->SetCooperativeLevel(hwnd_, DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE);
    dd_->SetDisplayMode(kW, kH, 8, 0, 0);
    DDSURFACEDESC2 d{};
    d.lSize = int32_t(sizeof d);
    d.lFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    d.ddsCaps.lCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_SYSTEMMEMORY;
    d.lBackBufferCount = 1;
    primary_ = dd_->CreateSurface(d);
    DDSCAPS2 caps{};
    caps.lCaps = DDSCAPS_BACKBUFFER;
    back_ = primary_->GetAttachedSurface(caps);
    const auto ramp = Ramp(false);
    pal_ = dd_->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, ramp);
    primary_->SetPalette(pal_);
    for (int32_t k = 0; k < 16; ++k) {
        RECT r{k * 20, 0, k * 20 + 20, kH};
        back_->BltColorFill(r, k * 16 + 3);
    }
    RECT dot{157, 117, 163, 123};
    back_->BltColorFill(dot, 255);
    primary_->Flip(nullptr, DDFLIP_WAIT);
    api::DoEvents();
}

void FullScreen8::ChangePalette() {
    const auto ramp = Ramp(true);
    pal_->SetEntries(0, 256, ramp);
    api::DoEvents();
}

void FullScreen8::Stop() {
    dd_->RestoreDisplayMode();
    dd_->FlipToGDISurface();
    back_ = nullptr;
    primary_ = nullptr;
    pal_ = nullptr;
    dd_ = nullptr;
    api::DoEvents();
    plat::DestroyWindow(hwnd_);
}

bool WriteReference(const std::string& dir) {
    plat::SetDesktop(kDesktopW, kDesktopH, 32);
    Windowed w;
    w.Start();
    bool ok = Save(TakeFromDisplay(ClientOnScreen(w.Window())), dir + "/windowed.bin");
    w.Stop();
    FullScreen8 f;
    f.Start();
    const RECT screen{0, 0, FullScreen8::kW, FullScreen8::kH};
    ok = ok && Save(TakeFromDisplay(screen), dir + "/full-before.bin");
    f.ChangePalette();
    ok = ok && Save(TakeFromDisplay(screen), dir + "/full-after.bin");
    f.Stop();
    return ok;
}

}  // namespace scenes
