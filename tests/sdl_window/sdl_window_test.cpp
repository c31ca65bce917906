// Real windows: the test starts its own Xvfb, runs the scenes on the SDL2
// backend and compares what the X server shows with what a headless run of
// the same calls gives (a child process saves those pixels first). Without
// an X server the tests are skipped with the reason.
#include <SDL.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>

#include "Scenes.h"
#include "XServer.h"
#include "draw/DX7Draw.h"
#include "input/DXInput.h"
#include "platform/backend/Sdl.h"
#include "platform/display/Display.h"
#include "platform/input/Input.h"

namespace {

using namespace vexo;

xtest::XServer* g_x = nullptr;
std::string g_skip;  // why the window tests cannot run
std::string g_ref;   // directory of the headless reference

std::string Hex(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "%06X", v);
    return b;
}

// Empty when equal, else where the first difference is.
std::string Compare(const std::vector<uint32_t>& want, const std::vector<uint32_t>& got, int w) {
    if (want.size() != got.size()) return "size " + std::to_string(got.size()) + " != " + std::to_string(want.size());
    for (size_t i = 0; i < want.size(); ++i)
        if (want[i] != got[i])
            return "first difference at (" + std::to_string(int(i) % w) + ", " + std::to_string(int(i) / w) +
                   "): shown " + Hex(got[i]) + ", headless " + Hex(want[i]);
    return {};
}

// The X server shows pictures a moment after the present: look again for a
// while before calling it a difference.
std::string CaptureMatches(const std::vector<uint32_t>& want, int x, int y, int w, int h) {
    std::string diff;
    for (int attempt = 0; attempt < 40; ++attempt) {
        api::DoEvents();
        diff = Compare(want, g_x->Capture(x, y, w, h), w);
        if (diff.empty()) return diff;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return diff;
}

scenes::Shot Reference(const char* name) {
    scenes::Shot s;
    EXPECT_TRUE(scenes::Load(s, g_ref + "/" + name)) << name;
    return s;
}

#define REQUIRE_X()                                  \
    do {                                             \
        if (!g_skip.empty()) GTEST_SKIP() << g_skip; \
    } while (0)

TEST(SdlWindow, BackendIsSdl) {
    REQUIRE_X();
    EXPECT_EQ(plat::BackendName(), "sdl");
}

TEST(SdlWindow, WindowedFlipShowsTheHeadlessPixelsAndFollowsTheWindow) {
    REQUIRE_X();
    const scenes::Shot want = Reference("windowed.bin");
    scenes::Windowed scene;
    scene.Start();
    const RECT c = scenes::ClientOnScreen(scene.Window());
    ASSERT_EQ(c, want.where) << "the client area is where the headless run had it";
    const int w = c.Right - c.Left, h = c.Bottom - c.Top;
    EXPECT_EQ(w, 320);
    EXPECT_EQ(h, 240);

    const unsigned long xw = g_x->FindWindow(scenes::Windowed::kTitle);
    ASSERT_NE(xw, 0u) << "a real X window with the title";
    int x, y, gw, gh;
    ASSERT_TRUE(g_x->Geometry(xw, x, y, gw, gh));
    EXPECT_EQ(x, c.Left);
    EXPECT_EQ(y, c.Top);
    EXPECT_EQ(gw, 320);
    EXPECT_EQ(gh, 240);
    EXPECT_EQ(CaptureMatches(want.px, c.Left, c.Top, w, h), "");

    // A child window lives inside its parent's picture: no window of its own.
    const HWND child = plat::CreateWindow("vexo child test", 10, 10, 50, 40, scene.Window());
    ASSERT_NE(child, 0);
    EXPECT_EQ(api::GetParent(child), scene.Window());
    EXPECT_EQ(api::GetParent(scene.Window()), 0);
    EXPECT_EQ(g_x->FindWindow("vexo child test"), 0u);
    plat::DestroyWindow(child);

    // The user drags the window elsewhere: the next call sees it, and the
    // next present draws the picture there.
    g_x->MoveResize(xw, 300, 200, 320, 240);
    RECT outer{};
    for (int i = 0; i < 100 && outer.Left != 300 - 4; ++i) {
        api::DoEvents();
        api::GetWindowRect(scene.Window(), outer);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    RECT client{};
    api::GetClientRect(scene.Window(), client);
    EXPECT_EQ(outer, (RECT{296, 177, 296 + 328, 177 + 267}));
    EXPECT_EQ(client, (RECT{0, 0, 320, 240}));
    scene.Flip();
    EXPECT_EQ(scenes::ClientOnScreen(scene.Window()), (RECT{300, 200, 620, 440}));
    EXPECT_EQ(CaptureMatches(want.px, 300, 200, w, h), "");

    // A resize by hand is seen too.
    g_x->MoveResize(xw, 300, 200, 200, 100);
    for (int i = 0; i < 100 && client.Right != 200; ++i) {
        api::DoEvents();
        api::GetClientRect(scene.Window(), client);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(client, (RECT{0, 0, 200, 100}));

    // The close button is reported, and the window stays until the
    // application destroys it.
    g_x->RequestClose(xw);
    std::vector<HWND> closed;
    for (int i = 0; i < 100 && closed.empty(); ++i) {
        api::DoEvents();
        closed = plat::TakeCloseRequests();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(closed, std::vector<HWND>{scene.Window()});
    EXPECT_TRUE(api::IsWindow(scene.Window()));
    scene.Stop();
    EXPECT_EQ(g_x->FindWindow(scenes::Windowed::kTitle), 0u) << "destroying the window closes the X window";
}

// The full-screen picture the X screen should show for a mode picture:
// whole-multiple scaling, centred, black around it.
std::vector<uint32_t> Scaled(const scenes::Shot& mode, int outW, int outH) {
    const int mw = mode.where.Right - mode.where.Left, mh = mode.where.Bottom - mode.where.Top;
    const RECT d = plat::FitPicture(mw, mh, outW, outH);
    std::vector<uint32_t> out(size_t(outW) * size_t(outH), 0);
    const int dw = d.Right - d.Left, dh = d.Bottom - d.Top;
    for (int y = d.Top; y < d.Bottom; ++y)
        for (int x = d.Left; x < d.Right; ++x)
            out[size_t(y) * size_t(outW) + size_t(x)] =
                mode.px[size_t((y - d.Top) * mh / dh) * size_t(mw) + size_t((x - d.Left) * mw / dw)];
    return out;
}

TEST(SdlWindow, FullScreen8BitShowsThePaletteInForceScaledAndGivesTheDesktopBack) {
    REQUIRE_X();
    const scenes::Shot before = Reference("full-before.bin"), after = Reference("full-after.bin");
    ASSERT_NE(before.px, after.px);
    scenes::FullScreen8 scene;
    scene.Start();
    const unsigned long xw = g_x->FindWindow(scenes::FullScreen8::kTitle);
    ASSERT_NE(xw, 0u);
    int x = -1, y = -1, w = 0, h = 0;
    for (int i = 0; i < 100 && w != scenes::kDesktopW; ++i) {
        api::DoEvents();
        g_x->Geometry(xw, x, y, w, h);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, scenes::kDesktopW);
    EXPECT_EQ(h, scenes::kDesktopH);
    // 320 x 240 on 1024 x 768: three times, centred at (32, 24).
    EXPECT_EQ(plat::FitPicture(320, 240, 1024, 768), (RECT{32, 24, 992, 744}));
    EXPECT_EQ(CaptureMatches(Scaled(before, w, h), 0, 0, w, h), "");

    // New entries change the picture without a redraw.
    scene.ChangePalette();
    EXPECT_EQ(CaptureMatches(Scaled(after, w, h), 0, 0, w, h), "");

    // Releasing the display gives the desktop back and the window its place.
    scene.Stop();
    // Stop destroyed the window; what matters is that it left full screen
    // before that, which the window table saw.
    EXPECT_EQ(g_x->FindWindow(scenes::FullScreen8::kTitle), 0u);
}

TEST(SdlWindow, DDCloseAfterFullScreenPutsTheWindowBack) {
    REQUIRE_X();
    const HWND hwnd = plat::CreateWindow("vexo restore test", 150, 120, 200, 100);
    ASSERT_NE(hwnd, 0);
    RECT saved{};
    api::GetWindowRect(hwnd, saved);
    {
        DX7Draw draw;
        Ref<DirectDrawSurface7> back = draw.DDSetup(hwnd, 640, 480, FULLSCREEN, bit256);
        ASSERT_FALSE(back.IsNothing());
        draw.DDFillRect(back, 0, 0, 0, 0, RGB(255, 255, 255));
        draw.DDFlip();
        const unsigned long xw = g_x->FindWindow("vexo restore test");
        ASSERT_NE(xw, 0u);
        int x, y, w = 0, h;
        for (int i = 0; i < 100 && w != scenes::kDesktopW; ++i) {
            api::DoEvents();
            g_x->Geometry(xw, x, y, w, h);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_EQ(w, scenes::kDesktopW);
        // 640 x 480 fits once on 1024 x 768: centred at (192, 144), white
        // inside, black outside.
        const std::vector<uint32_t> px = g_x->Capture(0, 0, scenes::kDesktopW, scenes::kDesktopH);
        ASSERT_EQ(px.size(), size_t(scenes::kDesktopW) * scenes::kDesktopH);
        EXPECT_EQ(Hex(px[size_t(144) * scenes::kDesktopW + 192]), "FFFFFF");
        EXPECT_EQ(Hex(px[size_t(623) * scenes::kDesktopW + 831]), "FFFFFF");
        EXPECT_EQ(Hex(px[size_t(143) * scenes::kDesktopW + 192]), "000000");
        EXPECT_EQ(Hex(px[size_t(144) * scenes::kDesktopW + 191]), "000000");
        EXPECT_EQ(Hex(px[size_t(624) * scenes::kDesktopW + 832]), "000000");

        back = nullptr;
        draw.DDClose();
        RECT now{};
        api::GetWindowRect(hwnd, now);
        EXPECT_EQ(now, saved);
        for (int i = 0; i < 100 && w != 200; ++i) {
            api::DoEvents();
            g_x->Geometry(xw, x, y, w, h);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_EQ(x, saved.Left + 4);
        EXPECT_EQ(y, saved.Top + 23);
        EXPECT_EQ(w, 200);
        EXPECT_EQ(h, 100);
    }
    plat::DestroyWindow(hwnd);
}

TEST(SdlWindow, HostServices) {
    REQUIRE_X();
    // The tick counter counts milliseconds.
    const uint32_t t0 = api::GetTickCount();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const uint32_t dt = api::GetTickCount() - t0;
    EXPECT_GE(dt, 50u);
    EXPECT_LT(dt, 1000u);
    // ShowCursor nests as a counter; the cursor shows while it is >= 0.
    const int32_t c0 = plat::CursorCount();
    ASSERT_EQ(c0, 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    EXPECT_EQ(api::ShowCursor(0), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    EXPECT_EQ(api::ShowCursor(0), -2);
    EXPECT_EQ(api::ShowCursor(1), -1);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE) << "still below 0";
    EXPECT_EQ(api::ShowCursor(1), 0);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);
    // Keys come from the X server's keyboard: down now sets 0x8000, a press
    // since the previous query sets bit 0, even when the key is up again.
    constexpr int kEscape = 1 + 8, kA = 30 + 8, kRightShift = 54 + 8;  // Linux input codes + 8
    EXPECT_EQ(api::GetAsyncKeyState(0x1B), 0);
    ASSERT_TRUE(g_x->FakeKey(kEscape, true));
    EXPECT_EQ(uint16_t(api::GetAsyncKeyState(0x1B)), 0x8001u);
    EXPECT_EQ(uint16_t(api::GetAsyncKeyState(0x1B)), 0x8000u) << "the press was reported once";
    EXPECT_TRUE(plat::input::IsKeyDown(0x01)) << "the input platform's keyboard sees it too";
    g_x->FakeKey(kEscape, false);
    g_x->FakeKey(kA, true);
    g_x->FakeKey(kA, false);
    EXPECT_EQ(api::GetAsyncKeyState(0x1B), 0);
    EXPECT_FALSE(plat::input::IsKeyDown(0x01));
    EXPECT_EQ(api::GetAsyncKeyState('A'), 1) << "pressed and let go between two queries";
    EXPECT_EQ(api::GetAsyncKeyState('A'), 0);
    g_x->FakeKey(kRightShift, true);
    EXPECT_EQ(uint16_t(api::GetAsyncKeyState(0x10)), 0x8001u) << "either shift key is VK_SHIFT";
    g_x->FakeKey(kRightShift, false);
    EXPECT_EQ(api::GetAsyncKeyState(0x10), 0);
    // WaitForVerticalBlank paces to the refresh: 10 waits take about 10
    // refresh periods, not nothing.
    Ref<DirectDraw7> dd = api::CreateDirectX7()->DirectDrawCreate("");
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) dd->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, 0);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    DDSURFACEDESC2 mode{};
    dd->GetDisplayMode(mode);
    const double period = 1000.0 / mode.lMipMapCount;
    EXPECT_GT(ms, 9 * period);
    EXPECT_LT(ms, 30 * period);
}

// The keyboard device reads the X server's keys when asked: a key held while
// nobody processes window messages reads 1, a key let go reads 0, and so
// while another program has the focus (the keyboard is shared and read in
// the background).
TEST(SdlWindow, KeyboardReadsTheServerWithoutMessagesAndInTheBackground) {
    REQUIRE_X();
    constexpr int kA = 30 + 8;
    constexpr uint8_t kDikA = 0x1E;
    const HWND hwnd = plat::CreateWindow("vexo keys test", 40, 40, 200, 150, 0);
    ASSERT_NE(hwnd, 0);
    api::DoEvents();
    DXInput in;
    in.DIKeyBordSetup(hwnd);
    auto read = [&] {
        in.DIUpdate();  // 9 without joystick tables; the keyboard is read first
        return in.DIGetKeyState(kDikA);
    };
    EXPECT_EQ(read(), 0);
    for (const bool background : {false, true}) {
        SCOPED_TRACE(background ? "another program has the focus" : "no other program");
        if (background) {
            ASSERT_NE(g_x->FocusOtherWindow(), 0u);
        }
        ASSERT_TRUE(g_x->FakeKey(kA, true));
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        EXPECT_EQ(read(), 1) << "held for 600 ms";
        g_x->FakeKey(kA, false);
        EXPECT_EQ(read(), 0) << "let go";
        // The window's own key events, handled late, change nothing.
        api::DoEvents();
        EXPECT_EQ(read(), 0);
    }
    // On a 106-key keyboard the key right of - is ^, with a code of its own.
    plat::input::SetKeyboardLayout(plat::input::KeyboardLayout::Japanese106);
    g_x->FakeKey(13 + 8, true);
    in.DIUpdate();
    EXPECT_EQ(in.DIGetKeyState(0x90), 1);
    EXPECT_EQ(in.DIGetKeyState(0x0D), 0);
    g_x->FakeKey(13 + 8, false);
    plat::input::SetKeyboardLayout(plat::input::KeyboardLayout::Standard);
    plat::DestroyWindow(hwnd);
}

// GetAsyncKeyState through the same real path, for keys and buttons beyond
// the letters: both bits, and the skip key of a long wait.
TEST(SdlWindow, AsyncKeyStateOfPunctuationFunctionKeysAndMouseButtons) {
    REQUIRE_X();
    auto key = [](int code) { return [code](bool down) { return g_x->FakeKey(code + 8, down); }; };
    auto button = [](int b) { return [b](bool down) { return g_x->FakeButton(b, down); }; };
    const struct {
        const char* name;
        int32_t vk;
        std::function<bool(bool)> set;
    } cases[] = {
        {"semicolon", 0xBA, key(39)}, {"F13", 0x7C, key(183)},    {"F24", 0x87, key(194)},
        {"Num Lock", 0x90, key(69)},  {"left button", 0x01, button(1)}, {"right button", 0x02, button(3)},
        {"first X button", 0x05, button(8)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(api::GetAsyncKeyState(c.vk), 0);
        ASSERT_TRUE(c.set(true));
        EXPECT_EQ(uint16_t(api::GetAsyncKeyState(c.vk)), 0x8001u);
        EXPECT_EQ(uint16_t(api::GetAsyncKeyState(c.vk)), 0x8000u);
        c.set(false);
        EXPECT_EQ(api::GetAsyncKeyState(c.vk), 0);
        c.set(true);
        c.set(false);
        EXPECT_EQ(api::GetAsyncKeyState(c.vk), 1) << "pressed and let go between two queries";
        EXPECT_EQ(api::GetAsyncKeyState(c.vk), 0);
    }
    DX7Draw dd;
    ASSERT_TRUE(g_x->FakeKey(39 + 8, true));
    const auto start = std::chrono::steady_clock::now();
    dd.TimeStopper(5000, VB_FALSE, 0xBA);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2)) << "the skip key ended the wait";
    g_x->FakeKey(39 + 8, false);
}

// Shows a message box that someone closes from outside, as a user closing
// its frame would; gives the answer and the dialog's height (-1: not seen).
std::pair<int32_t, int> ShowAndClose(const std::string& prompt, const std::string& title) {
    int height = -1;
    std::thread user([&] {
        for (int i = 0; i < 200; ++i) {
            if (const unsigned long w = g_x->FindWindow(title)) {
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
                int x, y, width;
                if (!g_x->Geometry(w, x, y, width, height)) height = -1;
                g_x->RequestClose(w);
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
    });
    const int32_t answer = api::MsgBox(prompt, 1 | MB_ICONEXCLAMATION, title);
    user.join();
    return {answer, height};
}

TEST(SdlWindow, MsgBoxIsARealDialog) {
    REQUIRE_X();
    // Closing the frame answers the box's Cancel.
    const auto one = ShowAndClose("Sound could not start.", "vexo message test");
    EXPECT_EQ(one.first, 2);
    EXPECT_GT(one.second, 0);
    // Carriage returns break the prompt's lines: four lines stand taller.
    const auto four = ShowAndClose("Sound\rcould\rnot\rstart.\r", "vexo message test 2");
    EXPECT_EQ(four.first, 2);
    EXPECT_GT(four.second, one.second);
}

TEST(SdlWindow, FitPictureKeepsAspectAndWholeMultiples) {
    EXPECT_EQ(plat::FitPicture(640, 480, 1920, 1080), (RECT{320, 60, 1600, 1020})) << "2x fits, 3x does not";
    EXPECT_EQ(plat::FitPicture(320, 200, 1920, 1080), (RECT{160, 40, 1760, 1040}));
    EXPECT_EQ(plat::FitPicture(800, 600, 1024, 768), (RECT{112, 84, 912, 684}));
    EXPECT_EQ(plat::FitPicture(1600, 1200, 1024, 768), (RECT{0, 0, 1024, 768})) << "shrunk when 1x does not fit";
    EXPECT_EQ(plat::FitPicture(2000, 500, 1000, 1000), (RECT{0, 375, 1000, 625}));
    EXPECT_EQ(plat::FitPicture(0, 480, 1024, 768), (RECT{}));
}

// Runs the scenes headless in a child process; its shots land in dir.
bool MakeReference(const std::string& self, const std::string& dir) {
    const pid_t pid = fork();
    if (pid == 0) {
        setenv("VEXO_BACKEND", "headless", 1);
        unsetenv("DISPLAY");
        execl(self.c_str(), self.c_str(), "--reference", dir.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--reference") return scenes::WriteReference(argv[2]) ? 0 : 1;

    testing::InitGoogleTest(&argc, argv);
    xtest::XServer x;
    g_x = &x;
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("vexo-sdl-window-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    g_ref = dir.string();
    if (!MakeReference(std::filesystem::read_symlink("/proc/self/exe").string(), g_ref)) {
        g_skip = "the headless reference run failed";
    } else if (!x.Start(scenes::kDesktopW, scenes::kDesktopH)) {
        g_skip = "no X server can run here: " + x.Error();
    } else {
        // Chosen at the first use of the display, which comes after this.
        setenv("DISPLAY", x.Display().c_str(), 1);
        setenv("VEXO_BACKEND", "sdl", 1);
        vexo::plat::SetDesktop(scenes::kDesktopW, scenes::kDesktopH, 32);
    }
    const int rc = RUN_ALL_TESTS();
    std::filesystem::remove_all(dir);
    x.Stop();
    return rc;
}
