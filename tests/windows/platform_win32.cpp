// The window, GDI and run-time services of the Windows platform, driven
// through common/'s functions on the real system. Run with --resources by
// itself (on a copy of this program that carries a bitmap resource) to
// check the resource loader.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/Platform.h"

namespace api = vexo::api;
// Named before the system's headers, whose macro of the same name would
// rewrite it.
constexpr vexo::COLORREF kInvalidColour = vexo::CLR_INVALID;

#include <windows.h>

namespace {

int g_fails = 0;

void Check(bool good, const std::string& what) {
    std::printf("%s  %s\n", good ? "ok   " : "FAIL ", what.c_str());
    std::fflush(stdout);
    if (!good) ++g_fails;
}

// The error number `f` raises, 0 when it raises none.
template <typename F>
int32_t Raised(F&& f) {
    try {
        f();
    } catch (const vexo::VbError& e) {
        return e.number();
    }
    return 0;
}

vexo::WindowService& Win() { return vexo::CurrentPlatform().Windows(); }

std::string Str(const vexo::RECT& r) {
    char b[80];
    std::snprintf(b, sizeof b, "{%d, %d, %d, %d}", r.Left, r.Top, r.Right, r.Bottom);
    return b;
}

// --- bitmap files --------------------------------------------------------------

void Put(std::vector<uint8_t>& v, uint32_t x, int bytes) {
    for (int i = 0; i < bytes; ++i) v.push_back(uint8_t(x >> (8 * i)));
}

// A 24-bit picture, bottom-up as stored; `rgb(x, y)` gives each pixel (y = 0
// the top row) as red | green << 8 | blue << 16. With `fileHeader` false,
// the packed form a bitmap resource holds.
template <typename F>
std::vector<uint8_t> Bmp24(int w, int h, F rgb, bool fileHeader = true) {
    const uint32_t stride = (uint32_t(w) * 3 + 3) & ~3u;
    std::vector<uint8_t> f;
    if (fileHeader) {
        f = {'B', 'M'};
        Put(f, 54 + stride * uint32_t(h), 4);
        Put(f, 0, 4);
        Put(f, 54, 4);
    }
    Put(f, 40, 4);
    Put(f, uint32_t(w), 4);
    Put(f, uint32_t(h), 4);
    Put(f, 1, 2);
    Put(f, 24, 2);
    Put(f, 0, 4);
    Put(f, stride * uint32_t(h), 4);
    Put(f, 2835, 4);
    Put(f, 2835, 4);
    Put(f, 0, 4);
    Put(f, 0, 4);
    for (int y = h - 1; y >= 0; --y) {
        size_t row = f.size();
        for (int x = 0; x < w; ++x) {
            const uint32_t c = rgb(x, y);
            f.push_back(uint8_t(c >> 16));
            f.push_back(uint8_t(c >> 8));
            f.push_back(uint8_t(c));
        }
        while (f.size() - row < stride) f.push_back(0);
    }
    return f;
}

// A 1 x 1 icon file, 32 bits: a picture, but not a bitmap.
std::vector<uint8_t> Icon() {
    std::vector<uint8_t> f;
    Put(f, 0, 2);
    Put(f, 1, 2);
    Put(f, 1, 2);
    f.push_back(1);
    f.push_back(1);
    Put(f, 0, 2);
    Put(f, 1, 2);
    Put(f, 32, 2);
    Put(f, 48, 4);
    Put(f, 22, 4);
    Put(f, 40, 4);
    Put(f, 1, 4);
    Put(f, 2, 4);
    Put(f, 1, 2);
    Put(f, 32, 2);
    for (int i = 0; i < 6; ++i) Put(f, 0, 4);
    Put(f, 0xFF0000FF, 4);
    Put(f, 0, 4);
    return f;
}

uint32_t Sample(int x, int y) { return x == 0 && y == 0 ? 0xFF00FFu : uint32_t(x * 40) | uint32_t(y * 60) << 8; }

std::string TempDir() {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring d = std::wstring(dir) + L"vexo_win32_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(d.c_str(), nullptr);
    char out[MAX_PATH * 3];
    WideCharToMultiByte(CP_UTF8, 0, d.c_str(), -1, out, sizeof out, nullptr, nullptr);
    return out;
}

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Width, height and top-left colour of a picture's bitmap, read back
// through a memory device context.
void CheckPictureBitmap(vexo::HBITMAP h, int w, int hgt, const std::string& what) {
    vexo::BITMAP b;
    b.bmBits = 0xDEADBEEF;
    const int32_t got = api::GetObjectA(h, 24, b);
    Check(got == 24 && b.bmWidth == w && b.bmHeight == hgt && b.bmPlanes == 1 && b.bmBits == 0 &&
              b.bmBitsPixel >= 16 && b.bmWidthBytes >= w * b.bmBitsPixel / 8,
          what + ": GetObjectA gives " + std::to_string(got) + " bytes, " + std::to_string(b.bmWidth) + " x " +
              std::to_string(b.bmHeight) + " at " + std::to_string(b.bmBitsPixel) + " bits, bits field 0");
    const vexo::HDC dc = api::CreateCompatibleDC(0);
    const vexo::HGDIOBJ old = api::SelectObject(dc, h);
    const vexo::COLORREF tl = api::GetPixel(dc, 0, 0), next = api::GetPixel(dc, 1, 1);
    Check(old != 0 && tl == 0xFF00FF && next == Sample(1, 1),
          what + ": its pixels read back (top-left " + std::to_string(tl) + ")");
    api::SelectObject(dc, old);
    api::DeleteDC(dc);
}

// --- windows ---------------------------------------------------------------------

void WindowChecks() {
    const vexo::HWND w = Win().CreateAppWindow("Vexo \xE2\x98\x85 window", 40, 30, 320,
                                                                           200, 0);
    Check(w != 0 && api::IsWindow(w) == 1, "CreateAppWindow makes a window");
    vexo::RECT c, outer;
    Check(api::GetClientRect(w, c) == 1 && c == vexo::RECT{0, 0, 320, 200},
          "its client area is the size asked for: " + Str(c));
    Check(api::GetWindowRect(w, outer) == 1 && outer.Left == 40 && outer.Top == 30 &&
              outer.Right - outer.Left > 320 && outer.Bottom - outer.Top > 200,
          "its outer rectangle is at (40, 30) and holds a frame: " + Str(outer));
    wchar_t title[64] = {};
    GetWindowTextW(reinterpret_cast<::HWND>(intptr_t(w)), title, 64);
    Check(std::wstring(title) == L"Vexo \u2605 window", "its title is the UTF-8 text given");

    // The frame stays what it was: a new outer size gives the client area
    // that much larger, in place.
    const int32_t fw = outer.Right - outer.Left - 320, fh = outer.Bottom - outer.Top - 200;
    Check(api::SetWindowPos(w, 0, 0, 0, 640 + fw, 480 + fh, 6) == 1, "SetWindowPos size only succeeds");
    vexo::RECT moved;
    api::GetClientRect(w, c);
    api::GetWindowRect(w, moved);
    Check(c == vexo::RECT{0, 0, 640, 480} && moved.Left == 40 && moved.Top == 30,
          "the client area becomes 640 x 480 and the window stays put: " + Str(c) + " " + Str(moved));
    api::SetWindowPos(w, 0, 100, 50, 100 + fw, 80 + fh, 4);
    api::GetWindowRect(w, moved);
    api::GetClientRect(w, c);
    Check(moved.Left == 100 && moved.Top == 50 && c == vexo::RECT{0, 0, 100, 80},
          "SetWindowPos with position moves and sizes it: " + Str(moved) + " " + Str(c));
    vexo::POINT p{5, 7};
    Check(api::ClientToScreen(w, p) == 1 && p.x > moved.Left + 5 - 1 && p.x < moved.Right &&
              p.y > moved.Top + 7 && p.y < moved.Bottom,
          "ClientToScreen lands inside the outer rectangle, below the caption");

    // Tiny client areas are exact too: the system's smallest tracking size
    // does not apply to these windows.
    const vexo::HWND tiny = Win().CreateAppWindow("t", 0, 0, 1, 1, 0);
    Check(api::GetClientRect(tiny, c) == 1 && c == vexo::RECT{0, 0, 1, 1}, "a 1 x 1 client area: " + Str(c));
    Win().DestroyAppWindow(tiny);

    const vexo::HWND child = Win().CreateAppWindow("child", 4, 4, 60, 40, w);
    Check(child != 0 && api::GetParent(child) == w && api::GetParent(w) == 0,
          "GetParent names the parent of a child and 0 for a top-level window");
    Check(api::GetClientRect(child, c) == 1 && c == vexo::RECT{0, 0, 60, 40}, "the child's client area: " + Str(c));

    Check(Win().CreateAppWindow("x", 0, 0, -1, 10, 0) == 0,
          "a negative size makes no window");
    Check(Win().CreateAppWindow("x", 0, 0, 10, 10, 0x7FFFFFF0) == 0,
          "a parent that is not a window makes no window");

    Win().DestroyAppWindow(w);
    Check(api::IsWindow(w) == 0 && api::IsWindow(child) == 0 && api::IsWindow(0) == 0,
          "IsWindow is 0 for a destroyed window, its child and 0");
    vexo::RECT untouched{1, 2, 3, 4};
    Check(api::GetWindowRect(w, untouched) == 0 && api::GetClientRect(w, untouched) == 0 &&
              untouched == vexo::RECT{1, 2, 3, 4} && api::SetWindowPos(w, 0, 0, 0, 9, 9, 6) == 0,
          "a destroyed window's rectangles fail and leave the record alone");
    Win().DestroyAppWindow(w);
}

// --- device contexts ------------------------------------------------------------

void GdiChecks() {
    HDC screen = GetDC(nullptr);
    ::HBITMAP sys = CreateCompatibleBitmap(screen, 64, 32);
    ::HBITMAP sys2 = CreateCompatibleBitmap(screen, 64, 32);
    ReleaseDC(nullptr, screen);
    const vexo::HBITMAP bmp = vexo::HBITMAP(intptr_t(sys)), bmp2 = vexo::HBITMAP(intptr_t(sys2));

    vexo::BITMAP b;
    Check(api::GetObjectA(bmp, 24, b) == 24 && b.bmWidth == 64 && b.bmHeight == 32 && b.bmType == 0 &&
              b.bmPlanes == 1 && b.bmBits == 0,
          "GetObjectA of a compatible bitmap fills the 24-byte record");
    vexo::BITMAP none;
    none.bmWidth = 77;
    Check(api::GetObjectA(0, 24, none) == 0 && api::GetObjectA(bmp, 23, none) == 0 && none.bmWidth == 77,
          "GetObjectA of no bitmap, or into too small a record, gives 0 and writes nothing");

    const vexo::HDC dc = api::CreateCompatibleDC(0), dc2 = api::CreateCompatibleDC(0);
    const vexo::HGDIOBJ old = api::SelectObject(dc, bmp), old2 = api::SelectObject(dc2, bmp2);
    Check(dc != 0 && old != 0 && old2 != 0, "a memory context takes the bitmap and gives back its first one");
    const vexo::HGDIOBJ font = api::GetCurrentObject(dc, 6);
    Check(font != 0 && api::GetObjectA(font, 60, none) == 0 && none.bmWidth == 77,
          "the context's font is there and is no bitmap to GetObjectA");

    Check(api::SetPixel(dc, 3, 2, 0x123456) == 0x123456 && api::GetPixel(dc, 3, 2) == 0x123456,
          "SetPixel then GetPixel round trip");
    Check(api::GetPixel(dc, 64, 0) == kInvalidColour && api::GetPixel(dc, -1, 0) == kInvalidColour,
          "GetPixel outside the bitmap is CLR_INVALID");
    Check(api::BitBlt(dc2, 10, 10, 8, 8, dc, 0, 0, 0x00CC0020) == 1 && api::GetPixel(dc2, 13, 12) == 0x123456,
          "BitBlt copies the pixel to the other bitmap");

    // Text: white on the black bitmap; the measure and the pixels follow
    // the count.
    api::SetBkMode(dc2, 1);
    api::SetTextColor(dc2, 0xFFFFFF);
    api::SelectObject(dc2, font);
    auto measure = [&](const std::string& s, int32_t n) {
        vexo::RECT r{0, 0, 0, 0};
        api::DrawTextA(dc2, s, n, r, 0x400);
        return r.Right;
    };
    const int32_t all = measure("Wide", -1), three = measure("Wide", 3);
    Check(all > three && three > 0 && measure("Wide", 1000) == all && measure("Wide", -7) == all,
          "DrawTextA measures by its count; a count past the text or below -1 takes all of it");
    vexo::RECT fill{0, 0, 64, 32};
    api::BitBlt(dc2, 0, 0, 64, 32, 0, 0, 0, 0x00000042);
    auto lit = [&] {
        int n = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 64; ++x) n += api::GetPixel(dc2, x, y) != 0;
        return n;
    };
    const int32_t height = api::DrawTextA(dc2, "Hi", -1, fill, 0);
    Check(height > 0 && lit() > 0 && fill == vexo::RECT{0, 0, 64, 32}, "DrawTextA draws text and keeps the rectangle");
    std::string buffer = "a rather long text";
    api::DrawTextA(dc2, buffer, -1, fill, 0x10000 | 0x8000);
    Check(buffer == "a rather long text", "a format that would modify the text leaves the caller's string alone");

    api::SelectObject(dc, old);
    api::SelectObject(dc2, old2);
    Check(api::DeleteDC(dc) == 1 && api::DeleteDC(dc2) == 1 && api::DeleteDC(dc) == 0, "DeleteDC once per context");
    Check(api::DeleteObject(bmp) == 1 && api::DeleteObject(bmp2) == 1 && api::GetObjectA(bmp, 24, none) == 0,
          "DeleteObject frees the bitmap");
}

// --- pictures ----------------------------------------------------------------------

void PictureChecks(const std::string& dir) {
    const std::string file = dir + "\\sprite.bmp";
    WriteFile(file, Bmp24(5, 3, Sample));
    vexo::HBITMAP h = 0;
    {
        vexo::Ref<vexo::Picture> pic = api::LoadPicture(file);
        h = pic->Handle();
        Check(h != 0, "LoadPicture of a bitmap file gives a bitmap");
        CheckPictureBitmap(h, 5, 3, "the loaded picture");
    }
    vexo::BITMAP b;
    Check(api::GetObjectA(h, 24, b) == 0, "releasing the picture frees its bitmap");

    const std::string text = dir + "\\notes.bmp", empty = dir + "\\empty.bmp", cut = dir + "\\cut.bmp",
                      icon = dir + "\\icon.ico";
    WriteFile(icon, Icon());
    WriteFile(text, std::vector<uint8_t>{'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'});
    WriteFile(empty, {});
    auto truncated = Bmp24(40, 40, Sample);
    truncated.resize(30);
    WriteFile(cut, truncated);
    auto load = [](const std::string& f) { return Raised([&] { api::LoadPicture(f); }); };
    Check(load(dir + "\\missing.bmp") == 53 && load("") == 53 && load(dir) == 53,
          "a missing file, no name and a directory raise 53");
    Check(load(text) == 481 && load(empty) == 481 && load(cut) == 481,
          "a text file, an empty file and a cut-off header raise 481, got " + std::to_string(load(text)) + " " +
              std::to_string(load(empty)) + " " + std::to_string(load(cut)));
    // Headers that claim more than the file holds: the system's loader must
    // never see them.
    auto hostile = [&](std::vector<uint8_t> f, const char* name) {
        const std::string path = dir + "\\" + name + ".bmp";
        WriteFile(path, f);
        const int32_t n = load(path);
        DeleteFileA(path.c_str());
        return n;
    };
    auto shortPixels = Bmp24(40, 40, Sample);
    shortPixels.resize(54 + 100);
    auto farPixels = Bmp24(2, 2, Sample);
    farPixels[10] = 0xF0;
    farPixels[11] = 0xFF;
    auto huge = Bmp24(1, 1, Sample);
    huge[18] = 0x40, huge[19] = 0x9C, huge[22] = 0x40, huge[23] = 0x9C;  // 40000 x 40000
    auto noTable = Bmp24(4, 4, Sample);
    noTable[28] = 8;  // 8 bits a pixel, so a colour table of 256 entries that is not there
    noTable.resize(54 + 16);
    auto rle = Bmp24(4, 4, Sample);
    rle[28] = 8, rle[30] = 1;   // run-length encoded, 8 bits
    rle[34] = 0xFF, rle[35] = 0xFF;  // and a size of its runs past the file's end
    rle.resize(54 + 1024 + 4);
    const int32_t got[] = {hostile(shortPixels, "short"), hostile(farPixels, "far"), hostile(huge, "huge"),
                           hostile(noTable, "notable"), hostile(rle, "rle")};
    Check(got[0] == 481 && got[1] == 481 && got[2] == 7 && got[3] == 481 && got[4] == 481,
          "cut-off pixels, pixels past the end, a missing colour table and runs past the end raise 481, a "
          "40000 x 40000 header 7: " + std::to_string(got[0]) + " " + std::to_string(got[1]) + " " +
              std::to_string(got[2]) + " " + std::to_string(got[3]) + " " + std::to_string(got[4]));
    // A run-length encoded picture whose writer left the size of its runs
    // out still loads: 4 x 1, one run of magenta over a two-colour table.
    {
        std::vector<uint8_t> r = {'B', 'M'};
        Put(r, 14 + 40 + 8 + 4, 4);
        Put(r, 0, 4);
        Put(r, 14 + 40 + 8, 4);
        for (uint32_t v : {40u, 4u, 1u}) Put(r, v, 4);
        Put(r, 1, 2);
        Put(r, 8, 2);
        for (uint32_t v : {1u, 0u, 2835u, 2835u, 2u, 0u}) Put(r, v, 4);
        Put(r, 0x00FF00FF, 4);
        Put(r, 0, 4);
        for (uint8_t v : {4, 0, 0, 1}) r.push_back(v);
        const std::string path = dir + "\\runs.bmp";
        WriteFile(path, r);
        vexo::Ref<vexo::Picture> pic;
        const int32_t n = Raised([&] { pic = api::LoadPicture(path); });
        vexo::BITMAP bm;
        const vexo::HDC dc = api::CreateCompatibleDC(0);
        const vexo::HGDIOBJ old = pic ? api::SelectObject(dc, pic->Handle()) : 0;
        Check(n == 0 && pic && api::GetObjectA(pic->Handle(), 24, bm) == 24 && bm.bmWidth == 4 &&
                  bm.bmHeight == 1 && api::GetPixel(dc, 3, 0) == 0xFF00FF,
              "a run-length encoded picture without the size of its runs loads (" + std::to_string(n) + ")");
        if (old) api::SelectObject(dc, old);
        api::DeleteDC(dc);
        DeleteFileA(path.c_str());
    }
    Check(load(icon) == 481, "an icon file, a picture without a bitmap, raises 481 (" + std::to_string(load(icon)) + ")");
    Check(api::ErrorText(481) == "Invalid picture" && api::ErrorText(53) == "File not found" &&
              api::ErrorText(326) == "Resource with identifier not found" &&
              api::ErrorText(-2147467259) == "Automation error",
          "ErrorText describes the run time's numbers");
    Check(Raised([] { api::LoadResPicture("NO_SUCH_BITMAP", 0); }) == 326 &&
              Raised([] { api::LoadResPicture("", 0); }) == 326,
          "LoadResPicture of a resource the program lacks raises 326");
    DeleteFileA(file.c_str());
    DeleteFileA(text.c_str());
    DeleteFileA(empty.c_str());
    DeleteFileA(cut.c_str());
    DeleteFileA(icon.c_str());
}

// The program's copy, given a bitmap resource named SPRITE, checks the
// resource loader in a process of its own.
void ResourceChecks(const std::string& dir) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring copy(dir.begin(), dir.end());
    copy += L"\\with_resource.exe";
    bool made = CopyFileW(self, copy.c_str(), FALSE);
    HANDLE u = made ? BeginUpdateResourceW(copy.c_str(), FALSE) : nullptr;
    auto dib = Bmp24(5, 3, Sample, false);
    made = u && UpdateResourceW(u, MAKEINTRESOURCEW(2), L"SPRITE", MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                dib.data(), DWORD(dib.size()));
    made = u && EndUpdateResourceW(u, !made) && made;
    Check(made, "a copy of this program with a bitmap resource is made");
    if (!made) return;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    si.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi{};
    std::wstring line = L"\"" + copy + L"\" --resources";
    DWORD code = 99;
    if (CreateProcessW(copy.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 60000);
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    Check(code == 0, "the copy's resource checks pass (exit code " + std::to_string(code) + ")");
    DeleteFileW(copy.c_str());
}

int RunResourceChecks() {
    {
        vexo::Ref<vexo::Picture> pic = api::LoadResPicture("SPRITE", 0);
        Check(pic && pic->Handle() != 0, "LoadResPicture finds the program's bitmap resource");
        CheckPictureBitmap(pic->Handle(), 5, 3, "the resource picture");
    }
    Check(Raised([] { api::LoadResPicture("SPRITE", 1); }) == 326, "the same name as an icon is not found: 326");
    return g_fails;
}

// --- messages ----------------------------------------------------------------------

int g_user = 0, g_chars = 0, g_reposts = 0;
WNDPROC g_base = nullptr;

LRESULT CALLBACK Counting(::HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_USER + 1) ++g_user;
    if (msg == WM_CHAR) ++g_chars;
    // Posts itself again each time, forever.
    if (msg == WM_USER + 2) {
        ++g_reposts;
        PostMessageW(h, WM_USER + 2, 0, 0);
    }
    return CallWindowProcW(g_base, h, msg, w, l);
}

void MessageChecks() {
    const vexo::HWND w = Win().CreateAppWindow("messages", 0, 0, 50, 50, 0);
    ::HWND h = reinterpret_cast<::HWND>(intptr_t(w));
    g_base = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Counting)));
    api::DoEvents();
    PostMessageW(h, WM_USER + 1, 0, 0);
    PostMessageW(h, WM_USER + 1, 0, 0);
    PostMessageW(h, WM_KEYDOWN, 'A', 0x001E0001);
    PostThreadMessageW(GetCurrentThreadId(), WM_USER + 3, 0, 0);
    api::DoEvents();
    MSG m;
    Check(g_user == 2 && !PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE),
          "DoEvents dispatches the posted messages and empties the queue");
    Check(g_chars == 1, "DoEvents translates a key press into a character message");

    PostMessageW(h, WM_USER + 2, 0, 0);
    api::DoEvents();
    Check(g_reposts > 0, "DoEvents returns although a handler keeps posting (" + std::to_string(g_reposts) + " runs)");
    SetWindowLongPtrW(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_base));
    while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
    }

    PostQuitMessage(7);
    api::DoEvents();
    Check(PeekMessageW(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && m.wParam == 7,
          "a quit request stays for the application's loop");
    Win().DestroyAppWindow(w);
}

// --- message box ------------------------------------------------------------------

struct BoxSeen {
    DWORD thread;
    bool found = false, yesNo = false;
};

BOOL CALLBACK Cancel(::HWND w, LPARAM) {
    PostMessageW(w, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

// Ends the main thread's message box with No once it shows; gives up after
// 20 s and then cancels whatever box is there, so that the program ends.
DWORD WINAPI AnswerNo(void* arg) {
    auto* seen = static_cast<BoxSeen*>(arg);
    for (int i = 0; i < 200 && !seen->found; ++i) {
        Sleep(100);
        ::HWND box = FindWindowW(L"#32770", L"Vexo \u2605 question");
        if (!box) continue;
        seen->found = true;
        seen->yesNo = GetDlgItem(box, IDNO) && GetDlgItem(box, IDYES) && !GetDlgItem(box, IDOK);
        PostMessageW(box, WM_COMMAND, IDNO, 0);
    }
    if (!seen->found) EnumThreadWindows(seen->thread, Cancel, 0);
    return 0;
}

void MsgBoxChecks() {
    BoxSeen seen{GetCurrentThreadId()};
    HANDLE t = CreateThread(nullptr, 0, AnswerNo, &seen, 0, nullptr);
    int32_t answer = -1;
    const int32_t raised = Raised([&] {
        answer = api::MsgBox("Line one\rline two \xE2\x98\x85\r", 4 | 48, "Vexo \xE2\x98\x85 question");
    });
    WaitForSingleObject(t, INFINITE);
    CloseHandle(t);
    Check(raised == 0 && seen.found && answer == 7,
          "MsgBox shows a box under its UTF-8 title and returns the answer No (" + std::to_string(answer) + ")");
    Check(seen.yesNo, "the buttons value passes through: the box has Yes and No, no OK");
}

// --- text and clocks ----------------------------------------------------------------

void TextAndClockChecks() {
    const std::string ascii = "Score: 100 {x}";
    Check(api::ToAnsi(ascii) == ascii && api::FromAnsi(ascii) == ascii, "ASCII passes both ways unchanged");
    const std::string withZero("a\0b", 3);
    Check(api::ToAnsi(withZero) == withZero && api::ToAnsi("").empty() && api::FromAnsi("").empty(),
          "embedded zeros are kept; empty stays empty");
    // Runic letters are in no ANSI code page.
    Check(api::ToAnsi("x\xE1\x9A\xA0y") == "x?y", "a character the code page lacks becomes '?'");
    Check(api::ToAnsi("a\xFF" "b") == "a?b", "bytes that are no UTF-8 become '?'");
    const UINT cp = GetACP();
    if (cp == 1252) {
        Check(api::ToAnsi("caf\xC3\xA9") == "caf\xE9" && api::FromAnsi("caf\xE9") == "caf\xC3\xA9" &&
                  api::FromAnsi("\x80") == "\xE2\x82\xAC",
              "code page 1252: e acute and the euro sign both ways");
    } else {
        std::printf("note  code page %u: only the common conversions are checked\n", cp);
    }

    SYSTEMTIME st;
    GetLocalTime(&st);
    const double now = st.wHour * 3600.0 + st.wMinute * 60.0 + st.wSecond;
    const float t = api::Timer();
    Check(t >= 0 && t < 86400 && (std::abs(t - now) < 2 || std::abs(t - now) > 86398),
          "Timer is the seconds since midnight (" + std::to_string(t) + ")");
    bool fraction = false;
    for (int i = 0; i < 40 && !fraction; ++i, Sleep(7)) {
        const float v = api::Timer();
        fraction = v != std::floor(v);
    }
    Check(fraction, "Timer has a fraction");
    const uint32_t a = api::GetTickCount();
    Sleep(60);
    const uint32_t b = api::GetTickCount();
    Check(b - a >= 40 && b - a < 10000 && ::GetTickCount() - b < 1000,
          "GetTickCount counts milliseconds (" + std::to_string(b - a) + " over a 60 ms sleep)");
    Check(api::GetAsyncKeyState(-1) == 0 && api::GetAsyncKeyState(256) == 0 && api::GetAsyncKeyState(1 << 20) == 0,
          "GetAsyncKeyState of a code that is no key is 0");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--resources") == 0) return RunResourceChecks();
    try {
        const std::string dir = TempDir();
        WindowChecks();
        GdiChecks();
        PictureChecks(dir);
        ResourceChecks(dir);
        MessageChecks();
        TextAndClockChecks();
        MsgBoxChecks();
        RemoveDirectoryA(dir.c_str());
    } catch (const vexo::VbError& e) {
        Check(false, "raised " + std::to_string(e.number()));
    }
    return g_fails ? 1 : 0;
}
