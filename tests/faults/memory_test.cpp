// Memory running out while surfaces and sounds are made, on the real
// software platform: the documented result, nothing kept or leaked, and the
// next call works. Each case first counts the allocations a call makes, then
// fails each one in turn.
#include "common/FaultPoint.h"
#include "platform/audio/SoundData.h"
#include "sound/DX7Sound.h"
#include "tests/draw_palette/PaletteTestUtil.h"
#include "tests/sound/RealSound.h"

namespace vexo {
namespace {

using namespace vexo::test;

// How often `call` reaches `point`.
int CountHits(fault::Point point, const std::function<void()>& call) {
    int hits = 0;
    fault::Armed count(point, [&] { return ++hits, false; });
    call();
    return hits;
}

class SurfaceMemory : public paltest::Draw8 {};

TEST_F(SurfaceMemory, NoSurfaceWhenPixelMemoryRunsOut) {
    Open(32);
    const int64_t videoFree = plat::VideoMemoryFree();

    // The platform's own status, with video and system memory alike.
    for (int32_t caps : {int32_t(DDSCAPS_OFFSCREENPLAIN), int32_t(DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY)}) {
        DDSURFACEDESC2 d{};
        d.lFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        d.lWidth = d.lHeight = 32;
        d.ddsCaps.lCaps = caps;
        fault::Armed none(fault::Point::PixelMemory, [] { return true; });
        EXPECT_EQ(ErrorOf([&] { dd.DisplayDevice->CreateSurface(d); }), status::DDERR_OUTOFMEMORY) << caps;
    }
    {
        fault::Armed none(fault::Point::PixelMemory, [] { return true; });
        int32_t w = 40, h = 30;
        EXPECT_TRUE(dd.DDCreateSurface(w, h).IsNothing());
    }
    EXPECT_EQ(plat::VideoMemoryFree(), videoFree) << "a failed surface kept its video memory";

    // A picture file: its bitmap, the surface, and every copy between them.
    Bytes bits;
    for (int i = 0; i < 4 * 4; ++i) bits.insert(bits.end(), {uint8_t(i), 0x40, 0x80});
    WriteFile(Path("p.bmp"), BmpFile(4, -4, 24, 0, {}, bits));
    const int n = CountHits(fault::Point::PixelMemory, [&] { EXPECT_FALSE(dd.DDCreateSurfaceFromFile(Path("p.bmp")).IsNothing()); });
    ASSERT_GE(n, 2) << "the bitmap and the surface";
    // The picture's bitmap failing gives no surface; a surface refused in
    // video memory is asked for in system memory; a failed copy still
    // returns the surface. Whatever is returned is whole.
    int empty = 0;
    for (int fail = 1; fail <= n; ++fail) {
        int hit = 0;
        fault::Armed once(fault::Point::PixelMemory, [&] { return ++hit == fail; });
        Ref<DirectDrawSurface7> got = dd.DDCreateSurfaceFromFile(Path("p.bmp"));
        if (got.IsNothing()) {
            ++empty;
        } else {
            EXPECT_EQ(dd.DDGetSurfaceWidth(got), 4) << "allocation " << fail << " failed";
        }
        if (fail == 1) {
            EXPECT_TRUE(got.IsNothing()) << "no picture, no surface";
        }
        got = nullptr;
        EXPECT_EQ(plat::VideoMemoryFree(), videoFree) << "allocation " << fail << " failed";
    }
    EXPECT_LT(empty, n);
    {
        fault::Armed none(fault::Point::PixelMemory, [] { return true; });
        EXPECT_TRUE(dd.DDCreateSurfaceFromFile(Path("p.bmp")).IsNothing());
    }
    // Nothing stuck: the next surfaces come.
    Ref<DirectDrawSurface7> s = dd.DDCreateSurfaceFromFile(Path("p.bmp"));
    ASSERT_FALSE(s.IsNothing());
    EXPECT_EQ(dd.DDGetSurfaceWidth(s), 4);
    int32_t w = 8, h = 8;
    EXPECT_FALSE(dd.DDCreateSurface(w, h).IsNothing());
}

class SoundMemory : public ::testing::Test {
protected:
    TempDir dir;
    OfflineOutput out;
    RealSoundPlatform plat;
    ScopedPlatform scope{plat};
    DX7Sound snd;

    void SetUp() override {
        int32_t hz = 22050, bits = 16, ch = 1;
        ASSERT_EQ(snd.DsSetup(5, hz, bits, ch), 0);
    }
};

TEST_F(SoundMemory, SlotKeepsItsSoundWhenSampleMemoryRunsOut) {
    // 44.1 kHz into 22.05 kHz: the resampler's path, more than one block.
    const std::string loud = dir.File("loud.wav"), quiet = dir.File("quiet.wav");
    WriteWav16(loud, Constant(44100, 16000), 44100, 1);
    WriteWav16(quiet, Constant(22050, 800), 22050, 1);
    int32_t slot = 4, three = 3;
    ASSERT_EQ(snd.DsCreate(slot, loud), 0);
    const int64_t live = audio::LiveSoundDataBytes();

    const int n = CountHits(fault::Point::SampleMemory, [&] {
        int32_t spare = 5;
        EXPECT_EQ(snd.DsCreate(spare, quiet), 0);
    });
    int32_t spare = 5;
    snd.DsFree(spare);
    ASSERT_GE(n, 2) << "the reservation and the samples";
    for (int fail = 1; fail <= n; ++fail) {
        int hit = 0;
        fault::Armed once(fault::Point::SampleMemory, [&] { return ++hit == fail; });
        EXPECT_EQ(snd.DsCreate(slot, quiet, three), status::DSERR_OUTOFMEMORY) << "allocation " << fail;
    }
    EXPECT_EQ(audio::LiveSoundDataBytes(), live) << "a failed load kept sample memory";

    // The slot still holds the loud sound, once, and plays it.
    ASSERT_EQ(snd.SoundSlots[4].Buffers.size(), 1u);
    EXPECT_EQ(snd.DsPlay(slot), 0);
    EXPECT_GT(Peak(out.Render(1000), 0, 0, 1000), 0.4f);
    EXPECT_EQ(snd.DsStop(slot), 0);

    // And the next load works.
    ASSERT_EQ(snd.DsCreate(slot, quiet, three), 0);
    EXPECT_EQ(snd.SoundSlots[4].Buffers.size(), 3u);
    EXPECT_EQ(snd.DsPlay(slot), 0);
    const float peak = Peak(out.Render(1000), 0, 0, 1000);
    EXPECT_GT(peak, 0.01f);
    EXPECT_LT(peak, 0.1f);
}

}  // namespace
}  // namespace vexo
