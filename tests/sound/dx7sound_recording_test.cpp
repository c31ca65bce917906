// DX7Sound over a recording platform: what each method passes, in which
// order, and what it leaves behind after each kind of failure.
#include <gtest/gtest.h>

#include "sound/DX7Sound.h"
#include "tests/sound/SoundTestSupport.h"

namespace vexo {
namespace {

using Calls = std::vector<std::string>;

constexpr int32_t kWnd = 7;

class DX7SoundRecording : public ::testing::Test {
protected:
    void SetUp() override { test::AddSoundWindows(plat); }

    test::RecordingPlatform plat;
    ScopedPlatform scope{plat};
    test::State& log = *plat.st;

    // The calls on the device and its buffers since the last Take: the
    // root's calls and the releases are left out.
    Calls Take() {
        Calls out;
        for (auto& e : log.Take())
            if (e.rfind("Host.", 0) != 0 && e.rfind("DX.", 0) != 0 && e.rfind("~", 0) != 0) out.push_back(e);
        return out;
    }

    // A set-up object with `count` buffers in `slot`; the log starts empty.
    void Load(DX7Sound& snd, int32_t slot, int32_t count, const std::string& file = "fx.wav") {
        ASSERT_EQ(snd.DsCreate(slot, file, count), 0);
        Take();
    }
    void Setup(DX7Sound& snd) {
        ASSERT_EQ(snd.DsSetup(kWnd), 0);
        Take();
    }
    test::FakeSoundBuffer& Buf(DX7Sound& snd, int32_t slot, int i) {
        return *static_cast<test::FakeSoundBuffer*>(snd.SoundSlots[slot].Buffers[static_cast<size_t>(i)].get());
    }
};

TEST_F(DX7SoundRecording, SetupOpensDefaultDeviceAndWritesCorrectedArgumentsBack) {
    DX7Sound snd;
    EXPECT_EQ(int(log.Matching("Host.CreateDirectX7").size()), 1);
    EXPECT_TRUE(snd.SoundDevice.IsNothing());
    EXPECT_EQ(snd.WaveFormat, WAVEFORMATEX{});

    // No optional arguments: 22050 Hz, 8 bits, stereo.
    EXPECT_EQ(snd.DsSetup(kWnd), 0);
    EXPECT_EQ(log.Matching("DX.DirectSoundCreate"), (std::vector<std::string>{"DX.DirectSoundCreate(\"\")"}));
    EXPECT_EQ(Take(), (Calls{"SetCooperativeLevel(7, 1)"}));
    EXPECT_EQ(snd.WaveFormat, test::Pcm(22050, 8, 2)) << snd.WaveFormat;
    EXPECT_EQ(snd.WaveFormat.nBlockAlign, 2);
    EXPECT_EQ(snd.WaveFormat.lAvgBytesPerSec, 44100);

    // Unsupported values come back corrected in the caller's variables.
    int32_t hz = 48000, bits = 24, ch = 0;
    EXPECT_EQ(snd.DsSetup(kWnd, hz, bits, ch), 0);
    EXPECT_EQ(hz, 22050);
    EXPECT_EQ(bits, 8);
    EXPECT_EQ(ch, 2);  // 0 becomes 2, not 1
    EXPECT_EQ(snd.WaveFormat, test::Pcm(22050, 8, 2));

    // Supported values stay and shape the format.
    hz = 44100, bits = 16, ch = 1;
    EXPECT_EQ(snd.DsSetup(kWnd, hz, bits, ch), 0);
    EXPECT_EQ(hz, 44100);
    EXPECT_EQ(bits, 16);
    EXPECT_EQ(ch, 1);
    EXPECT_EQ(snd.WaveFormat, test::Pcm(44100, 16, 1));
    EXPECT_EQ(snd.WaveFormat.lAvgBytesPerSec, 88200);
    // Each set-up replaced (and released) the previous device.
    EXPECT_EQ(log.Alive("DS"), 1);
    EXPECT_TRUE(log.boxes.empty());
}

TEST_F(DX7SoundRecording, FailingSetupShowsTheMessageClosesAndReturnsTheStatus) {
    const std::string prompt =
        "DirectSound\u306F\u5229\u7528\u3067\u304D\u307E\u305B\u3093\r"
        "\u2605DX7.0\u4EE5\u4E0A\u304C\u5165\u3063\u3066\u3044\u306A\u3044\r"
        "\u2605\u65E2\u306B\u30C7\u30D0\u30A4\u30B9\u304C\u4F7F\u7528\u3055\u308C\u3066\u3044\u308B\r"
        "\u4EE5\u4E0A\u306E\u53EF\u80FD\u6027\u304C\u3042\u308A\u307E\u3059\u3002\r";
    DX7Sound snd;
    Setup(snd);
    Load(snd, 3, 2);
    Load(snd, 70, 1);

    // The cooperative level fails: the message, then DsClose.
    log.FailOn("SetCooperativeLevel", status::DSERR_ALLOCATED);
    EXPECT_EQ(snd.DsSetup(kWnd), status::DSERR_ALLOCATED);
    ASSERT_EQ(log.boxes.size(), 1u);
    EXPECT_EQ(log.boxes[0].prompt, prompt);
    EXPECT_EQ(log.boxes[0].buttons, 48);
    EXPECT_EQ(log.boxes[0].title, api::ErrorText(status::DSERR_ALLOCATED));
    EXPECT_EQ(Take(), (Calls{"SetCooperativeLevel(7, 1)", "b0.Stop()", "b0.SetCurrentPosition(0)", "b1.Stop()",
                                 "b1.SetCurrentPosition(0)", "b2.Stop()", "b2.SetCurrentPosition(0)"}));
    EXPECT_TRUE(snd.SoundDevice.IsNothing());
    EXPECT_EQ(log.Alive("DS"), 0);
    EXPECT_EQ(log.Alive("DSBuffer"), 0);
    EXPECT_EQ(snd.SoundSlots[3].BufferCount, 2);  // freed slots keep their count

    // The device cannot be made: a run-time number gets its own text.
    log.ClearFailures();
    log.FailOn("DirectSoundCreate", ERR_OBJECT_NOT_SET);
    int32_t hz = 1;
    EXPECT_EQ(snd.DsSetup(kWnd, hz), ERR_OBJECT_NOT_SET);
    EXPECT_EQ(hz, 22050);  // the write-back happens before the failure
    ASSERT_EQ(log.boxes.size(), 2u);
    EXPECT_EQ(log.boxes[1].title, "Object variable or With block variable not set");

    // Set-up may run again.
    log.ClearFailures();
    EXPECT_EQ(snd.DsSetup(kWnd), 0);
    EXPECT_FALSE(snd.SoundDevice.IsNothing());
    EXPECT_EQ(log.boxes.size(), 2u);
}

TEST_F(DX7SoundRecording, SetFormatClampsEachValueAndFloorsTheBlockAlignment) {
    DX7Sound snd;
    snd.DsSetFormat(96000, 24, 6);
    EXPECT_EQ(snd.WaveFormat, test::Pcm(44100, 16, 2)) << snd.WaveFormat;
    EXPECT_EQ(snd.WaveFormat.lAvgBytesPerSec, 176400);

    snd.DsSetFormat(11025, 12, 1);
    EXPECT_EQ(snd.WaveFormat.nBitsPerSample, 12);
    EXPECT_EQ(snd.WaveFormat.nBlockAlign, 1);
    EXPECT_EQ(snd.WaveFormat.lAvgBytesPerSec, 11025);

    snd.DsSetFormat(32000, 12, 2);  // values between the limits stay
    EXPECT_EQ(snd.WaveFormat.lSamplesPerSec, 32000);
    EXPECT_EQ(snd.WaveFormat.nBlockAlign, 2);

    snd.DsSetFormat(-5, 0, -3);
    EXPECT_EQ(snd.WaveFormat, test::Pcm(8000, 8, 1)) << snd.WaveFormat;
    EXPECT_EQ(snd.WaveFormat.nSize, 0);
    EXPECT_TRUE(Take().empty());  // no device needed
}

TEST_F(DX7SoundRecording, CreateLoadsOnceDuplicatesAndStoresTheRecordLast) {
    DX7Sound snd;
    Setup(snd);
    snd.DsSetFormat(11025, 16, 1);
    int32_t slot = 4, n = 3;
    EXPECT_EQ(snd.DsCreate(slot, "dir/shot.wav", n), 0);
    EXPECT_EQ(Take(), (Calls{"CreateSoundBufferFromFile(dir/shot.wav)", "DuplicateSoundBuffer(b0)",
                                 "DuplicateSoundBuffer(b0)"}));
    ASSERT_EQ(log.descs.size(), 1u);
    DSBUFFERDESC want{};
    want.lFlags = 0xE2;
    EXPECT_EQ(log.descs[0], want);
    EXPECT_EQ(log.formats[0], snd.WaveFormat);
    EXPECT_EQ(snd.SoundSlots[4].BufferCount, 3);
    EXPECT_EQ(snd.SoundSlots[4].PlayCursor, 0);
    ASSERT_EQ(snd.SoundSlots[4].Buffers.size(), 3u);

    // Default of one buffer.
    int32_t one = 5;
    EXPECT_EQ(snd.DsCreate(one, "a.wav"), 0);
    EXPECT_EQ(Take(), (Calls{"CreateSoundBufferFromFile(a.wav)"}));
    EXPECT_EQ(snd.SoundSlots[5].BufferCount, 1);

    // Reloading a slot releases its old buffers and restarts the rotation.
    int32_t p = 4;
    snd.DsPlay(p);
    EXPECT_EQ(snd.SoundSlots[4].PlayCursor, 1);
    EXPECT_EQ(log.Alive("DSBuffer"), 4);
    EXPECT_EQ(snd.DsCreate(slot, "b.wav", 2), 0);
    EXPECT_EQ(log.Alive("DSBuffer"), 3);
    EXPECT_EQ(snd.SoundSlots[4].BufferCount, 2);
    EXPECT_EQ(snd.SoundSlots[4].PlayCursor, 0);
}

TEST_F(DX7SoundRecording, CreateFailuresLeaveTheSlotAsItWas) {
    DX7Sound snd;
    Setup(snd);
    Load(snd, 9, 2);
    auto* old0 = snd.SoundSlots[9].Buffers[0].get();
    auto keepsOld = [&] {
        EXPECT_EQ(snd.SoundSlots[9].BufferCount, 2);
        ASSERT_EQ(snd.SoundSlots[9].Buffers.size(), 2u);
        EXPECT_EQ(snd.SoundSlots[9].Buffers[0].get(), old0);
        EXPECT_EQ(log.Alive("DSBuffer"), 2);
    };
    int32_t slot = 9;

    // Counts below 1: 9 before loading; outside 16 bits: 6 before loading.
    for (int32_t n : {0, -1}) {
        EXPECT_EQ(snd.DsCreate(slot, "x.wav", n), ERR_SUBSCRIPT) << n;
    }
    for (int32_t n : {40000, -40000}) {
        EXPECT_EQ(snd.DsCreate(slot, "x.wav", n), ERR_OVERFLOW) << n;
    }
    EXPECT_TRUE(Take().empty());
    keepsOld();

    // The load fails with the platform's status.
    log.FailOn("CreateSoundBufferFromFile", status::DSERR_BADFORMAT);
    EXPECT_EQ(snd.DsCreate(slot, "bad.wav", 3), status::DSERR_BADFORMAT);
    keepsOld();
    log.ClearFailures();

    // A duplicate fails: the half-built record and its buffers go.
    log.FailOn("DuplicateSoundBuffer", status::DSERR_OUTOFMEMORY);
    EXPECT_EQ(snd.DsCreate(slot, "ok.wav", 3), status::DSERR_OUTOFMEMORY);
    keepsOld();
    log.ClearFailures();
    Take();

    // Slot 100: the file is loaded and duplicated first, then 9; no slot changes.
    int32_t bad = 100;
    EXPECT_EQ(snd.DsCreate(bad, "late.wav", 2), ERR_SUBSCRIPT);
    EXPECT_EQ(Take(), (Calls{"CreateSoundBufferFromFile(late.wav)", "DuplicateSoundBuffer(b" +
                                     std::to_string(log.Issued("b") - 1) + ")"}));
    keepsOld();
    int32_t neg = -1;
    EXPECT_EQ(snd.DsCreate(neg, "late.wav"), ERR_SUBSCRIPT);
    keepsOld();

    // No device: before set-up and after close.
    DX7Sound fresh;
    int32_t s0 = 0;
    EXPECT_EQ(fresh.DsCreate(s0, "x.wav"), ERR_OBJECT_NOT_SET);
    snd.DsClose();
    EXPECT_EQ(snd.DsCreate(slot, "x.wav"), ERR_OBJECT_NOT_SET);
}

TEST_F(DX7SoundRecording, PlayRotatesCutsAndRewindsAndResetsControlsUnlessAsked) {
    DX7Sound snd;
    Setup(snd);
    Load(snd, 2, 3);
    int32_t slot = 2;

    // Rotation 1, 2, 0, 1, 2, 0 with the controls reset before each play.
    std::vector<int16_t> cursors;
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(snd.DsPlay(slot), 0);
        cursors.push_back(snd.SoundSlots[2].PlayCursor);
    }
    EXPECT_EQ(cursors, (std::vector<int16_t>{1, 2, 0, 1, 2, 0}));
    Calls calls = Take();
    ASSERT_GE(calls.size(), 5u);
    // b1 was stopped when first played: no cut, just reset and play.
    EXPECT_EQ(Calls(calls.begin(), calls.begin() + 5),
              (Calls{"b1.GetStatus()", "b1.SetVolume(0)", "b1.SetPan(0)", "b1.SetFrequency(0)", "b1.Play(0)"}));

    // Its second turn finds it still playing: cut and rewound first.
    Buf(snd, 2, 1).status = DSBSTATUS_PLAYING;
    snd.SoundSlots[2].PlayCursor = 0;
    EXPECT_EQ(snd.DsPlay(slot), 0);
    EXPECT_EQ(Take(), (Calls{"b1.GetStatus()", "b1.Stop()", "b1.SetCurrentPosition(0)", "b1.SetVolume(0)",
                                 "b1.SetPan(0)", "b1.SetFrequency(0)", "b1.Play(0)"}));

    // bFlags non-zero keeps volume, pan and frequency as set.
    EXPECT_EQ(snd.DsSetVolume(slot, -1500), 0);
    EXPECT_EQ(snd.DsSetPan(slot, 2500), 0);
    Take();
    VBBool yes = VB_TRUE;
    EXPECT_EQ(snd.DsPlay(slot, yes), 0);
    VBBool one = 1;  // any non-zero value counts
    EXPECT_EQ(snd.DsPlay(slot, one), 0);
    EXPECT_EQ(Take(), (Calls{"b2.GetStatus()", "b2.Stop()", "b2.SetCurrentPosition(0)", "b2.Play(0)",
                                 "b0.GetStatus()", "b0.Stop()", "b0.SetCurrentPosition(0)", "b0.Play(0)"}));
    EXPECT_EQ(Buf(snd, 2, 0).volume, -1500);
    EXPECT_EQ(Buf(snd, 2, 0).pan, 2500);

    // A one-buffer slot always plays buffer 0.
    Load(snd, 8, 1);
    int32_t single = 8;
    snd.DsPlay(single);
    snd.DsPlay(single);
    EXPECT_EQ(snd.SoundSlots[8].PlayCursor, 0);
    Calls c = Take();
    EXPECT_EQ(c.back(), "b3.Play(0)");
    EXPECT_EQ(std::count(c.begin(), c.end(), "b3.Stop()"), 1);  // the second play cut the first
}

TEST_F(DX7SoundRecording, PlayFailures) {
    DX7Sound snd;
    Setup(snd);
    int32_t never = 1, out = 100, neg = -1;
    EXPECT_EQ(snd.DsPlay(never), ERR_DIV_ZERO);
    EXPECT_EQ(snd.SoundSlots[1].PlayCursor, 0);
    EXPECT_EQ(snd.DsPlay(out), ERR_SUBSCRIPT);
    EXPECT_EQ(snd.DsPlay(neg), ERR_SUBSCRIPT);

    // A freed slot: the cursor advances, then the empty entry gives 91.
    Load(snd, 6, 2);
    int32_t slot = 6;
    snd.DsFree(slot);
    EXPECT_EQ(snd.DsPlay(slot), ERR_OBJECT_NOT_SET);
    EXPECT_EQ(snd.SoundSlots[6].PlayCursor, 1);

    // A platform failure ends the method with its status; the cursor stays advanced.
    Load(snd, 7, 2);
    int32_t s7 = 7;
    log.FailOn("b" + std::to_string(log.Issued("b")) + ".SetPan", status::DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(snd.DsPlay(s7), status::DSERR_CONTROLUNAVAIL);
    EXPECT_EQ(snd.SoundSlots[7].PlayCursor, 1);
    Calls c = Take();
    EXPECT_EQ(c.back(), "b" + std::to_string(log.Issued("b")) + ".SetPan(0)");  // no Play after it
}

TEST_F(DX7SoundRecording, PlayLoopingOnlyOnOneBufferSlotsWithoutStopOrRewind) {
    DX7Sound snd;
    Setup(snd);
    Load(snd, 0, 1);
    int32_t slot = 0;
    Buf(snd, 0, 0).status = DSBSTATUS_PLAYING;
    snd.SoundSlots[0].PlayCursor = 0;
    EXPECT_EQ(snd.DsPlayLooping(slot), 0);
    EXPECT_EQ(Take(), (Calls{"b0.SetVolume(0)", "b0.SetPan(0)", "b0.SetFrequency(0)", "b0.Play(1)"}));
    EXPECT_EQ(snd.SoundSlots[0].PlayCursor, 0);

    Load(snd, 1, 2);
    int32_t two = 1, never = 50, out = 100;
    EXPECT_EQ(snd.DsPlayLooping(two), 0);
    EXPECT_EQ(snd.DsPlayLooping(never), 0);
    EXPECT_TRUE(Take().empty());
    EXPECT_EQ(snd.DsPlayLooping(out), ERR_SUBSCRIPT);

    snd.DsFree(slot);
    EXPECT_EQ(snd.DsPlayLooping(slot), ERR_OBJECT_NOT_SET);
}

TEST_F(DX7SoundRecording, StopVolumeAndPanWalkEveryBufferAndStopAtTheFirstFailure) {
    DX7Sound snd;
    Setup(snd);
    Load(snd, 10, 3);
    int32_t slot = 10;
    EXPECT_EQ(snd.DsStop(slot), 0);
    EXPECT_EQ(Take(), (Calls{"b0.Stop()", "b0.SetCurrentPosition(0)", "b1.Stop()", "b1.SetCurrentPosition(0)",
                                 "b2.Stop()", "b2.SetCurrentPosition(0)"}));
    // Values pass unchanged, even ones the platform would refuse.
    EXPECT_EQ(snd.DsSetVolume(slot, -12345), 0);
    EXPECT_EQ(Take(), (Calls{"b0.SetVolume(-12345)", "b1.SetVolume(-12345)", "b2.SetVolume(-12345)"}));
    EXPECT_EQ(snd.DsSetPan(slot, 20000), 0);
    EXPECT_EQ(Take(), (Calls{"b0.SetPan(20000)", "b1.SetPan(20000)", "b2.SetPan(20000)"}));

    // The second buffer refuses: the first keeps the new value, the third is not touched.
    log.FailOn("b1.SetVolume", status::DSERR_INVALIDPARAM);
    EXPECT_EQ(snd.DsSetVolume(slot, -300), status::DSERR_INVALIDPARAM);
    EXPECT_EQ(Take(), (Calls{"b0.SetVolume(-300)", "b1.SetVolume(-300)"}));
    log.FailOn("b0.Stop", status::DSERR_BUFFERLOST);
    EXPECT_EQ(snd.DsStop(slot), status::DSERR_BUFFERLOST);
    EXPECT_EQ(Take(), (Calls{"b0.Stop()"}));
    log.ClearFailures();

    // Never loaded: nothing to do. Out of range: 9. Freed: 91.
    int32_t never = 11, out = 100;
    EXPECT_EQ(snd.DsStop(never), 0);
    EXPECT_EQ(snd.DsSetVolume(never, -100), 0);
    EXPECT_EQ(snd.DsSetPan(never, 100), 0);
    EXPECT_EQ(snd.DsStop(out), ERR_SUBSCRIPT);
    EXPECT_EQ(snd.DsSetVolume(out, 0), ERR_SUBSCRIPT);
    EXPECT_EQ(snd.DsSetPan(out, 0), ERR_SUBSCRIPT);
    snd.DsFree(slot);
    EXPECT_EQ(snd.DsStop(slot), ERR_OBJECT_NOT_SET);
    EXPECT_EQ(snd.DsSetVolume(slot, 0), ERR_OBJECT_NOT_SET);
    EXPECT_EQ(snd.DsSetPan(slot, 0), ERR_OBJECT_NOT_SET);
}

TEST_F(DX7SoundRecording, FreeReleasesBuffersButKeepsCountAndCursor) {
    DX7Sound snd;
    Setup(snd);
    Load(snd, 12, 3);
    int32_t slot = 12;
    snd.DsPlay(slot);
    Take();
    snd.DsFree(slot);
    EXPECT_EQ(log.Alive("DSBuffer"), 0);
    EXPECT_EQ(snd.SoundSlots[12].BufferCount, 3);
    EXPECT_EQ(snd.SoundSlots[12].PlayCursor, 1);
    ASSERT_EQ(snd.SoundSlots[12].Buffers.size(), 3u);
    for (auto& b : snd.SoundSlots[12].Buffers) EXPECT_TRUE(b.IsNothing());
    EXPECT_TRUE(Take().empty());  // released, not stopped

    int32_t never = 13, neg = -1, out = 100;
    snd.DsFree(never);
    EXPECT_TRUE(snd.SoundSlots[13].Buffers.empty());
    for (int32_t* bad : {&neg, &out}) {
        try {
            snd.DsFree(*bad);
            ADD_FAILURE() << "DsFree(" << *bad << ") did not raise";
        } catch (const VbError& e) {
            EXPECT_EQ(e.number(), ERR_SUBSCRIPT);
        }
    }
    // A later load makes the slot playable again.
    EXPECT_EQ(snd.DsCreate(slot, "again.wav", 1), 0);
    EXPECT_EQ(snd.DsPlay(slot), 0);
}

TEST_F(DX7SoundRecording, CloseStopsAndFreesEverySlotThenReleasesTheDevice) {
    DX7Sound snd;
    Setup(snd);
    Load(snd, 99, 1);
    Load(snd, 0, 2);
    snd.DsClose();
    // Ascending slots: slot 0's buffers (b1, b2) before slot 99's (b0).
    EXPECT_EQ(Take(), (Calls{"b1.Stop()", "b1.SetCurrentPosition(0)", "b2.Stop()", "b2.SetCurrentPosition(0)",
                                 "b0.Stop()", "b0.SetCurrentPosition(0)"}));
    EXPECT_EQ(log.Alive("DSBuffer"), 0);
    EXPECT_EQ(log.Alive("DS"), 0);
    EXPECT_TRUE(snd.SoundDevice.IsNothing());
    EXPECT_FALSE(snd.DxRoot.IsNothing());  // kept for the next set-up

    snd.DsClose();  // twice is harmless: the freed entries' Stop fails inside DsStop
    EXPECT_TRUE(Take().empty());
    int32_t slot = 0;
    EXPECT_EQ(snd.DsPlay(slot), ERR_OBJECT_NOT_SET);
    EXPECT_EQ(snd.DsSetup(kWnd), 0);
    EXPECT_EQ(snd.DsCreate(slot, "back.wav"), 0);
}

TEST_F(DX7SoundRecording, DestructionReleasesEverythingWithoutClosing) {
    {
        DX7Sound snd;
        Setup(snd);
        Load(snd, 1, 4);
        EXPECT_EQ(log.Alive("DX"), 1);
    }
    EXPECT_TRUE(Take().empty());  // no Stop: DsClose did not run
    EXPECT_EQ(log.Alive("DSBuffer"), 0);
    EXPECT_EQ(log.Alive("DS"), 0);
    EXPECT_EQ(log.Alive("DX"), 0);
}

// The methods reach one another through the object's own interface.
class CountingSound : public DX7Sound {
public:
    int stops = 0, frees = 0, closes = 0;
    int32_t DsStop(int32_t& id) override {
        ++stops;
        return DX7Sound::DsStop(id);
    }
    void DsFree(int32_t& id) override {
        ++frees;
        DX7Sound::DsFree(id);
    }
    void DsClose() override {
        ++closes;
        DX7Sound::DsClose();
    }
};

TEST_F(DX7SoundRecording, CloseAndFailingSetupCallThroughTheInterface) {
    CountingSound snd;
    snd.DsClose();
    EXPECT_EQ(snd.stops, 100);
    EXPECT_EQ(snd.frees, 100);
    log.FailOn("DirectSoundCreate", status::DSERR_NODRIVER);
    EXPECT_EQ(snd.DsSetup(kWnd), status::DSERR_NODRIVER);
    EXPECT_EQ(snd.closes, 2);
    EXPECT_EQ(snd.stops, 200);
}

}  // namespace
}  // namespace vexo
