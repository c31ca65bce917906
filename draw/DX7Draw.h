// DX7Draw: the 2D graphics component. A game opens the display on its window
// with DDSetup, draws into the back buffer it hands back and into off-screen
// surfaces, presents each frame with DDFlip and closes with DDClose.
//
// Every public method is virtual: it is the component's interface, and the
// methods call one another through it, as an application would. Surfaces are
// counted platform references owned by whoever holds them; the object keeps
// references only to the display's own objects.
//
// Methods are grouped by area below; each area is implemented in its own
// source file (Display.cpp, Surfaces.cpp, Blits.cpp, ...).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/ByRef.h"
#include "common/DDraw.h"
#include "common/Ref.h"
#include "common/Types.h"
#include "common/VBArray.h"

namespace vexo {

enum ScreenType : int32_t {
    NORMALSCREEN = 0,  // display in a window
    FULLSCREEN = 1,    // exclusive full-screen display
};

// Bits per pixel, passed unchanged to the display-mode change.
enum ScreenBitType : int32_t {
    bit256 = 8,
    bit65536 = 16,
    bitTrueColor = 24,
    bitFullColor = 32,
};

// Effects of the mirror / rotate blit; each value is the platform's own code.
enum FX_Type : int32_t {
    MIRROR_LEFTRIGHT = 2,
    MIRROR_UPDOWN = 4,
    ROTATE180 = 16,
    ROTATE270 = 32,
    ROTATE90 = 64,
};

class DX7Draw {
public:
    // Creates the root object; raises the platform's error when it cannot.
    DX7Draw();
    // Releases everything held; closes nothing (no mode restore, no window move).
    virtual ~DX7Draw();
    DX7Draw(const DX7Draw&) = delete;
    DX7Draw& operator=(const DX7Draw&) = delete;

    // --- Display setup and presentation (Display.cpp) ----------------------
    // Opens the display and returns its back buffer (empty on failure or when
    // the display is already open). nBitDepth matters only full-screen.
    virtual Ref<DirectDrawSurface7> DDSetup(HWND hWnd, int32_t nWidth, int32_t nHeight, ScreenType dwFlags,
                                            ScreenBitType nBitDepth = bitFullColor);
    virtual void DDClose();
    virtual void DDFlip();

    // --- Off-screen surfaces and bitmaps (Surfaces.cpp) ---------------------
    virtual Ref<DirectDrawSurface7> DDCreateSurface(int32_t nWidth, int32_t nHeight);
    virtual int32_t DDGetSurfaceWidth(Ref<DirectDrawSurface7>& dds);
    virtual int32_t DDGetSurfaceHeight(Ref<DirectDrawSurface7>& dds);
    // Raises the error of a failing lock or colour-key step (91 for a handle
    // that gives no surface).
    virtual Ref<DirectDrawSurface7> DDCreateSurfaceFromBitmap(HBITMAP hBitmap);
    virtual Ref<DirectDrawSurface7> DDCreateSurfaceFromFile(std::string Filename);
    virtual Ref<DirectDrawSurface7> DDCreateSurfaceFromResource(std::string ResID);
    virtual int32_t GetBitmapWidth(HBITMAP hBitmap);
    virtual int32_t GetBitmapHeight(HBITMAP hBitmap);
    // Always returns an empty variant.
    virtual Variant DDSetColorKey(Ref<DirectDrawSurface7>& dds, int32_t RGBColorKey);

    // --- Simple blits and fill (Blits.cpp) ----------------------------------
    virtual int32_t DDBlt(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                          int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest,
                          VBBool bTransparent = VB_TRUE);
    // Empty when the platform call raised, else its 32-bit status.
    virtual Variant DDBltFast(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                              int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest,
                              VBBool bTransparent = VB_TRUE);
    // Right and Bottom are exclusive; a value <= 0 stands for the surface's edge.
    virtual int32_t DDFillRect(Ref<DirectDrawSurface7>& dds, int32_t Left, int32_t Top, int32_t Right,
                               int32_t Bottom, int32_t RGBColor);

    // --- Extended and stretched blits (ExtBlits.cpp) -------------------------
    // Clipped against both surfaces' edges (a size that reads 0 switches its
    // far clip off); 0 when nothing is left to draw, else the platform's
    // status (0 too when the call raised). nWidth, nHeight < 1: the source's.
    virtual int32_t DDBltEX(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                            int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest,
                            VBBool bTransparent = VB_TRUE);
    virtual int32_t DDBltFastEX(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                                int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest,
                                VBBool bTransparent = VB_TRUE);
    // The clipped source rectangle stretched onto nWidth2 x nHeight2 at the
    // (moved) destination corner.
    virtual int32_t DDStrechBlt(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                                int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t nWidth2, int32_t nHeight2,
                                int32_t xDest, int32_t yDest, VBBool bTransparent = VB_TRUE);
    // The source's top-left nWidth x nHeight stretched to nWidth2 x nHeight2,
    // then blended half-transparently from (xSrc, ySrc) of the stretched
    // image. Always returns an empty variant.
    virtual Variant DDHarfStrechBltEx(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest,
                                      Ref<DirectDrawPalette>& ddpPalette, int32_t xSrc, int32_t ySrc, int32_t nWidth,
                                      int32_t nHeight, int32_t nWidth2, int32_t nHeight2, int32_t xDest,
                                      int32_t yDest, VBBool bTransparent = VB_TRUE);

    // --- Palettes (Palettes.cpp) ---------------------------------------------
    // From three arrays whose upper bounds are exactly 255 (else, or for an
    // array with no bounds yet, no palette); entry i takes subscript i.
    virtual Ref<DirectDrawPalette> DDCreatePalette(VBArray<uint8_t>& Red, VBArray<uint8_t>& Green,
                                                   VBArray<uint8_t>& Blue);
    // From a bitmap file's colour table; no palette when it cannot be read.
    virtual Ref<DirectDrawPalette> DDCreatePaletteFromFile(std::string Filename);
    // Index bits RRRGGGBB: 8 levels of red and green, 4 of blue.
    virtual Ref<DirectDrawPalette> DDCreateDefPalette();
    // The error number of the attach, 0 on success; never raise.
    virtual int32_t DDPrimarySetPalette(Ref<DirectDrawPalette>& PaletteID);
    virtual Variant DDSurfaceSetPalette(Ref<DirectDrawSurface7>& SurfaceID, Ref<DirectDrawPalette>& PaletteID);
    // Raises a failed attach.
    virtual void DDSetPalette(Ref<DirectDrawSurface7>& dds, Ref<DirectDrawPalette>& ddp);

    // --- Half-blend table and half-transparent blit (HarfBlend.cpp) --------
    // Builds HarfPalette from the primary's palette and ddpPalette and writes
    // it (65,536 bytes, no header) over the start of the file, which is
    // created when missing and never truncated. 0 or the last error number.
    virtual int32_t DDSaveHarfPalette(const std::string& SavePathFilename, Ref<DirectDrawPalette>& ddpPalette);
    // Reads the file's first 65,536 bytes into HarfPalette (a missing file is
    // created empty; entries a short file does not reach keep their values).
    virtual int32_t DDLoadHarfPalette(const std::string& LoadPathFilename);
    // Replaces each destination pixel d under source pixel s with
    // HarfPalette[d][s]. nWidth, nHeight (< 1: the source's) are cut to both
    // surfaces' far edges and written back; pixels outside either surface
    // are skipped. bTransparent exactly True skips source pixels equal to the
    // source's pixel (0, 0). The source is copied first, so it may be the
    // destination. ddpPalette is not used. 0, or the error of a lock that
    // kept the blit from running, or of the closing unlock.
    virtual int32_t DDHarfTransferBlt(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest,
                                      Ref<DirectDrawPalette>& ddpPalette, int32_t SrcX, int32_t SrcY,
                                      ByRef<int32_t> nWidth, ByRef<int32_t> nHeight, int32_t xDest, int32_t yDest,
                                      VBBool bTransparent = VB_TRUE);

    // --- Text, frame timing and cursor (Text.cpp, Timing.cpp) ---------------
    // Draws TextString on a device context the caller holds, in the font
    // selected into it, with a transparent background, inside the 1024 x 768
    // rectangle from (x, y). TextOutByte counts bytes of the ANSI text (-1:
    // all). TextString receives the text converted to the ANSI code page and
    // back (characters the code page cannot hold come back replaced).
    virtual void DDTextOut(HDC FormHdc, ByRef<std::string> TextString, int32_t x, int32_t y,
                           int32_t TextColorRGB = 0, int32_t TextOutByte = -1);
    // Frames per second with one decimal, measured every 30 calls; 0 on the
    // other calls.
    virtual float FPSCheck();
    // Busy-waits StopTime_msc milliseconds; a nonzero SkipKeycode that is
    // down ends the wait early; DoEventsFlag nonzero processes messages.
    virtual void TimeStopper(int32_t StopTime_msc, VBBool DoEventsFlag = VB_FALSE, uint8_t SkipKeycode = 0);
    // Nonzero hides the cursor, zero shows it (nesting as the platform counts).
    virtual void MouseCursorHide(VBBool bFlags);

    // --- Screen fades (Fades.cpp) ------------------------------------------
    // Step the palette of the primary surface one level a step, to black or
    // white (Out) and back (In); each returns the last error number, or 0.
    virtual int32_t FeedDarkOut(int32_t StopTime = 0, VBBool WaitForVerticalBlankFlag = VB_TRUE);
    virtual int32_t FeedFlashOut(int32_t StopTime = 0, VBBool WaitForVerticalBlankFlag = VB_TRUE);
    // FeedOutValue is clamped to 0..255 and written back; FeedOutValue + 1 steps.
    virtual int32_t FeedDarkOutEx(int32_t StopTime = 0, ByRef<int32_t> FeedOutValue = 128,
                                  VBBool WaitForVerticalBlankFlag = VB_TRUE);
    virtual int32_t FeedFlashOutEx(int32_t StopTime = 0, ByRef<int32_t> FeedOutValue = 128,
                                   VBBool WaitForVerticalBlankFlag = VB_TRUE);
    virtual int32_t FeedDarkIn(int32_t StopTime = 0, VBBool WaitForVerticalBlankFlag = VB_TRUE);
    virtual int32_t FeedFlashIn(int32_t StopTime = 0, VBBool WaitForVerticalBlankFlag = VB_TRUE);

    // --- Mirror and rotate blit (FxBlit.cpp) --------------------------------
    // Copies the source rectangle into the destination rectangle, scaled,
    // with the effect dwFlag selects; value-0 source pixels are not drawn.
    // Returns the platform's status, or 0 when the call raised.
    virtual int32_t DDBitBltFX(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                               int32_t ySrc, int32_t nSrcWidth, int32_t nSrcHeight, int32_t nDestWidth,
                               int32_t nDestHeight, int32_t xDest, int32_t yDest, const FX_Type& dwFlag);

    // --- Fields ---------------------------------------------------------------
    Ref<DirectX7> DxRoot;
    Ref<DirectDraw7> DisplayDevice;  // empty: the display is closed
    Ref<DirectDrawSurface7> PrimarySurface;
    Ref<DirectDrawSurface7> BackBuffer;
    Ref<DirectDrawClipper> WindowClipper;  // windowed only
    HWND TargetWindow = 0;
    std::array<std::array<uint8_t, 256>, 256> HarfPalette{};  // half-blend table
    ScreenType ScreenMode = NORMALSCREEN;  // 0 windowed, anything else full-screen
    std::array<PALETTEENTRY, 256> FeedSavedPalette{};
    std::array<PALETTEENTRY, 256> FeedHoldCount{};
    RECT SavedWindowRect{};  // the window's outer rectangle before DDSetup
    int32_t FpsFrameCount = 0;
    int32_t FpsLastSecond = 0;
    std::array<RECT, 1> FlipClipList{};  // element 0: where the windowed present lands

private:
    friend struct DX7DrawTestAccess;

    // The raw pixel value the display's format uses for an RGB colour, found
    // by letting GDI write it into the back buffer and reading it back; 0
    // when it cannot be found out.
    int32_t ConvertColorToPixel(int32_t color);

    // Lock and unlock the whole surface for the half-transparent blit; each
    // returns the error number of its own steps, 0 on success.
    int32_t LockEntireSurface(Ref<DirectDrawSurface7>& surface);
    int32_t UnlockEntireSurface(Ref<DirectDrawSurface7>& surface);
};

}  // namespace vexo
