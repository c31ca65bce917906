// The typed half of each dual interface, reached through QueryInterface on an
// object made by the activation layer: the same conversions, write-back and
// errors as Invoke, one identity and one count with the IDispatch.
#include <gtest/gtest.h>

#include "common/Platform.h"
#include "draw/DX7DrawTyped.h"
#include "input/DXInputTyped.h"
#include "music/DXMusicTyped.h"
#include "sound/DX7SoundTyped.h"
#include "tests/com/ComClient.h"

namespace vexo::test {
namespace {

const char* const kLibs[] = {VEXO_DRAW_LIB, VEXO_INPUT_LIB, VEXO_SOUND_LIB, VEXO_MUSIC_LIB};

class ComDual : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* lib : kLibs) ASSERT_EQ(RegisterServer(lib), S_OK) << registry::LastError();
        wnd = CurrentPlatform().Windows().CreateAppWindow("dual", 0, 0, 320, 240, 0);
        ASSERT_NE(wnd, 0);
    }
    void TearDown() override {
        CurrentPlatform().Windows().DestroyAppWindow(wnd);
        for (const char* lib : kLibs) EXPECT_EQ(UnregisterServer(lib), S_OK);
    }
    // The typed pointer of `progId`'s default interface, after checking its
    // identity against the IDispatch and that both share one count.
    template <class I>
    I* Typed(const char* progId, Held<IDispatch>& disp) {
        EXPECT_EQ(CreateObject(progId, disp.out()), S_OK) << registry::LastError();
        if (!disp.p) return nullptr;
        const IID iid = IidOf(progId);
        I* typed = nullptr;
        EXPECT_EQ(disp->QueryInterface(iid, reinterpret_cast<void**>(&typed)), S_OK);
        if (!typed) return nullptr;
        EXPECT_NE(static_cast<void*>(typed), static_cast<void*>(disp.p));  // the typed vtable, not IDispatch's

        IUnknown* fromTyped = nullptr;
        IUnknown* fromDisp = nullptr;
        EXPECT_EQ(typed->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromTyped)), S_OK);
        EXPECT_EQ(disp->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&fromDisp)), S_OK);
        EXPECT_EQ(fromTyped, fromDisp);
        I* again = nullptr;
        EXPECT_EQ(fromTyped->QueryInterface(iid, reinterpret_cast<void**>(&again)), S_OK);
        EXPECT_EQ(again, typed);
        IDispatch* back = nullptr;
        EXPECT_EQ(typed->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&back)), S_OK);
        EXPECT_EQ(back, disp.p);
        void* none = reinterpret_cast<void*>(1);
        EXPECT_EQ(typed->QueryInterface(IID_IVexoPlatformObject, &none), E_NOINTERFACE);
        EXPECT_EQ(none, nullptr);
        // disp, typed, fromTyped, fromDisp, again, back: six references on one count.
        EXPECT_EQ(typed->AddRef(), 7u);
        EXPECT_EQ(disp->Release(), 6u);
        for (IUnknown* u : {static_cast<IUnknown*>(back), static_cast<IUnknown*>(again), fromDisp, fromTyped})
            u->Release();
        EXPECT_EQ(typed->AddRef(), 3u);
        EXPECT_EQ(typed->Release(), 2u);
        return typed;
    }
    static IID IidOf(const std::string& progId) {
        const char* text = progId == "VexoDX7Draw.DX7Draw"     ? "{5CDD21CA-ABA0-11D4-96A2-009099162206}"
                           : progId == "VexoDX7Input.DXInput"  ? "{73A01E44-18A9-11D4-96A2-009099162206}"
                           : progId == "VexoDX7Sound.DX7Sound" ? "{73A01E56-18A9-11D4-96A2-009099162206}"
                                                               : "{73A01E50-18A9-11D4-96A2-009099162206}";
        return MakeGuid(text);
    }
    TempRegistry reg;
    HWND wnd = 0;
};

TEST_F(ComDual, TypedEntriesRunTheDispatchPath) {
    const CLSID drawId = [] {
        CLSID c;
        CLSIDFromProgID("VexoDX7Draw.DX7Draw", &c);
        return c;
    }();
    WriteWave(reg.File("shot.wav"), 4410);
    {
        Held<IDispatch> disp;
        typed::_DX7Draw* draw = Typed<typed::_DX7Draw>("VexoDX7Draw.DX7Draw", disp);
        ASSERT_TRUE(draw);
        disp.reset();  // the typed pointer alone keeps the object
        EXPECT_EQ(CanUnloadNow(drawId), S_FALSE);

        int32_t h = wnd, w = 320, ht = 240, flags = 0;
        IDispatch* back = nullptr;
        ASSERT_EQ(draw->DDSetup(&h, &w, &ht, &flags, nullptr, &back), S_OK);  // nBitDepth omitted
        ASSERT_TRUE(back);
        int32_t width = 0;
        EXPECT_EQ(draw->DDGetSurfaceWidth(&back, &width), S_OK);
        EXPECT_EQ(width, 320);
        int32_t sw = 16, sh = 8;
        IDispatch* sprite = nullptr;
        ASSERT_EQ(draw->DDCreateSurface(&sw, &sh, &sprite), S_OK);
        int32_t filled = -1;
        EXPECT_EQ(draw->DDFillRect(&sprite, 0, 0, 0, 0, 0xFF, &filled), S_OK);
        EXPECT_EQ(filled, 0);
        int32_t blt = -1;
        EXPECT_EQ(draw->DDBlt(&sprite, &back, 0, 0, 16, 8, 4, 4, VARIANT_TRUE, &blt), S_OK);
        // The same answer as the call by name through the same pointer.
        Outcome named = Call(draw, "DDBlt", {Obj(sprite), Obj(back), MakeI4(0), MakeI4(0), MakeI4(16), MakeI4(8),
                                             MakeI4(4), MakeI4(4), MakeBool(true)});
        EXPECT_EQ(named.hr, S_OK);
        EXPECT_EQ(blt, named.Long());
        // A null reference for a required parameter is refused, not read.
        EXPECT_EQ(draw->DDGetSurfaceWidth(nullptr, &width), DISP_E_PARAMNOTOPTIONAL);
        EXPECT_EQ(draw->DDGetSurfaceWidth(&back, nullptr), E_POINTER);

        // The raised error is the status, its text kept for the caller.
        IDispatch* empty = nullptr;
        IDispatch* palette = nullptr;
        EXPECT_EQ(draw->DDCreateDefPalette(&palette), S_OK);
        ASSERT_TRUE(palette);
        EXPECT_EQ(uint32_t(draw->DDSetPalette(&empty, &palette)), 0x800A005Bu);
        EXCEPINFO e;
        ASSERT_TRUE(TakeTypedError(&e));
        EXPECT_EQ(Utf8FromBstr(e.bstrDescription), "Object variable or With block variable not set");
        EXPECT_EQ(Utf8FromBstr(e.bstrSource), "VexoDX7Draw.DX7Draw");
        ClearExcepInfo(&e);
        EXPECT_FALSE(TakeTypedError(&e));  // taken once
        // Every coordinate of the half-transparent blit is a reference: the
        // size comes back as used, the corners as they were.
        int32_t sx = 2, sy = 1, hw = 100, hh = 100, dx = 5, dy = 6, harf = -1;
        EXPECT_EQ(draw->DDHarfTransferBlt(&sprite, &back, &palette, &sx, &sy, &hw, &hh, &dx, &dy, VARIANT_FALSE, &harf),
                  S_OK);
        EXPECT_EQ(harf, 0);
        EXPECT_EQ(hw, 14);
        EXPECT_EQ(hh, 7);
        EXPECT_EQ(sx + sy + dx + dy, 2 + 1 + 5 + 6);
        // By name, a script's variables in VARIANT references come back as
        // the declared Long: the size as used, the corner as it was.
        VARIANT vx = MakeI2(2), vw = MakeI2(100);
        Outcome named2 = Call(draw, "DDHarfTransferBlt",
                              {Obj(sprite), Obj(back), Obj(palette), MakeByRef(VT_VARIANT, &vx), MakeI4(1),
                               MakeByRef(VT_VARIANT, &vw), MakeI4(100), MakeI4(5), MakeI4(6), MakeBool(false)});
        EXPECT_EQ(named2.Long(), 0);
        EXPECT_EQ(vw.vt, VT_I4);
        EXPECT_EQ(vw.lVal, 14);
        EXPECT_EQ(vx.vt, VT_I4);
        EXPECT_EQ(vx.lVal, 2);
        // Optional references given explicitly.
        int32_t stop = 0;
        uint8_t key = 0;
        VARIANT_BOOL events = 0;
        EXPECT_EQ(draw->TimeStopper(&stop, &events, &key), S_OK);

        EXPECT_EQ(draw->DDClose(), S_OK);
        for (IDispatch* o : {back, sprite, palette}) o->Release();
        EXPECT_EQ(draw->Release(), 0u);
    }
    EXPECT_EQ(CanUnloadNow(drawId), S_OK);
    {
        Held<IDispatch> disp;
        typed::_DX7Sound* sound = Typed<typed::_DX7Sound>("VexoDX7Sound.DX7Sound", disp);
        ASSERT_TRUE(sound);
        // Corrected arguments come back through the pointers; Channels omitted.
        int32_t hz = 12345, bits = 12, result = -1;
        EXPECT_EQ(sound->DsSetup(wnd, &hz, &bits, nullptr, &result), S_OK);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(hz, 22050);
        EXPECT_EQ(bits, 8);
        int32_t ch = 5;
        EXPECT_EQ(sound->DsSetup(wnd, nullptr, nullptr, &ch, &result), S_OK);
        EXPECT_EQ(ch, 2);
        int32_t slot = 7, buffers = 2;
        BSTR file = BstrFromUtf8(reg.File("shot.wav"));
        EXPECT_EQ(sound->DsCreate(&slot, file, &buffers, &result), S_OK);
        SysFreeString(file);
        EXPECT_EQ(result, 0);
        EXPECT_EQ(sound->DsPlay(&slot, nullptr, &result), S_OK);
        EXPECT_EQ(result, 0);
        int32_t bad = -1;
        EXPECT_EQ(uint32_t(sound->DsFree(&bad)), 0x800A0009u);  // subscript out of range
        EXCEPINFO e;
        ASSERT_TRUE(TakeTypedError(&e));
        EXPECT_EQ(Utf8FromBstr(e.bstrDescription), "Subscript out of range");
        ClearExcepInfo(&e);
        EXPECT_EQ(sound->DsClose(), S_OK);
        sound->Release();
    }
    {
        Held<IDispatch> disp;
        typed::_DXInput* input = Typed<typed::_DXInput>("VexoDX7Input.DXInput", disp);
        ASSERT_TRUE(input);
        input->Release();
    }
    {
        Held<IDispatch> disp;
        typed::_DXMusic* music = Typed<typed::_DXMusic>("VexoDX7Music.DXMusic", disp);
        ASSERT_TRUE(music);
        int32_t result = -1;
        EXPECT_EQ(music->DMSetup(&result), S_OK);
        EXPECT_EQ(result, 0);
        int32_t none = 100;
        EXPECT_EQ(music->DMPlay(&none, nullptr, nullptr, &result), S_OK);
        EXPECT_EQ(result, 9);
        music->Release();
    }
}

}  // namespace
}  // namespace vexo::test
