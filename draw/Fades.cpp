// Screen fades by palette animation: the palette of the primary surface steps
// one colour level at a time toward black or white, and back. Out-fades
// record the palette they found and how long each component sat at the
// limit, so that the in-fade replays the fade backwards in time.
#include <algorithm>

#include "common/Error.h"
#include "common/Platform.h"
#include "draw/DX7Draw.h"

namespace vexo {

namespace {

using Table = std::array<PALETTEENTRY, 256>;
constexpr uint8_t PALETTEENTRY::*kComponents[3] = {&PALETTEENTRY::red, &PALETTEENTRY::green,
                                                   &PALETTEENTRY::blue};

enum class Toward { Black, White };

// One fade call: every statement runs under resume-next; `err` is the
// number of the last failure.
class Fade {
public:
    Fade(DX7Draw& d, int32_t stopTime, VBBool waitFlag) : d_(d), stopTime_(stopTime), waitFlag_(waitFlag) {
        Run([&] { palette_ = d_.PrimarySurface->GetPalette(); });
        Run([&] { palette_->GetEntries(0, 256, work_); });
    }

    template <class F>
    void Run(F&& statement) {
        ResumeNext rn;
        if (!rn(statement)) err_ = rn.Err();
    }
    // Byte steps: leaving 0..255 fails with 6 and the value stays.
    void Up(uint8_t& v) {
        if (v == 255) err_ = ERR_OVERFLOW;
        else ++v;
    }
    void Down(uint8_t& v) {
        if (v == 0) err_ = ERR_OVERFLOW;
        else --v;
    }

    // The end of every step: the wait, the optional vertical blank, the
    // palette write and one pass over the window messages.
    void FinishStep() {
        Run([&] { d_.TimeStopper(stopTime_, VB_TRUE, 0); });
        if (IsExactlyTrue(waitFlag_)) Run([&] { d_.DisplayDevice->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, 0); });
        Run([&] { palette_->SetEntries(0, 256, work_); });
        Run([] { api::DoEvents(); });
    }

    Table& Work() { return work_; }
    int32_t Err() const { return err_; }

private:
    DX7Draw& d_;
    int32_t stopTime_;
    VBBool waitFlag_;
    Ref<DirectDrawPalette> palette_;
    Table work_{};
    int32_t err_ = 0;
};

int32_t FadeOut(DX7Draw& d, Toward to, int32_t stopTime, int32_t lastStep, VBBool waitFlag) {
    Fade f(d, stopTime, waitFlag);
    Table& work = f.Work();
    for (int i = 0; i < 256; ++i) {
        for (auto c : kComponents) {
            d.FeedHoldCount[i].*c = 0;
            d.FeedSavedPalette[i].*c = work[i].*c;
        }
    }
    const uint8_t limit = to == Toward::Black ? 0 : 255;
    for (int32_t k = 0; k <= lastStep; ++k) {
        for (int i = 0; i < 256; ++i) {
            for (auto c : kComponents) {
                uint8_t& v = work[i].*c;
                if (v == limit) f.Up(d.FeedHoldCount[i].*c);
                else if (to == Toward::Black) f.Down(v);
                else f.Up(v);
            }
        }
        f.FinishStep();
    }
    return f.Err();
}

int32_t FadeIn(DX7Draw& d, Toward from, int32_t stopTime, VBBool waitFlag) {
    Fade f(d, stopTime, waitFlag);
    Table& work = f.Work();
    for (int32_t k = 0; k <= 255; ++k) {
        for (int i = 0; i < 256; ++i) {
            for (auto c : kComponents) {
                uint8_t& count = d.FeedHoldCount[i].*c;
                uint8_t& v = work[i].*c;
                // Held components wait out their count; the others move one
                // level toward the saved value, always in the fade's direction.
                if (count != 0) f.Down(count);
                else if (v != d.FeedSavedPalette[i].*c) {
                    if (from == Toward::Black) f.Up(v);
                    else f.Down(v);
                }
            }
        }
        f.FinishStep();
    }
    return f.Err();
}

// Clamps the depth of an Ex fade into 0..255 and hands it back to the caller.
int32_t ClampDepth(ByRef<int32_t>& value) {
    const int32_t clamped = std::clamp<int32_t>(value.get(), 0, 255);
    value = clamped;
    return clamped;
}

}  // namespace

int32_t DX7Draw::FeedDarkOut(int32_t StopTime, VBBool WaitForVerticalBlankFlag) {
    return FadeOut(*this, Toward::Black, StopTime, 255, WaitForVerticalBlankFlag);
}

int32_t DX7Draw::FeedFlashOut(int32_t StopTime, VBBool WaitForVerticalBlankFlag) {
    return FadeOut(*this, Toward::White, StopTime, 255, WaitForVerticalBlankFlag);
}

int32_t DX7Draw::FeedDarkOutEx(int32_t StopTime, ByRef<int32_t> FeedOutValue, VBBool WaitForVerticalBlankFlag) {
    return FadeOut(*this, Toward::Black, StopTime, ClampDepth(FeedOutValue), WaitForVerticalBlankFlag);
}

int32_t DX7Draw::FeedFlashOutEx(int32_t StopTime, ByRef<int32_t> FeedOutValue, VBBool WaitForVerticalBlankFlag) {
    return FadeOut(*this, Toward::White, StopTime, ClampDepth(FeedOutValue), WaitForVerticalBlankFlag);
}

int32_t DX7Draw::FeedDarkIn(int32_t StopTime, VBBool WaitForVerticalBlankFlag) {
    return FadeIn(*this, Toward::Black, StopTime, WaitForVerticalBlankFlag);
}

int32_t DX7Draw::FeedFlashIn(int32_t StopTime, VBBool WaitForVerticalBlankFlag) {
    return FadeIn(*this, Toward::White, StopTime, WaitForVerticalBlankFlag);
}

}  // namespace vexo
