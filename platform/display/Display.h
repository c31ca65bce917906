/// @file
/// The software display's own functions for applications and tests: the
/// desktop's size and depth, the amount of video memory, application
/// windows, and a look at the screen (a pixel, or a PNG of the screen or of
/// a window's client area). Everything else is reached through common/.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/Types.h"

namespace vexo::plat {

/// The desktop windowed displays draw on (default 1920 x 1080, 32 bits).
/// Depth 8, 16 (5-6-5), 24 or 32; raises E_INVALIDARG otherwise. Surfaces
/// made before keep the old desktop's pixels.
void SetDesktop(int32_t width, int32_t height, int32_t bpp);
/// The desktop in force: its size and depth.
void GetDesktop(int32_t& width, int32_t& height, int32_t& bpp);
/// The display mode in force (the desktop unless a full-screen mode is set).
void GetScreenMode(int32_t& width, int32_t& height, int32_t& bpp);

/// Video memory for off-screen surfaces asked for without a memory flag
/// (default 8 MB). Surfaces already there stay.
void SetVideoMemory(int64_t bytes);
/// The video memory not yet taken by surfaces, in bytes.
int64_t VideoMemoryFree();

/// Application windows: a client area of clientW x clientH at outer position
/// (x, y) (relative to the parent's client area for a child), with a classic
/// frame of 8 extra pixels in width and 27 in height. 0 on bad arguments.
HWND CreateWindow(const std::string& title, int32_t x, int32_t y, int32_t clientW, int32_t clientH,
                  HWND parent = 0);
/// Closes a window made by CreateWindow (and its children).
void DestroyWindow(HWND hwnd);
/// Windows whose close button the user pressed since the last call.
std::vector<HWND> TakeCloseRequests();

/// The screen as shown (8-bit screens through the palette in force).
/// ScreenPixel gives an RGB colour (red in the low byte), CLR_INVALID
/// outside the screen.
COLORREF ScreenPixel(int32_t x, int32_t y);
/// Saves the screen as shown as a PNG file; false when it cannot be written.
bool SaveScreenPng(const std::string& path);
/// Saves the visible part of a window's client area on the screen.
bool SaveWindowPng(HWND hwnd, const std::string& path);

/// The display counter of ShowCursor (the cursor shows while it is >= 0).
int32_t CursorCount();
/// The backend chosen at start-up ("headless", "sdl").
std::string BackendName();

}  // namespace vexo::plat
