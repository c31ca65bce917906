// The peer scenarios: fills, keyed, clipped and stretched blits, palettes,
// the half-blend blit and the mirror and rotate effects, drawn through the
// graphics class on surfaces of explicit depths (the display's own depth
// differs between the systems). Colours are raw pixel values: no scenario
// goes through device contexts, so both systems draw exactly the same calls.
#include "tests/peer/Scenarios.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "common/DDraw.h"
#include "common/Error.h"
#include "draw/DX7Draw.h"

namespace vexo::peer {

namespace {

constexpr int32_t kSys = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;

uint32_t Mask(int32_t bpp) { return bpp == 32 ? 0x00FFFFFFu : (1u << bpp) - 1; }

// A pattern that never gives `avoid`, so a key placed by hand is the only
// key pixel.
uint32_t Pattern(int32_t x, int32_t y, int32_t bpp, uint32_t avoid = 0) {
    uint32_t v = (uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u * 97u) >> 5;
    v = (v + uint32_t(x) * 29 + uint32_t(y) * 131) & Mask(bpp);
    return v == avoid ? v ^ 1 : v;
}

struct Result {
    Ref<DirectDrawSurface7> shown;
    std::vector<int32_t> statuses;
};

class Scenarios {
public:
    Scenarios() {
        d_.DisplayDevice = d_.DxRoot->DirectDrawCreate("");
        d_.DisplayDevice->SetCooperativeLevel(0, DDSCL_NORMAL);
    }

    Ref<DirectDrawSurface7> Make(int32_t w, int32_t h, int32_t bpp) {
        DDSURFACEDESC2 d;
        d.lFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
        d.lWidth = w;
        d.lHeight = h;
        d.ddsCaps.lCaps = kSys;
        DDPIXELFORMAT& pf = d.ddpfPixelFormat;
        pf.lSize = int32_t(sizeof pf);
        pf.lFlags = DDPF_RGB | (bpp == 8 ? DDPF_PALETTEINDEXED8 : 0);
        pf.lRGBBitCount = bpp;
        if (bpp == 16) pf.lRBitMask = 0xF800, pf.lGBitMask = 0x07E0, pf.lBBitMask = 0x001F;
        if (bpp == 32) pf.lRBitMask = 0xFF0000, pf.lGBitMask = 0xFF00, pf.lBBitMask = 0xFF;
        return d_.DisplayDevice->CreateSurface(d);
    }

    template <class F>
    static void Paint(const Ref<DirectDrawSurface7>& s, F f) {
        RECT all;
        DDSURFACEDESC2 d;
        s->Lock(all, d, DDLOCK_WAIT, 0);
        for (int32_t y = 0; y < d.lHeight; ++y)
            for (int32_t x = 0; x < d.lWidth; ++x) s->SetLockedPixel(x, y, int32_t(f(x, y)));
        s->Unlock(all);
    }
    // A source of the pattern with `key` on every fifth diagonal, set as its
    // source colour key.
    Ref<DirectDrawSurface7> KeyedSource(int32_t w, int32_t h, int32_t bpp, uint32_t key) {
        auto s = Make(w, h, bpp);
        Paint(s, [&](int32_t x, int32_t y) { return (x + 2 * y) % 5 == 0 ? key : Pattern(x, y, bpp, key); });
        DDCOLORKEY k{int32_t(key), int32_t(key)};
        s->SetColorKey(DDCKEY_SRCBLT, k);
        return s;
    }
    Ref<DirectDrawSurface7> Background(int32_t w, int32_t h, int32_t bpp, uint32_t v) {
        auto s = Make(w, h, bpp);
        RECT all;
        s->BltColorFill(all, int32_t(v));
        return s;
    }
    // A palette surface 256 x 1 whose pixels are the entries as 0xRRGGBB.
    Ref<DirectDrawSurface7> PaletteImage(const Ref<DirectDrawPalette>& p) {
        std::vector<PALETTEENTRY> e(256);
        p->GetEntries(0, 256, e);
        auto s = Make(256, 1, 32);
        Paint(s, [&](int32_t x, int32_t) {
            const PALETTEENTRY& c = e[size_t(x)];
            return uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
        });
        return s;
    }

    DX7Draw& Draw() { return d_; }

private:
    DX7Draw d_;
};

using Scenario = std::function<Result(Scenarios&)>;

void Emit(std::ostream& out, const std::string& name, const Result& r) {
    RECT all;
    DDSURFACEDESC2 d;
    r.shown->Lock(all, d, DDLOCK_WAIT, 0);
    const int32_t bpp = d.ddpfPixelFormat.lRGBBitCount;
    out << "scenario " << name << ' ' << d.lWidth << ' ' << d.lHeight << ' ' << bpp << "\nstatus";
    for (int32_t s : r.statuses) out << ' ' << std::hex << uint32_t(s) << std::dec;
    out << '\n';
    for (int32_t y = 0; y < d.lHeight; ++y) {
        out << "row";
        for (int32_t x = 0; x < d.lWidth; ++x) out << ' ' << std::hex << uint32_t(r.shown->GetLockedPixel(x, y));
        out << std::dec << '\n';
    }
    r.shown->Unlock(all);
}

std::vector<std::pair<std::string, Scenario>> List() {
    std::vector<std::pair<std::string, Scenario>> list;
    auto add = [&](std::string name, Scenario s) { list.emplace_back(std::move(name), std::move(s)); };

    for (int32_t bpp : {8, 16, 32}) {
        const std::string b = std::to_string(bpp);
        add("fill_" + b, [bpp](Scenarios& s) {
            Result r{s.Make(16, 8, bpp), {}};
            RECT all, inner{2, 1, 9, 5}, bottom{0, 6, 16, 8}, outside{10, 2, 20, 4}, backwards{5, 5, 3, 7};
            r.statuses.push_back(r.shown->BltColorFill(all, 0x12345678));
            r.statuses.push_back(r.shown->BltColorFill(inner, int32_t(0xFFFFFFFF)));
            r.statuses.push_back(r.shown->BltColorFill(bottom, 0x0000A5C3));
            r.statuses.push_back(r.shown->BltColorFill(outside, 0x11));
            r.statuses.push_back(r.shown->BltColorFill(backwards, 0x22));
            return r;
        });
        add("blt_keyed_" + b, [bpp](Scenarios& s) {
            const uint32_t key = bpp == 16 ? 0xF81F : bpp == 8 ? 5 : 0xFF00FF;
            auto src = s.KeyedSource(12, 10, bpp, key);
            Result r{s.Background(20, 14, bpp, 0x3C & Mask(bpp)), {}};
            DX7Draw& d = s.Draw();
            r.statuses.push_back(d.DDBlt(src, r.shown, 1, 1, 8, 6, 3, 2, VB_TRUE));
            r.statuses.push_back(d.DDBlt(src, r.shown, 0, 0, 5, 5, 14, 8, VB_FALSE));
            Variant v = d.DDBltFast(src, r.shown, 2, 3, 6, 6, 12, 0, VB_TRUE);
            r.statuses.push_back(std::holds_alternative<int32_t>(v) ? std::get<int32_t>(v) : -1);
            // Outside the destination: refused, nothing drawn.
            r.statuses.push_back(d.DDBlt(src, r.shown, 0, 0, 8, 8, 16, 10, VB_TRUE));
            v = d.DDBltFast(src, r.shown, 0, 0, 8, 8, 16, 10, VB_TRUE);
            r.statuses.push_back(std::holds_alternative<int32_t>(v) ? std::get<int32_t>(v) : -1);
            return r;
        });
    }

    add("key32_top_byte", [](Scenarios& s) {
        auto src = s.Make(4, 1, 32);
        const uint32_t px[4] = {0x00FF00FF, 0xFFFF00FF, 0x01FF00FF, 0x00FF00FE};
        Scenarios::Paint(src, [&](int32_t x, int32_t) { return px[x]; });
        DDCOLORKEY k{0x00FF00FF, 0x00FF00FF};
        src->SetColorKey(DDCKEY_SRCBLT, k);
        Result r{s.Background(4, 1, 32, 0xEE), {}};
        r.statuses.push_back(s.Draw().DDBlt(src, r.shown, 0, 0, 4, 1, 0, 0, VB_TRUE));
        return r;
    });

    // A plain blit between surfaces of different depths.
    add("blt_between_depths", [](Scenarios& s) {
        auto src = s.KeyedSource(4, 2, 8, 0);
        Result r{s.Background(4, 2, 32, 0xEE), {}};
        RECT all;
        r.statuses.push_back(r.shown->Blt(all, src, all, 0));
        return r;
    });

    for (int32_t bpp : {8, 32}) {
        const std::string b = std::to_string(bpp);
        add("bltex_clipped_" + b, [bpp](Scenarios& s) {
            auto src = s.KeyedSource(10, 8, bpp, 0);
            Result r{s.Background(16, 12, bpp, 0x77), {}};
            DX7Draw& d = s.Draw();
            // Past each edge of the destination in turn, keyed and not.
            r.statuses.push_back(d.DDBltEX(src, r.shown, 0, 0, 10, 8, -3, -2, VB_TRUE));
            r.statuses.push_back(d.DDBltEX(src, r.shown, 1, 1, 8, 6, 11, 8, VB_FALSE));
            r.statuses.push_back(d.DDBltFastEX(src, r.shown, 0, 0, 10, 8, 12, -5, VB_TRUE));
            r.statuses.push_back(d.DDBltFastEX(src, r.shown, 2, 2, 0, 0, -4, 9, VB_TRUE));
            r.statuses.push_back(d.DDBltEX(src, r.shown, 0, 0, 4, 4, 20, 20, VB_TRUE));
            return r;
        });
    }

    // One stretch per ratio, so that each difference stays in its scenario.
    struct Ratio {
        int32_t sw, sh, dw, dh;
    };
    for (Ratio q : {Ratio{3, 3, 5, 5}, Ratio{5, 5, 3, 3}, Ratio{2, 2, 3, 3}, Ratio{3, 1, 8, 1}, Ratio{3, 3, 9, 9},
                    Ratio{4, 4, 6, 6}, Ratio{8, 4, 24, 12}, Ratio{7, 5, 16, 11}}) {
        const std::string n = "stretch_" + std::to_string(q.sw) + "x" + std::to_string(q.sh) + "_to_" +
                              std::to_string(q.dw) + "x" + std::to_string(q.dh);
        add(n, [q](Scenarios& s) {
            auto src = s.Make(q.sw, q.sh, 32);
            Scenarios::Paint(src, [](int32_t x, int32_t y) { return uint32_t((y + 1) * 16 + x + 1); });
            Result r{s.Background(q.dw + 2, q.dh + 2, 32, 0xEE), {}};
            r.statuses.push_back(s.Draw().DDStrechBlt(src, r.shown, 0, 0, q.sw, q.sh, q.dw, q.dh, 1, 1, VB_FALSE));
            return r;
        });
    }
    for (int32_t bpp : {8, 16}) {
        add("stretch_keyed_" + std::to_string(bpp), [bpp](Scenarios& s) {
            auto src = s.KeyedSource(6, 4, bpp, 3);
            Result r{s.Background(16, 10, bpp, 0x41), {}};
            r.statuses.push_back(s.Draw().DDStrechBlt(src, r.shown, 0, 0, 6, 4, 12, 8, 2, 1, VB_TRUE));
            r.statuses.push_back(s.Draw().DDStrechBlt(src, r.shown, 1, 1, 4, 2, 14, 6, 10, 7, VB_TRUE));
            return r;
        });
    }

    // Palettes: the entries as the platform holds them.
    add("palette_default", [](Scenarios& s) {
        Ref<DirectDrawPalette> p = s.Draw().DDCreateDefPalette();
        return Result{s.PaletteImage(p), {}};
    });
    add("palette_arrays", [](Scenarios& s) {
        VBArray<uint8_t> red(0, 255), green(0, 255), blue(0, 255);
        for (int32_t i = 0; i < 256; ++i) red(i) = uint8_t(i), green(i) = uint8_t(255 - i), blue(i) = uint8_t(i * 7);
        Ref<DirectDrawPalette> p = s.Draw().DDCreatePalette(red, green, blue);
        std::vector<PALETTEENTRY> ends = {{1, 2, 3, 0}, {4, 5, 6, 0}};
        p->SetEntries(0, 1, ends);
        p->SetEntries(255, 1, std::span(ends).subspan(1));
        return Result{s.PaletteImage(p), {}};
    });
    add("palette_fixed_ends", [](Scenarios& s) {
        std::vector<PALETTEENTRY> e(256, PALETTEENTRY{10, 20, 30, 0});
        Ref<DirectDrawPalette> p = s.Draw().DisplayDevice->CreatePalette(DDPCAPS_8BIT, e);
        std::vector<PALETTEENTRY> ends = {{1, 2, 3, 0}, {4, 5, 6, 0}};
        p->SetEntries(0, 1, ends);
        p->SetEntries(254, 2, ends);
        return Result{s.PaletteImage(p), {}};
    });
    add("palette_attached", [](Scenarios& s) {
        Ref<DirectDrawPalette> p = s.Draw().DDCreateDefPalette();
        auto surface = s.Make(4, 4, 8);
        s.Draw().DDSetPalette(surface, p);
        Ref<DirectDrawPalette> back = surface->GetPalette();
        std::vector<PALETTEENTRY> one = {{200, 100, 50, 0}};
        p->SetEntries(77, 1, one);  // seen through the attached reference too
        return Result{s.PaletteImage(back), {}};
    });
    add("palette_from_file", [](Scenarios& s) {
        // An 8-bit bitmap with a 5-entry colour table.
        std::vector<uint8_t> f = {'B', 'M'};
        auto put = [&](uint32_t v, int n) {
            for (int i = 0; i < n; ++i) f.push_back(uint8_t(v >> (8 * i)));
        };
        put(54 + 20 + 8, 4), put(0, 4), put(54 + 20, 4), put(40, 4), put(2, 4), put(2, 4), put(1, 2), put(8, 2);
        for (uint32_t v : {0u, 8u, 0u, 0u, 5u, 0u}) put(v, 4);
        for (uint32_t i = 0; i < 5; ++i) put(0x00302010u * (i + 1), 4);
        f.resize(f.size() + 8, 0);
        const auto path = std::filesystem::temp_directory_path() / "vexo_peer_palette.bmp";
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), std::streamsize(f.size()));
        Ref<DirectDrawPalette> p = s.Draw().DDCreatePaletteFromFile(path.string());
        std::filesystem::remove(path);
        return Result{s.PaletteImage(p), {}};
    });

    // The half-blend blit reads and writes through locks: a table of the
    // scenario's own, so the result depends on the locked bytes only.
    auto harf = [](Scenarios& s) {
        for (int dst = 0; dst < 256; ++dst)
            for (int src = 0; src < 256; ++src) s.Draw().HarfPalette[size_t(dst)][size_t(src)] = uint8_t((dst * 7 + src * 3) >> 2);
    };
    add("harf_transfer", [harf](Scenarios& s) {
        harf(s);
        auto src = s.KeyedSource(9, 7, 8, 0);
        Result r{s.Make(14, 10, 8), {}};
        Scenarios::Paint(r.shown, [](int32_t x, int32_t y) { return Pattern(y, x, 8); });
        Ref<DirectDrawPalette> none;
        int32_t w = 0, h = 0;
        DX7Draw& d = s.Draw();
        r.statuses.push_back(d.DDHarfTransferBlt(src, r.shown, none, 0, 0, w, h, 1, 1, VB_TRUE));
        r.statuses.push_back(w), r.statuses.push_back(h);
        w = 6, h = 5;
        r.statuses.push_back(d.DDHarfTransferBlt(src, r.shown, none, 2, 1, w, h, 10, 7, VB_FALSE));
        r.statuses.push_back(w), r.statuses.push_back(h);
        return r;
    });
    add("harf_onto_itself", [harf](Scenarios& s) {
        harf(s);
        Result r{s.KeyedSource(10, 6, 8, 9), {}};
        Ref<DirectDrawPalette> none;
        int32_t w = 6, h = 4;
        r.statuses.push_back(
            s.Draw().DDHarfTransferBlt(r.shown, r.shown, none, 0, 0, w, h, 3, 2, VB_TRUE));
        return r;
    });
    add("harf_stretch", [harf](Scenarios& s) {
        harf(s);
        auto src = s.KeyedSource(4, 3, 8, 0);
        Result r{s.Make(12, 10, 8), {}};
        Scenarios::Paint(r.shown, [](int32_t x, int32_t y) { return uint32_t(x * 16 + y); });
        Ref<DirectDrawPalette> none;
        s.Draw().DDHarfStrechBltEx(src, r.shown, none, 1, 1, 4, 3, 8, 6, 2, 2, VB_TRUE);
        return r;
    });

    // Mirror and rotate, each effect on its own, same size and scaled.
    struct Effect {
        const char* name;
        FX_Type fx;
    };
    for (int32_t bpp : {8, 32}) {
        for (Effect e : {Effect{"mirror_lr", MIRROR_LEFTRIGHT}, Effect{"mirror_ud", MIRROR_UPDOWN},
                         Effect{"rotate180", ROTATE180}, Effect{"rotate90", ROTATE90}, Effect{"rotate270", ROTATE270}}) {
            add(std::string("fx_") + e.name + "_" + std::to_string(bpp), [bpp, e](Scenarios& s) {
                auto src = s.Make(3, 3, bpp);
                Scenarios::Paint(src, [](int32_t x, int32_t y) { return (x == 1 && y == 1) ? 0u : uint32_t((y + 1) * 16 + x + 1); });
                Result r{s.Background(11, 5, bpp, 0xEE), {}};
                const FX_Type fx = e.fx;
                r.statuses.push_back(s.Draw().DDBitBltFX(src, r.shown, 0, 0, 3, 3, 3, 3, 1, 1, fx));
                r.statuses.push_back(s.Draw().DDBitBltFX(src, r.shown, 0, 0, 3, 3, 6, 3, 5, 1, fx));
                return r;
            });
        }
    }
    add("fx_rotate90_not_square", [](Scenarios& s) {
        auto src = s.Make(4, 2, 32);
        Scenarios::Paint(src, [](int32_t x, int32_t y) { return uint32_t((y + 1) * 16 + x + 1); });
        Result r{s.Background(6, 6, 32, 0xEE), {}};
        const FX_Type fx = ROTATE90;
        r.statuses.push_back(s.Draw().DDBitBltFX(src, r.shown, 0, 0, 4, 2, 2, 4, 1, 1, fx));
        return r;
    });
    return list;
}

}  // namespace

int DrawAll(std::ostream& out, std::ostream& log) {
    Scenarios s;
    int failed = 0;
    for (auto& [name, scenario] : List()) {
        try {
            const Result r = scenario(s);
            Emit(out, name, r);
            log << "ok    drawn " << name << '\n';
        } catch (const VbError& e) {
            log << "FAIL  " << name << " raised " << std::hex << uint32_t(e.number()) << std::dec << '\n';
            ++failed;
        }
    }
    return failed;
}

}  // namespace vexo::peer
