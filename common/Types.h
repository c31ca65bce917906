// Basic value types shared by every component: the 16-bit Boolean, handles,
// RGB colours and the small records the platform exchanges.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include "common/PushSystemMacros.h"

namespace vexo {

// 16-bit Boolean: False = 0, True = -1. Methods test "non-zero" or
// "exactly -1" as their contract says; the helpers name which.
using VBBool = int16_t;
inline constexpr VBBool VB_FALSE = 0;
inline constexpr VBBool VB_TRUE = -1;
inline constexpr bool IsSet(int32_t b) { return b != 0; }
inline constexpr bool IsExactlyTrue(int32_t b) { return b == -1; }

// Window, device-context and GDI-object handles are 32-bit values.
using HWND = int32_t;
using HDC = int32_t;
using HGDIOBJ = int32_t;
using HBITMAP = int32_t;
using COLORREF = uint32_t;
inline constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

// RGB colour: red in the low byte, green in the second, blue in the third.
inline constexpr int32_t RGB(int r, int g, int b) {
    return static_cast<int32_t>((static_cast<uint32_t>(r) & 0xFF) |
                                ((static_cast<uint32_t>(g) & 0xFF) << 8) |
                                ((static_cast<uint32_t>(b) & 0xFF) << 16));
}
inline constexpr int GetRValue(uint32_t c) { return c & 0xFF; }
inline constexpr int GetGValue(uint32_t c) { return (c >> 8) & 0xFF; }
inline constexpr int GetBValue(uint32_t c) { return (c >> 16) & 0xFF; }

struct RECT {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    bool operator==(const RECT&) const = default;
    bool IsAllZero() const { return Left == 0 && Top == 0 && Right == 0 && Bottom == 0; }
};
static_assert(sizeof(RECT) == 16);

struct POINT {
    int32_t x = 0;
    int32_t y = 0;
};

struct PALETTEENTRY {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t flags = 0;
    bool operator==(const PALETTEENTRY&) const = default;
};
static_assert(sizeof(PALETTEENTRY) == 4);

// GDI BITMAP record, 24 bytes in its published 32-bit layout; bmBits is the
// 32-bit pointer field and is always 0 here.
struct BITMAP {
    int32_t bmType = 0;
    int32_t bmWidth = 0;
    int32_t bmHeight = 0;
    int32_t bmWidthBytes = 0;
    uint16_t bmPlanes = 0;
    uint16_t bmBitsPixel = 0;
    uint32_t bmBits = 0;
};
static_assert(sizeof(BITMAP) == 24);

// A method result that may be empty (a variant that was never assigned).
// Holds the kinds the components hand back: nothing, a 32-bit integer,
// a double or a string.
using Variant = std::variant<std::monostate, int32_t, double, std::string>;
inline bool IsEmpty(const Variant& v) { return std::holds_alternative<std::monostate>(v); }

std::ostream& operator<<(std::ostream& os, const RECT& r);
std::ostream& operator<<(std::ostream& os, const PALETTEENTRY& p);

}  // namespace vexo

#include "common/PopSystemMacros.h"
