// The host run time's services over Win32: messages, clocks, code-page
// conversion, the message box and error texts. Pictures are in Picture.cpp.
#include "platform/windows/WinPlatform.h"

#include <windows.h>

namespace vexo::win {

namespace {

// A handler that posts a message to itself each time it runs, or a window
// that never validates its paint region, would otherwise keep one pass over
// the queue from ending.
constexpr int kMaxMessagesPerPass = 4096;

class WinRuntime final : public HostRuntime {
public:
    Ref<Picture> LoadPicture(const std::string& file) override { return LoadPictureFile(file); }

    Ref<Picture> LoadResPicture(const std::string& resId, int32_t type) override {
        return LoadBitmapResource(resId, type);
    }

    void DoEvents() override {
        MSG msg;
        for (int i = 0; i < kMaxMessagesPerPass && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
            // The quit request belongs to the application's own loop: put it
            // back for that loop to see.
            if (msg.message == WM_QUIT) {
                PostQuitMessage(int(msg.wParam));
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }

    float Timer() override {
        SYSTEMTIME t;
        GetLocalTime(&t);
        return float(t.wHour * 3600.0 + t.wMinute * 60.0 + t.wSecond + t.wMilliseconds / 1000.0);
    }

    uint32_t GetTickCount() override { return ::GetTickCount(); }

    int16_t GetAsyncKeyState(int32_t vk) override {
        // Virtual-key codes are bytes; others are no key.
        if (vk < 0 || vk > 255) return 0;
        return ::GetAsyncKeyState(vk);
    }

    std::string ToAnsi(const std::string& text) override {
        const std::wstring wide = Wide(text);
        if (wide.empty()) return {};
        // Characters the code page lacks become its default character.
        const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), nullptr, 0, nullptr, nullptr);
        if (n <= 0) return {};
        std::string out(size_t(n), '\0');
        WideCharToMultiByte(CP_ACP, 0, wide.data(), int(wide.size()), out.data(), n, nullptr, nullptr);
        return out;
    }

    std::string FromAnsi(const std::string& ansi) override {
        if (ansi.empty()) return {};
        const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), nullptr, 0);
        if (n <= 0) return {};
        std::wstring wide(size_t(n), L'\0');
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), int(ansi.size()), wide.data(), n);
        return Utf8(wide.data(), n);
    }

    int32_t MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) override {
        // Modal to the application's active window, as the run time's box is.
        const int answer = MessageBoxW(GetActiveWindow(), Wide(prompt).c_str(), Wide(title).c_str(), UINT(buttons));
        if (answer == 0) {
            const DWORD e = GetLastError();
            Raise(e ? int32_t(HRESULT_FROM_WIN32(e)) : kFail);
        }
        return answer;
    }

    std::string ErrorText(int32_t number) override {
        switch (number) {
            case kErrInvalidPicture: return "Invalid picture";
            case kErrResourceNotFound: return "Resource with identifier not found";
            default: return HostRuntime::ErrorText(number);
        }
    }
};

}  // namespace

HostRuntime& Runtime() {
    static WinRuntime r;
    return r;
}

}  // namespace vexo::win
