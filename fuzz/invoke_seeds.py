#!/usr/bin/env python3
"""Writes the seeds of the invoke target: the calls of typical scripts in the
target's input encoding (fuzz/invoke.cpp). Run from the source tree:
python3 fuzz/invoke_seeds.py"""
import os
import struct

DRAW, INPUT, SOUND, MUSIC = 0, 1, 2, 3
D = {n: i + 1 for i, n in enumerate(
    "DDTextOut DDSurfaceSetPalette FPSCheck TimeStopper MouseCursorHide GetBitmapHeight GetBitmapWidth "
    "FeedDarkOutEx FeedFlashOutEx FeedDarkOut FeedFlashOut FeedDarkIn FeedFlashIn DDBltFastEX DDBltEX "
    "DDSetup DDClose DDCreateSurface DDGetSurfaceWidth DDGetSurfaceHeight DDCreateSurfaceFromBitmap "
    "DDCreateSurfaceFromFile DDBlt DDBltFast DDSetColorKey DDStrechBlt DDHarfStrechBltEx DDSetPalette "
    "DDCreatePalette DDCreatePaletteFromFile DDCreateDefPalette DDFillRect DDCreateSurfaceFromResource "
    "DDFlip DDBitBltFX DDHarfTransferBlt DDSaveHarfPalette DDLoadHarfPalette DDPrimarySetPalette".split())}
I = {n: i + 1 for i, n in enumerate(
    "DirectKeyCodeShow DIJoyStickSetup DIGetButton DIGetX DIGetY DIClose DIUpdate DIKeyBordSetup "
    "DIGetKeyState DIJoyStickCount".split())}
S = {n: i + 1 for i, n in enumerate(
    "DsSetFormat DsFree DsSetPan DsStop DsClose DsPlayLooping DsPlay DsCreate DsSetVolume DsSetup".split())}
M = {n: i + 1 for i, n in enumerate(
    "DMPlay DMStop DMClose DMCreateSegment DMSetVolume DMSetTempo DMSetup DMDestroySegment".split())}


def i4(v): return bytes([3]) + struct.pack("<q", v)
def small(v): return bytes([31, v])
def r4(f): return bytes([4]) + struct.pack("<f", f) + bytes(4)
def vbool(b): return bytes([11]) + struct.pack("<h", -1 if b else 0) + bytes(6)
def text(s): b = s.encode(); return bytes([8, 0, len(b)]) + b
def obj(k): return bytes([9, k])  # 1-4 the components, 5.. the run's earlier results
def byref(inner): return bytes([24]) + inner
def byvar(inner): return bytes([25]) + inner
def missing(): return bytes([30])
def array(data, lower=0):
    if len(data) == 256: return bytes([27, 32, lower & 0xFF]) + bytes(data) + bytes([0])
    return bytes([27, 0, len(data), lower & 0xFF]) + bytes(data) + bytes([0])


def call(comp, dispid, args=(), flags=1, named=(), tail=b""):
    """args in their natural order; named = identifiers of the first
    len(named) variants of rgvarg; tail = the bytes bounded, path and window
    arguments take, in the order of the target's table."""
    rg = list(reversed(args))
    out = bytes([comp, dispid - 1, flags, len(rg), len(named)]) + bytes(named)
    return out + b"".join(rg) + tail


seeds = {
    "draw_frame": [
        call(DRAW, D["DDSetup"], [small(0), i4(640), i4(480), small(0)], tail=bytes([168, 128, 0])),
        call(DRAW, D["DDCreateSurface"], [i4(32), i4(32)], tail=bytes([40, 40])),
        call(DRAW, D["DDFillRect"], [obj(5), small(0), small(0), small(0), small(0), i4(0x102030)]),
        call(DRAW, D["DDBltFast"], [obj(6), obj(5), small(0), small(0), small(32), small(32), small(10), small(10),
                                    vbool(True)]),
        call(DRAW, D["DDBltEX"], [obj(6), obj(5), small(4), small(4), small(20), small(20), i4(-5), i4(150)]),
        call(DRAW, D["DDStrechBlt"], [obj(6), obj(5), small(0), small(0), small(32), small(32), small(64), small(48),
                                      small(2), small(2)]),
        call(DRAW, D["DDBitBltFX"], [obj(6), obj(5), small(0), small(0), small(32), small(32), small(32), small(32),
                                     small(1), small(1), byref(small(16))]),
        call(DRAW, D["DDTextOut"], [small(0), text("Score 100"), small(4), small(4), i4(0xFFFFFF)]),
        call(DRAW, D["DDFlip"]),
        call(DRAW, D["FPSCheck"]),
        call(DRAW, D["TimeStopper"], [small(1), vbool(True)], tail=bytes([2])),
    ],
    "draw_palette": [
        call(DRAW, D["DDSetup"], [small(0), i4(160), i4(120), small(0), small(8)], tail=bytes([168, 128, 0])),
        call(DRAW, D["DDCreatePalette"], [array(range(256)), array([255 - i for i in range(256)]), array([9] * 256)]),
        call(DRAW, D["DDCreatePaletteFromFile"], [text("pal.bmp")], tail=bytes([0])),
        call(DRAW, D["DDPrimarySetPalette"], [obj(6)]),
        call(DRAW, D["DDSetPalette"], [obj(5), obj(7)]),
        call(DRAW, D["DDSaveHarfPalette"], [text("t"), obj(6)], tail=bytes([0])),
        call(DRAW, D["DDLoadHarfPalette"], [text("t")], tail=bytes([0])),
        call(DRAW, D["FeedDarkOut"], [small(0), vbool(False)], tail=bytes([1])),
        call(DRAW, D["FeedFlashIn"], [small(0)], tail=bytes([1])),
        call(DRAW, D["DDCreateSurfaceFromFile"], [text("pic.bmp")], tail=bytes([0])),
        call(DRAW, D["DDHarfTransferBlt"], [obj(8), obj(5), obj(6), small(0), small(0), small(3), small(2),
                                            small(1), small(1)]),
    ],
    "input_frame": [
        call(INPUT, I["DIKeyBordSetup"], [small(0)], tail=bytes([0])),
        call(INPUT, I["DIJoyStickSetup"], [small(1), small(0)], tail=bytes([3, 0])),
        call(INPUT, I["DIUpdate"]),
        call(INPUT, I["DIGetKeyState"], [small(0xC8)]),
        call(INPUT, I["DIGetX"], [small(0)]),
        call(INPUT, I["DIGetButton"], [small(0), small(1)]),
        call(INPUT, I["DirectKeyCodeShow"], [small(30)]),
        call(INPUT, I["DIJoyStickCount"]),
    ],
    "sound_effects": [
        call(SOUND, S["DsSetup"], [small(0), byref(i4(22050)), byref(small(16)), byref(small(2))], tail=bytes([0])),
        call(SOUND, S["DsCreate"], [byref(small(3)), text("fx.wav"), small(2)], tail=bytes([0, 3])),
        call(SOUND, S["DsPlay"], [byref(small(3))]),
        call(SOUND, S["DsSetVolume"], [small(3), i4(-600)]),
        call(SOUND, S["DsSetPan"], [small(3), i4(1000)]),
        call(SOUND, S["DsPlayLooping"], [small(3)]),
        call(SOUND, S["DsStop"], [small(3)]),
        call(SOUND, S["DsFree"], [small(3)]),
    ],
    "music_play": [
        call(MUSIC, M["DMSetup"]),
        call(MUSIC, M["DMCreateSegment"], [small(1), text("song.mid"), small(0)], tail=bytes([0])),
        call(MUSIC, M["DMPlay"], [small(1), vbool(True)]),
        call(MUSIC, M["DMSetTempo"], [small(1), r4(1.5)]),
        call(MUSIC, M["DMSetVolume"], [small(1), i4(-2000)]),
        call(MUSIC, M["DMStop"], [small(1)]),
        call(MUSIC, M["DMDestroySegment"], [small(1)]),
    ],
    # Named arguments, references through variants and text for numbers.
    "hostile_mix": [
        call(SOUND, S["DsSetup"], [small(0), byvar(byref(i4(44100))), byvar(text(" &H10 ")), byref(small(1))], tail=bytes([0])),
        call(SOUND, S["DsSetVolume"], [text("-1,000"), text("1e3")], named=(1, 0)),
        call(DRAW, D["TimeStopper"], [text("12/31/1999"), missing(), small(0)], named=(2,), tail=bytes([1])),
        call(MUSIC, M["DMSetTempo"], [small(0), text("(2.5)")], named=(1, 1)),
        call(INPUT, I["DIGetKeyState"], [text("True")], flags=3),
    ],
}

here = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "invoke")
os.makedirs(here, exist_ok=True)
for name, calls in seeds.items():
    with open(os.path.join(here, name), "wb") as f:
        f.write(b"".join(calls))
