// Clippers over IDirectDrawClipper and palettes over IDirectDrawPalette.
#include <algorithm>
#include <vector>

#include "common/Error.h"
#include "platform/windows/WinDDraw.h"

namespace vexo::win {

// --- Clippers -------------------------------------------------------------------

void WinClipper::SetHWnd(HWND hwnd) { Check(c_->SetHWnd(0, ToHandle<::HWND>(hwnd))); }

HWND WinClipper::GetHWnd() {
    ::HWND h = nullptr;
    Check(c_->GetHWnd(&h));
    return FromHandle(h);
}

int32_t WinClipper::GetClipList(std::span<RECT> rects) {
    // The list can change between the two calls when a window moves: ask
    // again while the system says the buffer is too small.
    for (int attempt = 0;; ++attempt) {
        DWORD size = 0;
        Check(c_->GetClipList(nullptr, nullptr, &size));
        if (size < sizeof(RGNDATAHEADER)) return 0;
        std::vector<uint8_t> buffer(size);
        auto* data = reinterpret_cast<RGNDATA*>(buffer.data());
        const HRESULT hr = c_->GetClipList(nullptr, data, &size);
        if (hr == DDERR_REGIONTOOSMALL && attempt < 4) continue;
        Check(hr);
        const DWORD fits = DWORD((buffer.size() - sizeof(RGNDATAHEADER)) / sizeof(::RECT));
        const DWORD count = std::min(data->rdh.nCount, fits);
        const auto* list = reinterpret_cast<const ::RECT*>(data->Buffer);
        for (DWORD i = 0; i < count && i < rects.size(); ++i)
            rects[i] = RECT{list[i].left, list[i].top, list[i].right, list[i].bottom};
        return int32_t(count);
    }
}

// --- Palettes ---------------------------------------------------------------------

void WinPalette::GetEntries(int32_t start, int32_t count, std::span<PALETTEENTRY> out) {
    // The system writes `count` entries: the caller's room must hold them.
    if (start < 0 || count < 0 || out.size() < size_t(count)) Raise(kInvalidArg);
    std::vector<::PALETTEENTRY> got(static_cast<size_t>(count));
    Check(p_->GetEntries(0, DWORD(start), DWORD(count), got.data()));
    for (size_t i = 0; i < got.size(); ++i) out[i] = {got[i].peRed, got[i].peGreen, got[i].peBlue, got[i].peFlags};
}

void WinPalette::SetEntries(int32_t start, int32_t count, std::span<const PALETTEENTRY> in) {
    if (start < 0 || count < 0 || in.size() < size_t(count)) Raise(kInvalidArg);
    std::vector<::PALETTEENTRY> put(static_cast<size_t>(count));
    for (size_t i = 0; i < put.size(); ++i) put[i] = {in[i].red, in[i].green, in[i].blue, in[i].flags};
    Check(p_->SetEntries(0, DWORD(start), DWORD(count), put.data()));
}

int32_t WinPalette::GetCaps() {
    DWORD caps = 0;
    Check(p_->GetCaps(&caps));
    return int32_t(caps);
}

}  // namespace vexo::win
