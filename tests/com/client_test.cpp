// A game driving the four components as a script host would: each object is
// created by program identifier through the activation layer and every call
// goes through IDispatch by name. The test links no component library; the
// window and the key press come from the host platform.
#include <gtest/gtest.h>

#include "common/DInput.h"
#include "common/Platform.h"
#include "platform/input/VirtualInput.h"
#include "tests/com/ComClient.h"

namespace vexo::test {
namespace {

const char* const kLibraries[] = {VEXO_DRAW_LIB, VEXO_INPUT_LIB, VEXO_SOUND_LIB, VEXO_MUSIC_LIB};

class ComClient : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* lib : kLibraries) ASSERT_EQ(RegisterServer(lib), S_OK) << registry::LastError();
        wnd = CurrentPlatform().Windows().CreateAppWindow("com", 0, 0, 640, 480, 0);
        ASSERT_NE(wnd, 0);
    }
    void TearDown() override {
        CurrentPlatform().Windows().DestroyAppWindow(wnd);
        for (const char* lib : kLibraries) EXPECT_EQ(UnregisterServer(lib), S_OK);
    }
    IDispatch* Create(const char* progId) {
        IDispatch* d = nullptr;
        EXPECT_EQ(CreateObject(progId, &d), S_OK) << registry::LastError();
        return d;
    }
    static CLSID Clsid(const char* progId) {
        CLSID c;
        EXPECT_EQ(CLSIDFromProgID(progId, &c), S_OK);
        return c;
    }
    TempRegistry reg;
    HWND wnd = 0;
};

TEST_F(ComClient, AGameDrawsReadsAKeyAndPlaysSoundAndMusic) {
    const CLSID drawId = Clsid("VexoDX7Draw.DX7Draw");
    const CLSID soundId = Clsid("VexoDX7Sound.DX7Sound");
    WriteWave(reg.File("shot.wav"), 4410);
    WriteMidi(reg.File("tune.mid"));
    {
        Held<IDispatch> draw(Create("VexoDX7Draw.DX7Draw"));
        ASSERT_TRUE(draw.p);
        EXPECT_EQ(CanUnloadNow(drawId), S_FALSE);

        // The display: its back buffer comes back as an object we hold.
        Outcome setup = Call(draw.p, "DDSetup", {MakeI4(wnd), MakeI4(640), MakeI4(480), MakeI4(0)});
        ASSERT_EQ(setup.hr, S_OK);
        Held<IDispatch> back(TakeObject(setup));
        ASSERT_TRUE(back.p);
        EXPECT_EQ(Call(back.p, "Anything").hr, DISP_E_UNKNOWNNAME);
        EXPECT_EQ(Call(draw.p, "ddgetsurfacewidth", {Obj(back.p)}).Long(), 640);  // names in any case

        Outcome made = Call(draw.p, "DDCreateSurface", {MakeBstr("32"), MakeR8(31.5)});  // text and a rounded double
        Held<IDispatch> sprite(TakeObject(made));
        ASSERT_TRUE(sprite.p);
        EXPECT_EQ(Call(draw.p, "DDGetSurfaceHeight", {Obj(sprite.p)}).Long(), 32);
        EXPECT_EQ(Call(draw.p, "DDFillRect", {Obj(sprite.p), MakeI4(0), MakeI4(0), MakeI4(0), MakeI4(0),
                                              MakeI4(0x0000FF)}).Long(), 0);
        // bTransparent omitted twice over: left off the end, and passed as missing.
        Outcome fast = Call(draw.p, "DDBltFast", {Obj(sprite.p), Obj(back.p), MakeI4(0), MakeI4(0), MakeI4(32),
                                                  MakeI4(32), MakeI4(10), MakeI4(10)});
        EXPECT_EQ(fast.hr, S_OK);
        EXPECT_EQ(fast.Long(), 0);
        auto blt = [&](VARIANT transparent) {
            return Call(draw.p, "DDBlt", {Obj(sprite.p), Obj(back.p), MakeI4(0), MakeI4(0), MakeI4(32), MakeI4(32),
                                          MakeI4(50), MakeI4(50), transparent}).Long();
        };
        // The sprite has no colour key: a keyed blit fails, a plain one does not,
        // and the omitted argument is the keyed default (True).
        EXPECT_EQ(blt(MakeBool(false)), 0);
        EXPECT_NE(blt(MakeBool(true)), 0);
        EXPECT_EQ(blt(Missing()), blt(MakeBool(true)));
        EXPECT_EQ(Call(draw.p, "DDFlip").hr, S_OK);

        // Byte arrays arrive with their bounds: 0 To 255 makes a palette, 0 To 254 none.
        Outcome pal = Call(draw.p, "DDCreatePalette", {Bytes(0, 255, 10), Bytes(0, 255, 20), Bytes(0, 255, 30)});
        Held<IDispatch> palette(TakeObject(pal));
        EXPECT_TRUE(palette.p);
        Outcome none = Call(draw.p, "DDCreatePalette", {Bytes(0, 255, 1), Bytes(0, 254, 1), Bytes(0, 255, 1)});
        EXPECT_EQ(none.result.vt, VT_DISPATCH);
        EXPECT_EQ(none.result.pdispVal, nullptr);

        // Arrays as a compiled client passes them: by reference.
        VARIANT red = Bytes(0, 255, 1), green = Bytes(0, 255, 2), blue = Bytes(0, 255, 3);
        Outcome byRef = Call(draw.p, "DDCreatePalette", {MakeByRef(VT_ARRAY | VT_UI1, &red.parray),
                                                         MakeByRef(VT_ARRAY | VT_UI1, &green.parray),
                                                         MakeByRef(VT_ARRAY | VT_UI1, &blue.parray)});
        Held<IDispatch> palette2(TakeObject(byRef));
        EXPECT_TRUE(palette2.p);
        EXPECT_EQ(static_cast<uint8_t*>(green.parray->pvData)[255], 2);
        // Hostile shapes: an array of another element size, a reference to nothing,
        // arguments announced but not given.
        VARIANT longs;
        longs.vt = VT_ARRAY | VT_UI1;
        longs.parray = SafeArrayCreateVector(VT_I4, 0, 256);
        EXPECT_EQ(Call(draw.p, "DDCreatePalette", {longs, Bytes(0, 255, 1), Bytes(0, 255, 1)}).hr,
                  DISP_E_TYPEMISMATCH);
        EXPECT_EQ(Call(draw.p, "DDGetSurfaceWidth", {MakeByRef(VT_DISPATCH, nullptr)}).hr, E_INVALIDARG);
        DISPPARAMS hollow{nullptr, nullptr, 2, 0};
        EXPECT_EQ(draw->Invoke(IdOf(draw.p, "DDBlt"), IID_NULL, 0, DISPATCH_METHOD, &hollow, nullptr, nullptr,
                               nullptr), E_INVALIDARG);
        VariantClear(&red), VariantClear(&green), VariantClear(&blue);

        // A raising method: the error number in its automation form, with its text.
        Outcome raised = Call(draw.p, "DDSetPalette", {Obj(nullptr), Obj(palette.p)});
        EXPECT_EQ(raised.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(uint32_t(raised.excep.scode), 0x800A005Bu);
        EXPECT_EQ(raised.Error(), 91);
        EXPECT_EQ(raised.Description(), "Object variable or With block variable not set");
        EXPECT_EQ(Utf8FromBstr(raised.excep.bstrSource), "VexoDX7Draw.DX7Draw");

        // A palette where a surface belongs, an overflowing number, a missing argument.
        Outcome wrong = Call(draw.p, "DDGetSurfaceWidth", {Obj(palette.p)});
        EXPECT_EQ(wrong.hr, DISP_E_TYPEMISMATCH);
        EXPECT_EQ(wrong.argErr, 0u);
        EXPECT_EQ(Call(draw.p, "DDCreateSurface", {MakeR8(3e9), MakeI4(1)}).Error(), 6);
        Outcome skip = Call(draw.p, "TimeStopper", {MakeI4(0), MakeBool(false), MakeI4(256)});
        EXPECT_EQ(skip.Error(), 6);
        EXPECT_EQ(skip.argErr, 0u);  // the last argument sits first in rgvarg
        EXPECT_EQ(Call(draw.p, "DDBlt", {Obj(sprite.p)}).hr, DISP_E_PARAMNOTOPTIONAL);

        EXPECT_EQ(Call(draw.p, "DDClose").hr, S_OK);
    }
    {
        Held<IDispatch> input(Create("VexoDX7Input.DXInput"));
        ASSERT_TRUE(input.p);
        plat::input::ResetVirtualInput();
        // A platform failure is raised with the platform's own status.
        Outcome notWindow = Call(input.p, "DIKeyBordSetup", {MakeI4(wnd + 1000)});
        EXPECT_EQ(notWindow.hr, DISP_E_EXCEPTION);
        EXPECT_EQ(notWindow.excep.scode, status::DIERR_HANDLE);
        EXPECT_EQ(notWindow.Error(), status::DIERR_HANDLE);
        EXPECT_EQ(notWindow.Description(), "Automation error");
        EXPECT_EQ(Call(input.p, "DIKeyBordSetup", {MakeI4(wnd)}).hr, S_OK);
        plat::input::PressKey(203);
        EXPECT_EQ(Call(input.p, "DIUpdate").Long(), 9);  // no joystick tables yet
        EXPECT_EQ(Call(input.p, "DIGetKeyState", {MakeI2(203)}).Long(), 1);
        EXPECT_EQ(Call(input.p, "DIGetKeyState", {MakeI4(200)}).Long(), 0);
        Outcome name = Call(input.p, "DirectKeyCodeShow", {MakeI4(203)});
        ASSERT_EQ(name.result.vt, VT_BSTR);
        EXPECT_EQ(Utf8FromBstr(name.result.bstrVal), " LEFT");
        Outcome bad = Call(input.p, "DIGetX", {MakeI4(3)});
        EXPECT_EQ(bad.Error(), 9);
        EXPECT_EQ(bad.Description(), "Subscript out of range");
        Call(input.p, "DIClose");
        plat::input::ResetVirtualInput();
    }
    {
        Held<IDispatch> sound(Create("VexoDX7Sound.DX7Sound"));
        ASSERT_TRUE(sound.p);
        // Corrected values come back into a VARIANT reference and a typed one;
        // Channels is omitted.
        VARIANT hz = MakeI4(12345);
        int32_t bits = 12;
        Outcome setup = Call(sound.p, "DsSetup", {MakeI4(wnd), MakeByRef(VT_VARIANT, &hz), MakeByRef(VT_I4, &bits)});
        EXPECT_EQ(setup.Long(), 0);
        EXPECT_EQ(hz.vt, VT_I4);
        EXPECT_EQ(hz.lVal, 22050);
        EXPECT_EQ(bits, 8);
        // A named argument: Channels only, as `DsSetup hWnd, Channels:=ch`.
        int32_t ch = 5;
        {
            BSTR names[] = {BstrFromUtf8("DsSetup"), BstrFromUtf8("channels")};
            DISPID ids[2];
            ASSERT_EQ(sound->GetIDsOfNames(IID_NULL, names, 2, 0, ids), S_OK);
            for (BSTR n : names) SysFreeString(n);
            EXPECT_EQ(ids[1], 3);
            VARIANT args[] = {MakeByRef(VT_I4, &ch), MakeI4(wnd)};  // named first, then positional reversed
            DISPPARAMS dp{args, &ids[1], 2, 1};
            VARIANT result;
            ASSERT_EQ(sound->Invoke(ids[0], IID_NULL, 0, DISPATCH_METHOD, &dp, &result, nullptr, nullptr), S_OK);
            EXPECT_EQ(result.lVal, 0);
            EXPECT_EQ(ch, 2);
        }
        // A reference of another type cannot be written back.
        int16_t shortHz = 11025;
        EXPECT_EQ(Call(sound.p, "DsSetup", {MakeI4(wnd), MakeByRef(VT_I2, &shortHz)}).hr, DISP_E_TYPEMISMATCH);

        // A VARIANT reference to a typed one (a script handing on its own
        // by-reference parameter) writes into the Long at the chain's end; a
        // chain that loops is refused, not followed.
        int32_t hzLong = 12345;
        VARIANT middle = MakeByRef(VT_I4, &hzLong);
        EXPECT_EQ(Call(sound.p, "DsSetup", {MakeI4(wnd), MakeByRef(VT_VARIANT, &middle)}).Long(), 0);
        EXPECT_EQ(hzLong, 22050);
        EXPECT_EQ(middle.vt, VT_BYREF | VT_I4);
        VARIANT loop = MakeByRef(VT_VARIANT, nullptr);
        loop.pvarVal = &loop;
        EXPECT_EQ(Call(sound.p, "DsSetup", {MakeI4(wnd), MakeByRef(VT_VARIANT, &loop)}).hr, E_INVALIDARG);

        VARIANT slot = MakeI2(7);  // a 16-bit slot number in a script variable
        EXPECT_EQ(Call(sound.p, "DsCreate", {MakeByRef(VT_VARIANT, &slot), MakeBstr(reg.File("shot.wav")),
                                             MakeI4(2)}).Long(), 0);
        EXPECT_EQ(slot.vt, VT_I4);  // written back as the declared Long
        EXPECT_EQ(slot.lVal, 7);
        EXPECT_EQ(Call(sound.p, "DsPlay", {MakeI4(7)}).Long(), 0);
        VARIANT_BOOL keep = VARIANT_TRUE;
        EXPECT_EQ(Call(sound.p, "DsPlay", {MakeI4(7), MakeByRef(VT_BOOL, &keep)}).Long(), 0);
        // Slot numbers of every scalar kind a client may hold play slot 7;
        // 6.5 rounds to the empty slot 6, 7.5 to the empty slot 8, and 2^40
        // overflows.
        VARIANT asDecimal;
        asDecimal.decVal.Lo64 = 70, asDecimal.decVal.scale = 1, asDecimal.vt = VT_DECIMAL;
        VARIANT asCy, asUi4, asI8, asDate;
        asCy.vt = VT_CY, asCy.cyVal.int64 = 70000;
        asUi4.vt = VT_UI4, asUi4.ulVal = 7;
        asI8.vt = VT_I8, asI8.llVal = 7;
        asDate.vt = VT_DATE, asDate.date = 6.5;
        for (const VARIANT& v : {asDecimal, asCy, asUi4, asI8, MakeBstr(" &H7 ")})
            EXPECT_EQ(Call(sound.p, "DsPlay", {v}).Long(), 0) << "vt " << v.vt;
        const int32_t emptySlot = Call(sound.p, "DsPlay", {MakeI4(6)}).Long();
        EXPECT_NE(emptySlot, 0);
        EXPECT_EQ(Call(sound.p, "DsPlay", {asDate}).Long(), emptySlot);
        EXPECT_EQ(Call(sound.p, "DsPlay", {MakeR8(7.5)}).Long(), emptySlot);
        asI8.llVal = int64_t(1) << 40;
        Outcome big = Call(sound.p, "DsPlay", {asI8});
        EXPECT_EQ(big.hr, DISP_E_OVERFLOW);
        EXPECT_EQ(ErrorNumberFromHresult(big.hr, &big.excep), 6);
        EXPECT_EQ(Call(sound.p, "DsPlay", {MakeI4(100)}).Long(), 9);
        Outcome freed = Call(sound.p, "DsFree", {MakeI4(-1)});
        EXPECT_EQ(freed.Error(), 9);
        EXPECT_EQ(Call(sound.p, "DsClose").hr, S_OK);
        EXPECT_EQ(CanUnloadNow(soundId), S_FALSE);
    }
    EXPECT_EQ(CanUnloadNow(soundId), S_OK);
    {
        Held<IDispatch> music(Create("VexoDX7Music.DXMusic"));
        ASSERT_TRUE(music.p);
        EXPECT_EQ(Call(music.p, "DMSetup").Long(), 0);
        EXPECT_EQ(Call(music.p, "DMCreateSegment", {MakeI4(3), MakeBstr(reg.File("tune.mid"))}).Long(), 0);
        EXPECT_EQ(Call(music.p, "DMPlay", {MakeI4(3)}).Long(), 0);
        EXPECT_EQ(Call(music.p, "DMSetTempo", {MakeI4(3), MakeR8(1.5)}).Long(), 0);
        EXPECT_EQ(Call(music.p, "DMStop", {MakeI4(3)}).Long(), 0);
        EXPECT_EQ(Call(music.p, "DMPlay", {MakeI4(100)}).Long(), 9);
        Call(music.p, "DMClose");
        EXPECT_EQ(CanUnloadNow(Clsid("VexoDX7Music.DXMusic")), S_FALSE);
    }
    EXPECT_EQ(CanUnloadNow(Clsid("VexoDX7Music.DXMusic")), S_OK);
    EXPECT_EQ(CanUnloadNow(Clsid("VexoDX7Input.DXInput")), S_OK);
    EXPECT_EQ(CanUnloadNow(drawId), S_OK);
}

}  // namespace
}  // namespace vexo::test
