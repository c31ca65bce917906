// The half-blend table: the mix, the nearest-colour search, the table file,
// and the half-transparent blit on real 8-bit surfaces.
#include <cmath>
#include <cstring>

#include "PaletteTestUtil.h"
#include "draw/HarfTable.h"

namespace vexo::paltest {
namespace {

using namespace vexo::status;
using Table = std::array<std::array<uint8_t, 256>, 256>;

// The build exactly as described, written apart from the library: integer
// half-to-even mix, the strict comparison, the stop below 5.
Table ReferenceTable(const Entries& a, const Entries& b) {
    auto half = [](int sum) { return sum / 2 + ((sum & 1) && ((sum / 2) & 1)); };
    Table t{};
    for (int d = 0; d < 256; ++d)
        for (int s = 0; s < 256; ++s) {
            const int mr = half(a[size_t(d)].red + b[size_t(s)].red);
            const int mg = half(a[size_t(d)].green + b[size_t(s)].green);
            const int mb = half(a[size_t(d)].blue + b[size_t(s)].blue);
            int best = 765, idx = 0;
            for (int k = 0; k < 256; ++k) {
                const int dist = std::abs(a[size_t(k)].red - mr) + std::abs(a[size_t(k)].green - mg) +
                                 std::abs(a[size_t(k)].blue - mb);
                if (dist < best) best = dist, idx = k;
                if (best < 5) break;
            }
            t[size_t(d)][size_t(s)] = uint8_t(idx);
        }
    return t;
}

// The first entry where two tables differ, for readable failures.
::testing::AssertionResult SameTable(const Table& got, const Table& want) {
    for (int d = 0; d < 256; ++d)
        for (int s = 0; s < 256; ++s)
            if (got[size_t(d)][size_t(s)] != want[size_t(d)][size_t(s)])
                return ::testing::AssertionFailure() << "entry (" << d << ", " << s << ") is "
                                                     << int(got[size_t(d)][size_t(s)]) << ", expected "
                                                     << int(want[size_t(d)][size_t(s)]);
    return ::testing::AssertionSuccess();
}

Entries RandomPalette(uint32_t seed) {
    Lcg r(seed);
    Entries e(256);
    for (auto& p : e) p = {r.Byte(), r.Byte(), r.Byte(), 0};
    return e;
}

harf::Palette Arr(const Entries& e) {
    harf::Palette p{};
    std::copy(e.begin(), e.end(), p.begin());
    return p;
}

class Harf : public Draw8 {
protected:
    // Builds the table from screen palette `a` (attached to the primary)
    // and source palette `b`, saving it to `file`.
    int32_t Build(const Entries& a, const Entries& b, const std::string& file = "table.bin") {
        Ref<DirectDrawPalette> pa = Palette(a), pb = Palette(b);
        EXPECT_EQ(dd.DDPrimarySetPalette(pa), 0);
        return dd.DDSaveHarfPalette(Path(file), pb);
    }
};

TEST(HarfMix, ChannelsRoundHalfToEven) {
    EXPECT_EQ(harf::MixChannel(1, 2), 2);      // 1.5
    EXPECT_EQ(harf::MixChannel(3, 2), 2);      // 2.5
    EXPECT_EQ(harf::MixChannel(5, 6), 6);      // 5.5
    EXPECT_EQ(harf::MixChannel(254, 255), 254);  // 254.5
    EXPECT_EQ(harf::MixChannel(255, 255), 255);
    EXPECT_EQ(harf::MixChannel(0, 1), 0);      // 0.5
}

TEST(HarfMix, NothingCloserThan765MapsToIndexZero) {
    harf::Palette white{};
    white.fill(PALETTEENTRY{255, 255, 255, 0});
    EXPECT_EQ(harf::Nearest(white, PALETTEENTRY{0, 0, 0, 0}), 0);
    white[5] = {255, 255, 254, 0};  // 764: strictly closer
    EXPECT_EQ(harf::Nearest(white, PALETTEENTRY{0, 0, 0, 0}), 5);
}

TEST_F(Harf, MixesRoundHalfToEvenInTheTable) {
    Open();
    // Entries placed so that each rounding rule lands on another index:
    // half to even gives (2, 4, 6) = index 3 for both pairs below; rounding
    // half up would give (3, 5, 7) -> index 1 for the second, truncating
    // (1, 3, 5) -> index 2 for the first.
    Entries a(256, PALETTEENTRY{250, 250, 250, 0});
    a[1] = {3, 5, 10, 0};  // 6 from (2, 4, 6), 3 from (3, 5, 7)
    a[2] = {1, 3, 9, 0};   // 5 from (2, 4, 6), 4 from (1, 3, 5)
    a[3] = {2, 4, 6, 0};
    a[10] = {1, 3, 5, 0};
    a[11] = {3, 5, 7, 0};
    Entries b(256, PALETTEENTRY{250, 250, 250, 0});
    b[20] = {2, 4, 6, 0};
    ASSERT_EQ(Build(a, b), 0);
    EXPECT_EQ(dd.HarfPalette[10][20], 3);  // (1.5, 3.5, 5.5)
    EXPECT_EQ(dd.HarfPalette[11][20], 3);  // (2.5, 4.5, 6.5)
    EXPECT_EQ(dd.HarfPalette[3][20], 3);
}

TEST_F(Harf, SearchStopsBelowFiveAndKeepsTheLowestOfEqualDistances) {
    Open();
    Entries a(256, PALETTEENTRY{255, 0, 255, 0});
    // Mix (100, 100, 100): indices 0..9 at 5 or more, 10 at 3, 20 exact.
    for (int k = 0; k < 10; ++k) a[size_t(k)] = {uint8_t(105 + k), 100, 100, 0};
    a[10] = {103, 100, 100, 0};
    a[20] = {100, 100, 100, 0};
    // Mix (50, 50, 50) from 42 and the source: 40, 41 and 42 all at 10,
    // 43 at 11.
    a[40] = {50, 60, 50, 0};
    a[41] = {60, 50, 50, 0};
    a[42] = {40, 50, 50, 0};
    a[43] = {50, 50, 61, 0};
    Entries b(256, PALETTEENTRY{255, 0, 255, 0});
    b[0] = {100, 100, 100, 0};
    b[1] = {60, 50, 50, 0};
    ASSERT_EQ(Build(a, b), 0);
    EXPECT_EQ(dd.HarfPalette[20][0], 10);
    EXPECT_EQ(dd.HarfPalette[42][1], 40);
    EXPECT_TRUE(SameTable(dd.HarfPalette, ReferenceTable(a, b)));
}

TEST_F(Harf, EveryBuildPathGivesTheTableOfThePlainSearch) {
    Open();
    Ref<DirectDrawPalette> def = dd.DDCreateDefPalette();
    const Entries defEntries = EntriesOf(def);
    Entries grey(256), dup(256), black(256), ramp(256);
    for (int i = 0; i < 256; ++i) {
        grey[size_t(i)] = {uint8_t(i), uint8_t(i), uint8_t(i), 0};
        dup[size_t(i)] = {uint8_t(i & 0xF0), uint8_t(i & 0xF0), uint8_t(i & 0xC0), 0};
        ramp[size_t(i)] = {uint8_t(i), uint8_t(255 - i), uint8_t(i * 3), 0};
    }
    struct Case {
        const char* name;
        Entries a, b;
    } cases[] = {
        {"random", RandomPalette(1), RandomPalette(2)},
        {"default 3-3-2", defEntries, defEntries},
        {"grey over random", grey, RandomPalette(3)},
        {"duplicates", dup, ramp},
        {"black screen", black, ramp},
        {"ramp over duplicates", ramp, dup},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Table want = ReferenceTable(c.a, c.b);
        for (auto [path, name] : {std::pair{harf::Path::Plain, "plain"}, std::pair{harf::Path::Avx2, "AVX2"},
                                  std::pair{harf::Path::Avx512, "AVX-512"}}) {
            if (!harf::Available(path)) continue;
            Table t{};
            harf::BuildTable(Arr(c.a), Arr(c.b), t, path);
            EXPECT_TRUE(SameTable(t, want)) << name;
        }
        ASSERT_EQ(Build(c.a, c.b), 0);
        EXPECT_TRUE(SameTable(dd.HarfPalette, want)) << "DDSaveHarfPalette";
    }
}

TEST_F(Harf, SaveAndLoadCarryTheTableByteForByte) {
    Open();
    const Entries a = RandomPalette(7), b = RandomPalette(8);
    ASSERT_EQ(Build(a, b, "new.bin"), 0);
    const Bytes file = ReadFile(Path("new.bin"));
    ASSERT_EQ(file.size(), 65536u);
    EXPECT_EQ(0, std::memcmp(file.data(), &dd.HarfPalette[0][0], 65536)) << "d outer, s inner";

    DX7Draw other;
    EXPECT_EQ(other.DDLoadHarfPalette(Path("new.bin")), 0);
    EXPECT_TRUE(SameTable(other.HarfPalette, dd.HarfPalette));

    // A longer file keeps its bytes beyond the table; nothing is truncated.
    WriteFile(Path("long.bin"), Bytes(70000, 0xAB));
    ASSERT_EQ(Build(a, b, "long.bin"), 0);
    const Bytes longer = ReadFile(Path("long.bin"));
    ASSERT_EQ(longer.size(), 70000u);
    EXPECT_EQ(0, std::memcmp(longer.data(), &dd.HarfPalette[0][0], 65536));
    EXPECT_EQ(Bytes(longer.begin() + 65536, longer.end()), Bytes(70000 - 65536, 0xAB));
}

TEST_F(Harf, LoadingCreatesMissingFilesAndKeepsWhatItCannotRead) {
    DX7Draw t;
    for (int d = 0; d < 256; ++d) t.HarfPalette[size_t(d)].fill(uint8_t(d));
    const Table before = t.HarfPalette;

    // Missing: created empty, nothing read, nothing changed.
    EXPECT_EQ(t.DDLoadHarfPalette(Path("missing.bin")), 0);
    EXPECT_TRUE(std::filesystem::exists(Path("missing.bin")));
    EXPECT_EQ(std::filesystem::file_size(Path("missing.bin")), 0u);
    EXPECT_TRUE(SameTable(t.HarfPalette, before));

    // Short: the entries it holds replace theirs, the others keep theirs.
    WriteFile(Path("short.bin"), Bytes(1000, 0x11));
    EXPECT_EQ(t.DDLoadHarfPalette(Path("short.bin")), 0);
    Table want = before;
    for (int i = 0; i < 1000; ++i) want[size_t(i / 256)][size_t(i % 256)] = 0x11;
    EXPECT_TRUE(SameTable(t.HarfPalette, want));
    EXPECT_EQ(std::filesystem::file_size(Path("short.bin")), 1000u);

    // Unopenable paths: an error number, the table as it was.
    EXPECT_NE(t.DDLoadHarfPalette(dir), 0);
    EXPECT_NE(t.DDLoadHarfPalette(Path("no/such/dir/x.bin")), 0);
    EXPECT_TRUE(SameTable(t.HarfPalette, want));
}

TEST_F(Harf, FailedSaveStillBuildsTheTable) {
    Open();
    const Entries a = RandomPalette(11), b = RandomPalette(12);
    Ref<DirectDrawPalette> pa = Palette(a), pb = Palette(b);
    ASSERT_EQ(dd.DDPrimarySetPalette(pa), 0);
    EXPECT_NE(dd.DDSaveHarfPalette(Path("no/such/dir/t.bin"), pb), 0);
    EXPECT_TRUE(SameTable(dd.HarfPalette, ReferenceTable(a, b)));

    // No source palette: a black source list, a nonzero result, and the
    // table written all the same.
    Ref<DirectDrawPalette> none;
    EXPECT_EQ(dd.DDSaveHarfPalette(Path("nosource.bin"), none), ERR_OBJECT_NOT_SET);
    EXPECT_TRUE(SameTable(dd.HarfPalette, ReferenceTable(a, Entries(256))));
    EXPECT_EQ(ReadFile(Path("nosource.bin")).size(), 65536u);

    // No palette on the primary: the screen list is black, every mix maps
    // to index 0.
    Ref<DirectDrawPalette> detach;
    ASSERT_EQ(dd.DDPrimarySetPalette(detach), 0);
    // The failed query leaves no palette to read: the last error is the
    // call through the empty reference.
    EXPECT_EQ(dd.DDSaveHarfPalette(Path("noscreen.bin"), pb), ERR_OBJECT_NOT_SET);
    EXPECT_TRUE(SameTable(dd.HarfPalette, Table{}));
    EXPECT_EQ(ReadFile(Path("noscreen.bin")), Bytes(65536, 0));
}

// --- The half-transparent blit ----------------------------------------------

uint8_t T(int d, int s) { return uint8_t(d * 7 + s * 13 + 1); }

class HarfBlt : public Draw8 {
protected:
    void SetUp() override {
        Draw8::SetUp();
        Open();
        for (int d = 0; d < 256; ++d)
            for (int s = 0; s < 256; ++s) dd.HarfPalette[size_t(d)][size_t(s)] = T(d, s);
    }
    static int Src(int x, int y) { return (x + 16 * y + 1) & 0xFF; }
    static int Dst(int x, int y) { return (100 + x + 40 * y) & 0xFF; }
    Ref<DirectDrawSurface7> Source(int w = 16, int h = 8) {
        Ref<DirectDrawSurface7> s = Surface(w, h);
        Paint(s, Src);
        return s;
    }
    Ref<DirectDrawSurface7> Dest(int w, int h) {
        Ref<DirectDrawSurface7> s = Surface(w, h);
        Paint(s, Dst);
        return s;
    }
    Ref<DirectDrawPalette> unused;
};

TEST_F(HarfBlt, DefaultSizeIsTheSourceCutToBothFarEdges) {
    Ref<DirectDrawSurface7> src = Source(), dst = Dest(12, 6);
    int32_t w = 0, h = 0;
    EXPECT_EQ(dd.DDHarfTransferBlt(src, dst, unused, 0, 0, w, h, 0, 0, VB_FALSE), 0);
    EXPECT_EQ(w, 12);
    EXPECT_EQ(h, 6);
    EXPECT_TRUE(PixelsAre(dst, 12, [](int x, int y) { return T(Dst(x, y), Src(x, y)); }));

    // Reaching exactly to the source's edge keeps the size; one more is cut.
    Ref<DirectDrawSurface7> big = Dest(40, 20);
    w = 12, h = 5;
    dd.DDHarfTransferBlt(src, big, unused, 4, 3, w, h, 0, 0, VB_FALSE);
    EXPECT_EQ(w, 12);
    EXPECT_EQ(h, 5);
    w = 13, h = 6;
    dd.DDHarfTransferBlt(src, big, unused, 4, 3, w, h, 0, 0, VB_FALSE);
    EXPECT_EQ(w, 12);
    EXPECT_EQ(h, 5);
    // Wholly past the destination: nothing left, nothing drawn.
    Ref<DirectDrawSurface7> small = Dest(12, 6);
    w = 4, h = 4;
    EXPECT_EQ(dd.DDHarfTransferBlt(src, small, unused, 0, 0, w, h, 15, 2, VB_FALSE), 0);
    EXPECT_EQ(w, -3);
    EXPECT_TRUE(PixelsAre(small, 12, Dst));
}

TEST_F(HarfBlt, PixelsOutsideEitherSurfaceAreSkipped) {
    Ref<DirectDrawSurface7> src = Source(), dst = Dest(12, 6);
    // Negative destination corner: only what lands inside is drawn, unshifted.
    int32_t w = 8, h = 4;
    dd.DDHarfTransferBlt(src, dst, unused, 2, 1, w, h, -3, -2, VB_FALSE);
    EXPECT_EQ(w, 8);
    EXPECT_TRUE(PixelsAre(dst, 12, [](int x, int y) {
        return x < 5 && y < 2 ? T(Dst(x, y), Src(x + 5, y + 3)) : Dst(x, y);
    }));
    // Negative source corner: the columns and rows before the source are skipped.
    Ref<DirectDrawSurface7> d2 = Dest(12, 6);
    w = 6, h = 3;
    dd.DDHarfTransferBlt(src, d2, unused, -2, -1, w, h, 4, 2, VB_FALSE);
    EXPECT_TRUE(PixelsAre(d2, 12, [](int x, int y) {
        const bool in = x >= 6 && x < 10 && y >= 3 && y < 5;
        return in ? T(Dst(x, y), Src(x - 6, y - 3)) : Dst(x, y);
    }));
}

TEST_F(HarfBlt, KeyColourIsTheSourcesTopLeftPixelWhenExactlyTrue) {
    Ref<DirectDrawSurface7> src = Source();
    // Plant the key colour (the value at (0, 0)) inside the rectangle.
    const int key = Src(0, 0);
    auto keyed = [&](int x, int y) { return (x + y) % 3 == 0 ? key : Src(x, y); };
    Paint(src, keyed);
    Ref<DirectDrawSurface7> a = Dest(12, 6), b = Dest(12, 6);
    int32_t w = 8, h = 4;
    dd.DDHarfTransferBlt(src, a, unused, 4, 2, w, h, 1, 1);  // default: True
    EXPECT_TRUE(PixelsAre(a, 12, [&](int x, int y) {
        if (x < 1 || x >= 9 || y < 1 || y >= 5) return Dst(x, y);
        const int s = keyed(x + 3, y + 1);
        return s == key ? Dst(x, y) : T(Dst(x, y), s);
    }));
    // Any other nonzero value draws every pixel.
    w = 8, h = 4;
    dd.DDHarfTransferBlt(src, b, unused, 4, 2, w, h, 1, 1, 1);
    EXPECT_TRUE(PixelsAre(b, 12, [&](int x, int y) {
        if (x < 1 || x >= 9 || y < 1 || y >= 5) return Dst(x, y);
        return int(T(Dst(x, y), keyed(x + 3, y + 1)));
    }));
}

TEST_F(HarfBlt, OneSurfaceBlendsWithItselfAsItWasBefore) {
    Ref<DirectDrawSurface7> s = Source();
    int32_t w = 8, h = 4;
    dd.DDHarfTransferBlt(s, s, unused, 0, 0, w, h, 2, 1, VB_FALSE);
    EXPECT_TRUE(PixelsAre(s, 16, [](int x, int y) {
        const bool in = x >= 2 && x < 10 && y >= 1 && y < 5;
        return in ? T(Src(x, y), Src(x - 2, y - 1)) : Src(x, y);
    }));
}

TEST_F(HarfBlt, SurfacesThatCannotBeLockedChangeNothing) {
    Ref<DirectDrawSurface7> src = Source(), dst = Dest(12, 6), none;
    // The caller holds the destination's lock: the blit reports it, draws
    // nothing and leaves that lock alone.
    RECT whole{};
    DDSURFACEDESC2 d{};
    dst->Lock(whole, d, DDLOCK_WAIT, 0);
    int32_t w = 4, h = 4;
    EXPECT_EQ(dd.DDHarfTransferBlt(src, dst, unused, 0, 0, w, h, 0, 0, VB_FALSE), DDERR_SURFACEBUSY);
    EXPECT_EQ(ErrorOf([&] { dst->Unlock(whole); }), 0);
    EXPECT_TRUE(PixelsAre(dst, 12, Dst));
    // No source: nothing drawn, and the destination is not left locked.
    w = 4, h = 4;
    EXPECT_EQ(dd.DDHarfTransferBlt(none, dst, unused, 0, 0, w, h, 0, 0, VB_FALSE), ERR_OBJECT_NOT_SET);
    EXPECT_TRUE(PixelsAre(dst, 12, Dst));
    // A source the caller has locked is not unlocked by the blit either.
    src->Lock(whole, d, DDLOCK_WAIT, 0);
    EXPECT_EQ(dd.DDHarfTransferBlt(src, dst, unused, 0, 0, w, h, 0, 0, VB_FALSE), DDERR_SURFACEBUSY);
    EXPECT_EQ(ErrorOf([&] { src->Unlock(whole); }), 0);
    EXPECT_TRUE(PixelsAre(dst, 12, Dst));
}

TEST_F(HarfBlt, EntireSurfaceLockGivesABoundsCheckedByteArray) {
    Ref<DirectDrawSurface7> s = Source(), none;
    ASSERT_EQ(DX7DrawTestAccess::Lock(dd, s), 0);
    EXPECT_EQ(DX7DrawTestAccess::Lock(dd, s), DDERR_SURFACEBUSY);
    LockedArray a = s->GetLockedArray();
    EXPECT_EQ(a.Width(), 16);
    EXPECT_EQ(a.Height(), 8);
    EXPECT_EQ(a(3, 2), Src(3, 2));  // (column, row)
    a(1, 1) = 77;
    EXPECT_EQ(ErrorOf([&] { a(16, 0); }), ERR_SUBSCRIPT);
    EXPECT_EQ(ErrorOf([&] { a(0, 8); }), ERR_SUBSCRIPT);
    EXPECT_EQ(ErrorOf([&] { a(-1, 0); }), ERR_SUBSCRIPT);
    EXPECT_EQ(DX7DrawTestAccess::Unlock(dd, s), 0);
    EXPECT_EQ(DX7DrawTestAccess::Unlock(dd, s), DDERR_NOTLOCKED);
    EXPECT_EQ(Pixels(s)[1 * 16 + 1], 77);
    EXPECT_EQ(ErrorOf([&] { s->GetLockedArray(); }), DDERR_NOTLOCKED);
    EXPECT_EQ(DX7DrawTestAccess::Lock(dd, none), ERR_OBJECT_NOT_SET);
    EXPECT_EQ(DX7DrawTestAccess::Unlock(dd, none), ERR_OBJECT_NOT_SET);
}

}  // namespace
}  // namespace vexo::paltest
