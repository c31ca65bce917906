// Text on a device context, and the mouse cursor.
#include "common/Error.h"
#include "common/Platform.h"
#include "draw/DX7Draw.h"

namespace vexo {

void DX7Draw::DDTextOut(HDC FormHdc, ByRef<std::string> TextString, int32_t x, int32_t y, int32_t TextColorRGB,
                        int32_t TextOutByte) {
    ResumeNext rn;
    // Text beyond 1024 pixels right of x or 768 below y is cut off. An edge
    // whose sum overflows stays 0.
    RECT r{};
    r.Left = x;
    r.Top = y;
    rn([&] { r.Right = Add32(x, 1024); });
    rn([&] { r.Bottom = Add32(y, 768); });

    HGDIOBJ font = 0;
    rn([&] { font = api::GetCurrentObject(FormHdc, OBJ_FONT); });
    rn([&] { api::SetBkMode(FormHdc, TRANSPARENT); });
    rn([&] { api::SetTextColor(FormHdc, COLORREF(TextColorRGB)); });
    rn([&] { api::SelectObject(FormHdc, font); });

    // The ANSI function takes the text in the system's code page; the caller's
    // string gets that conversion back, as it was drawn.
    std::string ansi;
    if (!rn([&] { ansi = api::ToAnsi(TextString.get()); })) return;
    rn([&] { api::DrawTextA(FormHdc, ansi, TextOutByte, r, DT_LEFT | DT_TOP); });
    rn([&] { TextString = api::FromAnsi(ansi); });
}

void DX7Draw::MouseCursorHide(VBBool bFlags) {
    ResumeNext rn;
    rn([&] { api::ShowCursor(IsSet(bFlags) ? 0 : 1); });
}

}  // namespace vexo
