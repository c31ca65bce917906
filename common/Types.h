/// @file
/// Basic value types shared by every component: the 16-bit Boolean, handles,
/// RGB colours and the small records the platform exchanges.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include "common/PushSystemMacros.h"

namespace vexo {

/// 16-bit Boolean: False = 0, True = -1. Each method says whether it tests
/// "non-zero" (IsSet) or "exactly -1" (IsExactlyTrue); the two differ for 1.
using VBBool = int16_t;
/// False.
inline constexpr VBBool VB_FALSE = 0;
/// True: all bits set.
inline constexpr VBBool VB_TRUE = -1;
/// The "non-zero" test of a Boolean.
inline constexpr bool IsSet(int32_t b) { return b != 0; }
/// The "exactly True (-1)" test of a Boolean.
inline constexpr bool IsExactlyTrue(int32_t b) { return b == -1; }

/// A window handle (32-bit).
using HWND = int32_t;
/// A device-context handle (32-bit).
using HDC = int32_t;
/// A handle of a GDI object: a bitmap or a font (32-bit).
using HGDIOBJ = int32_t;
/// A GDI bitmap handle (32-bit).
using HBITMAP = int32_t;
/// A colour as GDI takes it: red in the low byte (see RGB).
using COLORREF = uint32_t;
/// The colour GDI returns when it has none to give.
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

/// An RGB colour: red in the low byte, green in the second, blue in the
/// third; each component is taken modulo 256.
inline constexpr int32_t RGB(int r, int g, int b) {
    return static_cast<int32_t>((static_cast<uint32_t>(r) & 0xFF) |
                                ((static_cast<uint32_t>(g) & 0xFF) << 8) |
                                ((static_cast<uint32_t>(b) & 0xFF) << 16));
}
/// The red component of an RGB colour.
inline constexpr int GetRValue(uint32_t c) { return c & 0xFF; }
/// The green component of an RGB colour.
inline constexpr int GetGValue(uint32_t c) { return (c >> 8) & 0xFF; }
/// The blue component of an RGB colour.
inline constexpr int GetBValue(uint32_t c) { return (c >> 16) & 0xFF; }

/// A rectangle; right and bottom are exclusive, so the width is Right - Left.
/// Where a blit takes one, all zero stands for the whole surface.
struct RECT {
    int32_t Left = 0;    ///< Left edge, inclusive.
    int32_t Top = 0;     ///< Top edge, inclusive.
    int32_t Right = 0;   ///< Right edge, exclusive.
    int32_t Bottom = 0;  ///< Bottom edge, exclusive.
    /// Equal when all four edges are.
    bool operator==(const RECT&) const = default;
    /// True when all four edges are 0.
    bool IsAllZero() const { return Left == 0 && Top == 0 && Right == 0 && Bottom == 0; }
};
static_assert(sizeof(RECT) == 16);

/// A point.
struct POINT {
    int32_t x = 0;  ///< Column.
    int32_t y = 0;  ///< Row.
};

/// One palette entry: four bytes in the order red, green, blue, flags.
/// Palettes have 256 entries.
struct PALETTEENTRY {
    uint8_t red = 0;    ///< Red, 0 to 255.
    uint8_t green = 0;  ///< Green, 0 to 255.
    uint8_t blue = 0;   ///< Blue, 0 to 255.
    uint8_t flags = 0;  ///< Platform flags; the components leave them 0.
    /// Equal when all four bytes are.
    bool operator==(const PALETTEENTRY&) const = default;
};
static_assert(sizeof(PALETTEENTRY) == 4);

/// The GDI bitmap record, 24 bytes in its published 32-bit layout.
struct BITMAP {
    int32_t bmType = 0;        ///< Always 0.
    int32_t bmWidth = 0;       ///< Width in pixels.
    int32_t bmHeight = 0;      ///< Height in pixels.
    int32_t bmWidthBytes = 0;  ///< Bytes per line.
    uint16_t bmPlanes = 0;     ///< Colour planes: 1.
    uint16_t bmBitsPixel = 0;  ///< Bits per pixel.
    uint32_t bmBits = 0;       ///< The 32-bit pointer field; always 0 here.
};
static_assert(sizeof(BITMAP) == 24);

/// A method result that may be empty (a variant never assigned). It holds
/// the kinds the components hand back: nothing, a 32-bit integer, a double or
/// a string. DX7Draw::DDBltFast, for instance, gives a status or nothing.
using Variant = std::variant<std::monostate, int32_t, double, std::string>;
/// True for an empty variant.
inline bool IsEmpty(const Variant& v) { return std::holds_alternative<std::monostate>(v); }

/// Prints a rectangle as RECT{Left, Top, Right, Bottom}, for test messages.
std::ostream& operator<<(std::ostream& os, const RECT& r);
/// Prints a palette entry as PALETTEENTRY{red, green, blue, flags}.
std::ostream& operator<<(std::ostream& os, const PALETTEENTRY& p);

}  // namespace vexo

#include "common/PopSystemMacros.h"
