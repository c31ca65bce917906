// A platform over the platform in force that replaces its host services: a
// clock and a tick counter the test sets, a scripted key state, and a count
// of message passes; every call is logged. Display, windows and GDI stay the
// real ones, except that the text functions are logged on their way through.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "common/Platform.h"

namespace vexo::test {

class FakeHost final : public Platform, public HostRuntime, public GdiService {
public:
    FakeHost() : base_(CurrentPlatform()) {}

    std::vector<std::string> log;
    double clock = 0.0;        // what Timer reads
    uint32_t tick = 0;         // what the next GetTickCount reads ...
    uint32_t tickStep = 1;     // ... and how far it moves per reading
    bool logTicks = true;
    std::function<int16_t(int32_t)> keyState = [](int32_t) -> int16_t { return 0; };
    std::function<void()> onDoEvents;
    int doEvents = 0;
    int keyQueries = 0;
    int tickReads = 0;

    // Entries starting with `prefix`.
    std::vector<std::string> Matching(const std::string& prefix) const {
        std::vector<std::string> out;
        for (const auto& e : log)
            if (e.rfind(prefix, 0) == 0) out.push_back(e);
        return out;
    }

    // Platform
    Ref<DirectX7> CreateDirectX7() override { return base_.CreateDirectX7(); }
    WindowService& Windows() override { return base_.Windows(); }
    GdiService& Gdi() override { return *this; }
    HostRuntime& Runtime() override { return *this; }

    // HostRuntime
    Ref<Picture> LoadPicture(const std::string& f) override { return base_.Runtime().LoadPicture(f); }
    Ref<Picture> LoadResPicture(const std::string& id, int32_t t) override {
        return base_.Runtime().LoadResPicture(id, t);
    }
    void DoEvents() override {
        ++doEvents;
        log.push_back("DoEvents");
        if (onDoEvents) onDoEvents();
    }
    float Timer() override {
        log.push_back("Timer");
        return float(clock);
    }
    uint32_t GetTickCount() override {
        ++tickReads;
        if (logTicks) log.push_back("Tick");
        const uint32_t t = tick;
        tick += tickStep;
        return t;
    }
    int16_t GetAsyncKeyState(int32_t vk) override {
        ++keyQueries;
        log.push_back("Key(" + std::to_string(vk) + ")");
        return keyState(vk);
    }
    std::string ToAnsi(const std::string& s) override { return base_.Runtime().ToAnsi(s); }
    std::string FromAnsi(const std::string& s) override { return base_.Runtime().FromAnsi(s); }
    int32_t MsgBox(const std::string& p, int32_t b, const std::string& t) override {
        return base_.Runtime().MsgBox(p, b, t);
    }

    // GdiService: forwarded; the text calls are logged.
    int32_t GetObjectA(HGDIOBJ o, int32_t n, BITMAP& b) override { return base_.Gdi().GetObjectA(o, n, b); }
    HDC CreateCompatibleDC(HDC dc) override { return base_.Gdi().CreateCompatibleDC(dc); }
    HGDIOBJ SelectObject(HDC dc, HGDIOBJ o) override {
        log.push_back("SelectObject(" + std::to_string(dc) + ", " + std::to_string(o) + ")");
        return base_.Gdi().SelectObject(dc, o);
    }
    int32_t BitBlt(HDC d, int32_t x, int32_t y, int32_t w, int32_t h, HDC s, int32_t xs, int32_t ys,
                   int32_t rop) override {
        return base_.Gdi().BitBlt(d, x, y, w, h, s, xs, ys, rop);
    }
    int32_t DeleteDC(HDC dc) override { return base_.Gdi().DeleteDC(dc); }
    COLORREF GetPixel(HDC dc, int32_t x, int32_t y) override { return base_.Gdi().GetPixel(dc, x, y); }
    COLORREF SetPixel(HDC dc, int32_t x, int32_t y, COLORREF c) override { return base_.Gdi().SetPixel(dc, x, y, c); }
    int32_t DeleteObject(HGDIOBJ o) override { return base_.Gdi().DeleteObject(o); }
    HGDIOBJ GetCurrentObject(HDC dc, int32_t type) override {
        log.push_back("GetCurrentObject(" + std::to_string(dc) + ", " + std::to_string(type) + ")");
        return base_.Gdi().GetCurrentObject(dc, type);
    }
    int32_t SetBkMode(HDC dc, int32_t mode) override {
        log.push_back("SetBkMode(" + std::to_string(dc) + ", " + std::to_string(mode) + ")");
        return base_.Gdi().SetBkMode(dc, mode);
    }
    COLORREF SetTextColor(HDC dc, COLORREF c) override {
        log.push_back("SetTextColor(" + std::to_string(dc) + ", " + std::to_string(c) + ")");
        return base_.Gdi().SetTextColor(dc, c);
    }
    int32_t DrawTextA(HDC dc, const std::string& s, int32_t n, RECT& r, int32_t f) override {
        log.push_back("DrawTextA(" + std::to_string(dc) + ", " + s + ", " + std::to_string(n) + ", " +
                      std::to_string(r.Left) + " " + std::to_string(r.Top) + " " + std::to_string(r.Right) + " " +
                      std::to_string(r.Bottom) + ", " + std::to_string(f) + ")");
        return base_.Gdi().DrawTextA(dc, s, n, r, f);
    }

private:
    Platform& base_;
};

}  // namespace vexo::test
