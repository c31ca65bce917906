/// @file
/// DX7Draw, the 2D graphics component of the library `VexoDX7Draw`.
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

/// The library's namespace: the four components, their conventions and the
/// platform services a game calls.
namespace vexo {

/// How DX7Draw::DDSetup opens the display.
enum ScreenType : int32_t {
    NORMALSCREEN = 0,  ///< In a window on the desktop.
    FULLSCREEN = 1,    ///< Full-screen with exclusive access and a changed display mode.
};

/// Bits per pixel of a full-screen display mode, passed unchanged to the
/// display-mode change of DX7Draw::DDSetup.
enum ScreenBitType : int32_t {
    bit256 = 8,         ///< 8 bits per pixel: palette indices (256 colours).
    bit65536 = 16,      ///< 16 bits per pixel (5-6-5).
    bitTrueColor = 24,  ///< 24 bits per pixel.
    bitFullColor = 32,  ///< 32 bits per pixel.
};

/// Effects of the mirror and rotate blit DX7Draw::DDBitBltFX; each value is
/// the platform's own effect code.
enum FX_Type : int32_t {
    MIRROR_LEFTRIGHT = 2,  ///< Column order reversed.
    MIRROR_UPDOWN = 4,     ///< Row order reversed.
    ROTATE180 = 16,        ///< Turned by 180 degrees.
    ROTATE270 = 32,        ///< Turned by 270 degrees counter-clockwise (90 clockwise).
    ROTATE90 = 64,         ///< Turned by 90 degrees counter-clockwise.
};

/// The 2D graphics component: a windowed or full-screen display with one back
/// buffer, off-screen surfaces, plain, clipping, stretching, mirroring and
/// rotating blits, palettes, a half-transparent blit for 256-colour modes,
/// palette fades, text, frame-rate measurement and waiting.
///
/// A game opens the display on its window with DDSetup(), draws into the back
/// buffer it hands back and into off-screen surfaces, presents each frame with
/// DDFlip() and closes with DDClose(). Surfaces and palettes are counted
/// references (vexo::Ref) owned by whoever holds them; the object keeps
/// references only to the display's own objects.
///
/// Every public method is virtual: it is the component's interface, and the
/// methods call one another through it, as an application would (DDSetup()
/// clears the back buffer with DDFillRect(), the blits ask DDGetSurfaceWidth()
/// and DDGetSurfaceHeight(), every fade waits with TimeStopper()).
///
/// Booleans are 16-bit (vexo::VBBool); each method says whether it tests
/// "non-zero" or "exactly True (-1)". Colours are RGB values with red in the
/// low byte (vexo::RGB). Each method's reference names its error style (see
/// the main page), what it returns on failure and its defaults.
class DX7Draw {
public:
    /// Creates the object and its platform root object.
    /// @errors_raise
    /// @onfailure Raises the platform's error when the root object cannot be made.
    DX7Draw();
    /// Releases everything the object holds. Runs no close method: the display
    /// mode is not restored and the window is not moved back.
    virtual ~DX7Draw();
    DX7Draw(const DX7Draw&) = delete;
    DX7Draw& operator=(const DX7Draw&) = delete;

    /// @name Display setup and presentation
    ///@{

    /// Opens the display on the window @p hWnd and returns its back buffer,
    /// cleared to black.
    ///
    /// With @p dwFlags NORMALSCREEN the window keeps its place and frame and its
    /// client area is resized to @p nWidth x @p nHeight; the back buffer is an
    /// off-screen surface of that size in system memory, and a clipper bound to
    /// the window is attached to the primary surface. With FULLSCREEN the
    /// display takes exclusive access, switches to the mode @p nWidth x
    /// @p nHeight at @p nBitDepth bits, and the back buffer is the one of a
    /// flipping chain. Any other @p dwFlags value opens the display without
    /// surfaces (the result is empty and DDClose() must run before the next
    /// DDSetup() can succeed). The window's outer rectangle is saved for
    /// DDClose(). Window messages are processed once before it returns.
    ///
    /// When the display is already open nothing changes and the result is empty.
    /// @errors_first The failure path calls DDClose(), so a failure after the
    /// display-mode change restores the mode and the window.
    /// @onfailure An empty reference; after a failure past the creation of the
    /// windowed back buffer (clipper steps) that new back buffer. BackBuffer
    /// stays empty either way.
    /// @defaults @p nBitDepth: bitFullColor (32); it matters only full-screen.
    virtual Ref<DirectDrawSurface7> DDSetup(HWND hWnd, int32_t nWidth, int32_t nHeight, ScreenType dwFlags,
                                            ScreenBitType nBitDepth = bitFullColor);
    /// Closes the display: restores the display mode after a full-screen
    /// display, releases the display's surfaces, device and root object, puts
    /// the window back to the rectangle saved by DDSetup() (a child window gets
    /// its size back only, a top-level window size and position), then
    /// processes window messages once. Without an open display it does nothing.
    /// A later DDSetup() may open the display again on the same object.
    /// @errors_resume
    /// @onfailure Nothing to return; each failing step is skipped.
    /// @defaults No parameters.
    virtual void DDClose();
    /// Presents the back buffer.
    ///
    /// Windowed: waits for the vertical blank and copies the whole back buffer
    /// into the visible part of the window's client area, fetched again at every
    /// call so that the picture follows a moved window; where the client area
    /// reaches past the screen's edge, the visible part shows the matching part
    /// of the back buffer unscaled. Full-screen: flips the chain. Without an
    /// open display nothing is visible.
    /// @errors_resume A present that fails is simply skipped; lost surfaces are
    /// not restored.
    /// @onfailure Nothing to return.
    /// @defaults No parameters.
    virtual void DDFlip();
    ///@}

    /// @name Off-screen surfaces and bitmaps
    ///@{

    /// Creates a blank off-screen surface of @p nWidth x @p nHeight pixels in
    /// the display's pixel format. The platform picks the memory first (video
    /// memory while it has room); when that fails, system memory is asked for.
    /// Needs an open display. The caller owns the surface.
    /// @errors_resume
    /// @onfailure An empty reference (closed display, a size of 0, both
    /// attempts refused).
    /// @defaults None.
    virtual Ref<DirectDrawSurface7> DDCreateSurface(int32_t nWidth, int32_t nHeight);
    /// The width of @p dds in pixels.
    /// @errors_resume
    /// @onfailure 0 (an empty reference among others).
    /// @defaults None.
    virtual int32_t DDGetSurfaceWidth(Ref<DirectDrawSurface7>& dds);
    /// The height of @p dds in pixels.
    /// @errors_resume
    /// @onfailure 0 (an empty reference among others).
    /// @defaults None.
    virtual int32_t DDGetSurfaceHeight(Ref<DirectDrawSurface7>& dds);
    /// Creates a surface of the bitmap's size with DDCreateSurface(), copies the
    /// bitmap @p hBitmap onto it (converted to the display's format) and sets
    /// its source colour key to the exact pixel value found at its top-left
    /// corner, so that colour is transparent in keyed blits.
    /// @errors_raise Failures of the copy itself are not reported: the surface
    /// is returned with whatever it holds, and its key is taken from that.
    /// @onfailure Raises the error of the failing lock, pixel read, unlock or
    /// colour-key step; 91 for a handle that is not a bitmap or a closed
    /// display (no surface to lock).
    /// @defaults None.
    virtual Ref<DirectDrawSurface7> DDCreateSurfaceFromBitmap(HBITMAP hBitmap);
    /// Loads the picture file @p Filename (bitmaps of every depth, PNG, JPEG,
    /// GIF) into a new surface through DDCreateSurfaceFromBitmap(), with the
    /// picture's top-left pixel as its colour key.
    /// @errors_resume
    /// @onfailure An empty reference (missing or unreadable file, closed display).
    /// @defaults None.
    virtual Ref<DirectDrawSurface7> DDCreateSurfaceFromFile(std::string Filename);
    /// Loads the bitmap resource @p ResID of the component's own module, as
    /// DDCreateSurfaceFromFile() does for a file. The component carries no
    /// bitmap resources, so the result is always empty.
    /// @errors_resume
    /// @onfailure An empty reference.
    /// @defaults None.
    virtual Ref<DirectDrawSurface7> DDCreateSurfaceFromResource(std::string ResID);
    /// The width of the bitmap @p hBitmap in pixels.
    /// @errors_resume
    /// @onfailure 0 when the handle is not a bitmap.
    /// @defaults None.
    virtual int32_t GetBitmapWidth(HBITMAP hBitmap);
    /// The height of the bitmap @p hBitmap in pixels.
    /// @errors_resume
    /// @onfailure 0 when the handle is not a bitmap.
    /// @defaults None.
    virtual int32_t GetBitmapHeight(HBITMAP hBitmap);
    /// Sets the source colour key of @p dds to the display-format value of the
    /// RGB colour @p RGBColorKey (found through the back buffer, so in an 8-bit
    /// mode the nearest palette index).
    /// @errors_resume
    /// @onfailure Always an empty variant, so success cannot be told from failure.
    /// @defaults None.
    virtual Variant DDSetColorKey(Ref<DirectDrawSurface7>& dds, int32_t RGBColorKey);
    ///@}

    /// @name Simple blits and fill
    /// No clipping of their own: a rectangle reaching outside a surface is
    /// passed on, and the platform refuses it (its invalid-rectangle status).
    ///@{

    /// Copies the @p nWidth x @p nHeight rectangle at (@p xSrc, @p ySrc) of
    /// @p ddsSrc to (@p xDest, @p yDest) of @p ddsDest with the platform's
    /// general blit, which does not wait for a busy surface.
    /// @p bTransparent non-zero leaves out the source's colour-key pixels.
    /// @errors_resume
    /// @onfailure The platform's status when the blit returned one; 0 when the
    /// call raised (an empty surface reference among others).
    /// @defaults @p bTransparent: VB_TRUE. @p nWidth or @p nHeight of 0 or less:
    /// the whole source width or height, wherever the source corner is.
    virtual int32_t DDBlt(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                          int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest,
                          VBBool bTransparent = VB_TRUE);
    /// As DDBlt(), with the platform's fast blit, which waits while the
    /// surface is busy and never scales.
    /// @errors_resume
    /// @onfailure A variant holding the platform's status when the blit returned
    /// one; an empty variant when the call raised.
    /// @defaults @p bTransparent: VB_TRUE (any non-zero value keys). @p nWidth or
    /// @p nHeight of 0 or less: the whole source width or height.
    virtual Variant DDBltFast(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                              int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest,
                              VBBool bTransparent = VB_TRUE);
    /// Fills the rectangle (@p Left, @p Top) to (@p Right, @p Bottom) of @p dds,
    /// right and bottom exclusive, with the RGB colour @p RGBColor converted to
    /// the display's pixel format through the back buffer. With the display
    /// closed the fill uses pixel value 0.
    /// @errors_resume
    /// @onfailure The platform's status when the fill returned one; 0 when the
    /// call raised.
    /// @defaults @p Right or @p Bottom of 0 or less: the surface's right or
    /// bottom edge, so all four 0 fill the whole surface.
    virtual int32_t DDFillRect(Ref<DirectDrawSurface7>& dds, int32_t Left, int32_t Top, int32_t Right,
                               int32_t Bottom, int32_t RGBColor);
    ///@}

    /// @name Extended and stretched blits
    ///@{

    /// As DDBlt(), clipped first against the edges of both surfaces, so a
    /// sprite may hang over the border of the screen or reach past its sheet:
    /// the destination's left and top, its right and bottom, then the source's
    /// near and far edges cut the rectangle and move its corners together. A
    /// surface size that reads as 0 switches its far-edge clip off.
    /// @errors_resume
    /// @onfailure 0 when nothing is left to draw or the blit raised; otherwise
    /// the platform's status.
    /// @defaults @p bTransparent: VB_TRUE (any non-zero value keys). @p nWidth or
    /// @p nHeight below 1: the source's width or height.
    virtual int32_t DDBltEX(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                            int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest,
                            VBBool bTransparent = VB_TRUE);
    /// As DDBltEX(), drawn with the platform's fast blit (waits while busy).
    /// @errors_resume
    /// @onfailure 0 when nothing is left to draw or the blit raised; otherwise
    /// the platform's status.
    /// @defaults @p bTransparent: VB_TRUE (any non-zero value keys). @p nWidth or
    /// @p nHeight below 1: the source's width or height.
    virtual int32_t DDBltFastEX(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                                int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t xDest, int32_t yDest,
                                VBBool bTransparent = VB_TRUE);
    /// Stretches (or shrinks) the @p nWidth x @p nHeight source rectangle at
    /// (@p xSrc, @p ySrc) onto @p nWidth2 x @p nHeight2 at (@p xDest, @p yDest).
    /// Its clipping cuts only the source size against the destination's and the
    /// source's edges and moves the destination corner; the destination keeps
    /// @p nWidth2 x @p nHeight2, so a source cut at an edge is stretched over the
    /// full size. The platform is always called. Sampling is nearest-pixel and
    /// exact: source x = floor(x * sw / dw).
    /// @errors_resume
    /// @onfailure The platform's status when the blit returned one; 0 when it
    /// raised.
    /// @defaults @p bTransparent: VB_TRUE (any non-zero value keys). @p nWidth or
    /// @p nHeight below 1: the source's width or height.
    virtual int32_t DDStrechBlt(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                                int32_t ySrc, int32_t nWidth, int32_t nHeight, int32_t nWidth2, int32_t nHeight2,
                                int32_t xDest, int32_t yDest, VBBool bTransparent = VB_TRUE);
    /// Stretches the top-left @p nWidth x @p nHeight of @p ddsSrc onto a
    /// temporary surface of @p nWidth2 x @p nHeight2, then blends it
    /// half-transparently onto @p ddsDest at (@p xDest, @p yDest) with
    /// DDHarfTransferBlt(), starting at (@p xSrc, @p ySrc) of the stretched
    /// image. For 8-bit surfaces; @p ddpPalette is handed on and not used.
    /// @errors_resume
    /// @onfailure Always an empty variant; when the temporary surface cannot be
    /// made, nothing is drawn.
    /// @defaults @p bTransparent: VB_TRUE (only exactly True keys, as in
    /// DDHarfTransferBlt()). @p nWidth and @p nHeight both 0: the whole source.
    virtual Variant DDHarfStrechBltEx(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest,
                                      Ref<DirectDrawPalette>& ddpPalette, int32_t xSrc, int32_t ySrc, int32_t nWidth,
                                      int32_t nHeight, int32_t nWidth2, int32_t nHeight2, int32_t xDest,
                                      int32_t yDest, VBBool bTransparent = VB_TRUE);
    ///@}

    /// @name Palettes
    /// For 256-colour modes (bit256): the screen shows the palette attached to
    /// the primary surface. Created palettes belong to the caller.
    ///@{

    /// Creates a palette from three byte arrays whose upper bounds are exactly
    /// 255: entry i takes @p Red(i), @p Green(i), @p Blue(i) (subscripts below an
    /// array's lower bound leave that component 0). All 256 entries are kept as
    /// given, 0 and 255 included. Needs an open display.
    /// @errors_resume
    /// @onfailure An empty reference: an upper bound other than 255, an array
    /// with no bounds yet, a closed display.
    /// @defaults None.
    virtual Ref<DirectDrawPalette> DDCreatePalette(VBArray<uint8_t>& Red, VBArray<uint8_t>& Green,
                                                   VBArray<uint8_t>& Blue);
    /// Creates a palette from the colour table of the bitmap file @p Filename;
    /// every entry is kept as the table holds it. Needs an open display.
    /// @errors_resume
    /// @onfailure An empty reference (missing or unreadable file, no colour
    /// table, closed display).
    /// @defaults None.
    virtual Ref<DirectDrawPalette> DDCreatePaletteFromFile(std::string Filename);
    /// Creates the fixed 3-3-2 palette: index bits RRRGGGBB give 8 levels of
    /// red and green (0, 36, 73, 109, 146, 182, 219, 255) and 4 of blue (0, 85,
    /// 170, 255); entry 0 is black, 255 white. Needs an open display.
    /// @errors_resume
    /// @onfailure An empty reference.
    /// @defaults No parameters.
    virtual Ref<DirectDrawPalette> DDCreateDefPalette();
    /// Attaches @p PaletteID to the primary surface, so the screen shows its
    /// colours.
    /// @errors_resume
    /// @onfailure The error number of the attach (no open display, a surface
    /// that takes no palette); 0 on success.
    /// @defaults None.
    virtual int32_t DDPrimarySetPalette(Ref<DirectDrawPalette>& PaletteID);
    /// Attaches @p PaletteID to @p SurfaceID.
    /// @errors_resume
    /// @onfailure A variant holding the error number of the attach; 0 on success.
    /// @defaults None.
    virtual Variant DDSurfaceSetPalette(Ref<DirectDrawSurface7>& SurfaceID, Ref<DirectDrawPalette>& PaletteID);
    /// Attaches @p ddp to @p dds.
    /// @errors_raise
    /// @onfailure Raises the platform's error, or 91 for an empty surface.
    /// @defaults None.
    virtual void DDSetPalette(Ref<DirectDrawSurface7>& dds, Ref<DirectDrawPalette>& ddp);
    ///@}

    /// @name Half-blend table and half-transparent blit
    /// In 256-colour modes a 50 % mix cannot be computed per pixel, so the
    /// object keeps a 256 x 256 table (HarfPalette) giving, for a screen
    /// colour d and a source colour s, the screen index nearest to their mix.
    ///@{

    /// Builds HarfPalette from the palette attached to the primary surface and
    /// the source palette @p ddpPalette, then writes it (65,536 bytes, no
    /// header; entry (d, s) at offset d * 256 + s) over the start of the file
    /// @p SavePathFilename, which is created when missing and never truncated.
    /// The build is costly; do it ahead of time and load the file at run time.
    /// @errors_resume
    /// @onfailure The number of the last failure, 0 when none. A palette that
    /// cannot be read counts as all black and the table is built and written
    /// all the same; after a failed write HarfPalette still holds the new table.
    /// @defaults None.
    virtual int32_t DDSaveHarfPalette(const std::string& SavePathFilename, Ref<DirectDrawPalette>& ddpPalette);
    /// Reads the first 65,536 bytes of @p LoadPathFilename into HarfPalette.
    /// A missing file is created empty; entries a short file does not reach
    /// keep their values.
    /// @errors_resume
    /// @onfailure The number of the last failure, 0 when none; a failed read
    /// leaves the table as it was.
    /// @defaults None.
    virtual int32_t DDLoadHarfPalette(const std::string& LoadPathFilename);
    /// Blends the @p nWidth x @p nHeight rectangle at (@p SrcX, @p SrcY) of the
    /// 8-bit surface @p ddsSrc onto @p ddsDest at (@p xDest, @p yDest): each
    /// destination pixel d under source pixel s becomes HarfPalette[d][s].
    ///
    /// The size is cut to both surfaces' far edges and written back into
    /// @p nWidth and @p nHeight; pixels outside either surface are skipped.
    /// @p bTransparent exactly True (-1) skips source pixels equal to the
    /// source's pixel (0, 0); any other value draws every pixel. The source is
    /// copied first, so it may be the destination. @p ddpPalette is not used.
    /// @errors_resume
    /// @onfailure The error of a lock or pixel-array access that kept the blit from
    /// running (nothing is drawn then), else that of the closing unlock, else 0.
    /// @defaults @p bTransparent: VB_TRUE. @p nWidth or @p nHeight below 1: the
    /// source's width or height (a value instead of a variable is accepted;
    /// the size used is then not seen).
    virtual int32_t DDHarfTransferBlt(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest,
                                      Ref<DirectDrawPalette>& ddpPalette, int32_t SrcX, int32_t SrcY,
                                      ByRef<int32_t> nWidth, ByRef<int32_t> nHeight, int32_t xDest, int32_t yDest,
                                      VBBool bTransparent = VB_TRUE);
    ///@}

    /// @name Text, frame timing and cursor
    /// None of these needs an open display.
    ///@{

    /// Draws @p TextString on the device context @p FormHdc (one the caller
    /// holds, for instance from the back buffer's GetDC), in the font selected
    /// into it, with a transparent background and the RGB colour
    /// @p TextColorRGB, left- and top-aligned inside the 1024 x 768 rectangle
    /// from (@p x, @p y), starting new lines at line breaks. @p TextOutByte
    /// counts bytes of the text in the system's ANSI code page (-1: all), so a
    /// double-byte character counts 2. @p TextString receives the text
    /// converted to that code page and back: characters it cannot hold come
    /// back replaced. Strings are UTF-8.
    /// @errors_resume
    /// @onfailure Nothing to return; a failing step is skipped, and text that
    /// cannot be converted is not drawn.
    /// @defaults @p TextColorRGB: 0 (black). @p TextOutByte: -1 (the whole text).
    virtual void DDTextOut(HDC FormHdc, ByRef<std::string> TextString, int32_t x, int32_t y,
                           int32_t TextColorRGB = 0, int32_t TextOutByte = -1);
    /// Measures the frame rate: call once a frame. Every 30th call returns 30
    /// divided by the seconds since the previous measuring call's whole-second
    /// stamp, with one decimal (59.7); the other calls return 0, and the first
    /// rate comes at the 61st call. The rate stays right across midnight.
    /// @errors_resume
    /// @onfailure 0 (also when no time has passed).
    /// @defaults No parameters.
    virtual float FPSCheck();
    /// Waits @p StopTime_msc milliseconds in a busy loop over the millisecond
    /// tick counter (at once for 0 or less). A non-zero @p SkipKeycode
    /// (a virtual-key code) that is down, or was pressed since the last query,
    /// ends the wait early; @p DoEventsFlag non-zero processes window messages
    /// while waiting, so application code may run, and call the object, inside
    /// the wait. The wait stays right when the tick counter passes 2^31 or wraps.
    /// @errors_raise Only a failing platform service can fail it; the tick
    /// arithmetic cannot.
    /// @onfailure Raises the platform's error.
    /// @defaults @p DoEventsFlag: VB_FALSE. @p SkipKeycode: 0 (no key ends the wait).
    virtual void TimeStopper(int32_t StopTime_msc, VBBool DoEventsFlag = VB_FALSE, uint8_t SkipKeycode = 0);
    /// Hides the mouse cursor when @p bFlags is non-zero, shows it when zero.
    /// Calls nest as the platform's display counter does: two hides need two
    /// shows.
    /// @errors_resume
    /// @onfailure Nothing to return.
    /// @defaults None.
    virtual void MouseCursorHide(VBBool bFlags);
    ///@}

    /// @name Screen fades
    /// Fades step the palette of the primary surface one colour level a step,
    /// so they show only in a 256-colour mode with a palette attached. Out-fades
    /// record the palette they found and how long each component sat at the
    /// limit; the matching in-fade replays that backwards, so a full out-fade
    /// followed by its in-fade restores every colour exactly. Each step waits
    /// @p StopTime with TimeStopper() (processing messages), optionally waits
    /// for the vertical blank, writes the palette and processes window messages
    /// once. In another mode every step still runs and nothing changes.
    ///@{

    /// Fades the screen to black in 256 steps.
    /// @errors_resume
    /// @onfailure The number of the last failure, 0 when none: 6 when a
    /// component was black from the first step (the fade is complete all the
    /// same); non-zero without a palette on the primary surface.
    /// @defaults @p StopTime: 0 ms per step. @p WaitForVerticalBlankFlag: VB_TRUE;
    /// only exactly True (-1) waits for the vertical blank before each step.
    virtual int32_t FeedDarkOut(int32_t StopTime = 0, VBBool WaitForVerticalBlankFlag = VB_TRUE);
    /// Fades the screen to white in 256 steps.
    /// @errors_resume
    /// @onfailure The number of the last failure, 0 when none: 6 when a
    /// component was white from the first step; non-zero without a palette.
    /// @defaults @p StopTime: 0 ms per step. @p WaitForVerticalBlankFlag: VB_TRUE
    /// (only exactly True waits).
    virtual int32_t FeedFlashOut(int32_t StopTime = 0, VBBool WaitForVerticalBlankFlag = VB_TRUE);
    /// Fades toward black by @p FeedOutValue + 1 steps: each component drops
    /// by that many levels or to 0. @p FeedOutValue is clamped to 0..255 and
    /// written back to the caller's variable. FeedDarkIn() undoes it.
    /// @errors_resume
    /// @onfailure The number of the last failure, 0 when none.
    /// @defaults @p StopTime: 0 ms per step. @p FeedOutValue: 128.
    /// @p WaitForVerticalBlankFlag: VB_TRUE (only exactly True waits).
    virtual int32_t FeedDarkOutEx(int32_t StopTime = 0, ByRef<int32_t> FeedOutValue = 128,
                                  VBBool WaitForVerticalBlankFlag = VB_TRUE);
    /// Fades toward white by @p FeedOutValue + 1 steps, clamped to 0..255 and
    /// written back. FeedFlashIn() undoes it.
    /// @errors_resume
    /// @onfailure The number of the last failure, 0 when none.
    /// @defaults @p StopTime: 0 ms per step. @p FeedOutValue: 128.
    /// @p WaitForVerticalBlankFlag: VB_TRUE (only exactly True waits).
    virtual int32_t FeedFlashOutEx(int32_t StopTime = 0, ByRef<int32_t> FeedOutValue = 128,
                                   VBBool WaitForVerticalBlankFlag = VB_TRUE);
    /// Brings the palette back up from a FeedDarkOut() or FeedDarkOutEx() of
    /// this object in 256 steps.
    /// @errors_resume
    /// @onfailure The number of the last failure, 0 when none (6 after a flash
    /// out-fade, whose raised components cannot rise further).
    /// @defaults @p StopTime: 0 ms per step. @p WaitForVerticalBlankFlag: VB_TRUE
    /// (only exactly True waits).
    virtual int32_t FeedDarkIn(int32_t StopTime = 0, VBBool WaitForVerticalBlankFlag = VB_TRUE);
    /// Brings the palette back down from a FeedFlashOut() or FeedFlashOutEx()
    /// of this object in 256 steps.
    /// @errors_resume
    /// @onfailure The number of the last failure, 0 when none.
    /// @defaults @p StopTime: 0 ms per step. @p WaitForVerticalBlankFlag: VB_TRUE
    /// (only exactly True waits).
    virtual int32_t FeedFlashIn(int32_t StopTime = 0, VBBool WaitForVerticalBlankFlag = VB_TRUE);
    ///@}

    /// @name Mirror and rotate blit
    ///@{

    /// Copies the @p nSrcWidth x @p nSrcHeight rectangle at (@p xSrc, @p ySrc)
    /// of @p ddsSrc into the @p nDestWidth x @p nDestHeight rectangle at
    /// (@p xDest, @p yDest) of @p ddsDest, scaled, with the effect @p dwFlag
    /// selects. Each FX_Type value selects its own effect; 0, 1 and 3 select
    /// mirror left-right, mirror up-down and rotate 270, and any other value no
    /// effect. Rotations turn counter-clockwise; a non-square rectangle is
    /// rotated whole, the destination rectangle giving its size. Source pixels
    /// of value 0 are never drawn, whatever the source's own colour key.
    /// Nothing is clipped or defaulted.
    /// @errors_resume
    /// @onfailure The platform's status when the blit returned one (nothing is
    /// drawn then); 0 when the call raised.
    /// @defaults None.
    virtual int32_t DDBitBltFX(Ref<DirectDrawSurface7>& ddsSrc, Ref<DirectDrawSurface7>& ddsDest, int32_t xSrc,
                               int32_t ySrc, int32_t nSrcWidth, int32_t nSrcHeight, int32_t nDestWidth,
                               int32_t nDestHeight, int32_t xDest, int32_t yDest, const FX_Type& dwFlag);
    ///@}

    /// @name Fields
    /// The object's state, public as the component's data model; a game reads
    /// them at most.
    ///@{

    /// The platform root object: made with the object, released by DDClose(),
    /// made again by DDSetup().
    Ref<DirectX7> DxRoot;
    /// The open display's device; empty means the display is closed.
    Ref<DirectDraw7> DisplayDevice;
    /// The visible surface: the whole screen.
    Ref<DirectDrawSurface7> PrimarySurface;
    /// The drawing surface DDSetup() returned; colours are converted through it.
    Ref<DirectDrawSurface7> BackBuffer;
    /// Windowed only: the clipper bound to the window, attached to the primary.
    Ref<DirectDrawClipper> WindowClipper;
    /// The window given to DDSetup().
    HWND TargetWindow = 0;
    /// The half-blend table, indexed [screen colour][source colour]; all zero
    /// until built or loaded.
    std::array<std::array<uint8_t, 256>, 256> HarfPalette{};
    /// The @p dwFlags given to DDSetup(): 0 windowed, anything else full-screen.
    ScreenType ScreenMode = NORMALSCREEN;
    /// The palette as the last out-fade found it.
    std::array<PALETTEENTRY, 256> FeedSavedPalette{};
    /// Per entry and component, the steps of the last out-fade it sat at the limit.
    std::array<PALETTEENTRY, 256> FeedHoldCount{};
    /// The window's outer rectangle before DDSetup(); DDClose() puts it back.
    RECT SavedWindowRect{};
    /// FPSCheck() calls since the last measurement.
    int32_t FpsFrameCount = 0;
    /// Whole seconds since midnight of the last measurement; 0: none yet.
    int32_t FpsLastSecond = 0;
    /// Windowed DDFlip(): element 0 is where the present lands, in screen
    /// coordinates; kept when the query fails.
    std::array<RECT, 1> FlipClipList{};
    ///@}

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
