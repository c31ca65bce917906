// Text on the software display: the system's ANSI code page (what ANSI
// functions such as DrawTextA take their bytes in) and the fonts device
// contexts draw with.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/Types.h"

namespace vexo::plat {

// --- ANSI code page ------------------------------------------------------------
// The code page in force. It starts as the system locale's: Japanese (ja_*)
// gives 932, the other languages their Windows code page (1250, 1251, 936,
// 949, ...), and the C, POSIX and plain UTF-8 locales 1252.
int32_t AnsiCodePage();
// Puts `codePage` in force (e.g. 932 or 1252); false when the conversion
// library does not know it (the code page in force stays).
bool SetAnsiCodePage(int32_t codePage);
// The code page the system locale names, as used at start.
int32_t LocaleCodePage();

// UTF-8 to the bytes of the code page in force. A character the code page
// cannot hold, and a byte that is no valid UTF-8, becomes '?'.
std::string ToAnsi(std::string_view utf8);
// Bytes of the code page in force back to UTF-8; a byte sequence that is no
// character of it becomes '?'. A lead byte cut off at the end is dropped.
std::string FromAnsi(std::string_view ansi);
// The characters of ANSI bytes, as Unicode code points (same rules).
std::u32string DecodeAnsi(std::string_view ansi);

// --- Fonts -----------------------------------------------------------------------
// A font object for SelectObject. `height` < 0 is the character (em) height
// in pixels, > 0 the cell height (ascent + descent), 0 the default; weight
// 400 regular, 700 bold. `face` is a family name (fontconfig finds the
// nearest installed one; empty gives the default face for the code page).
// Characters missing from the face are drawn from another installed font
// that has them.
HGDIOBJ CreateFont(int32_t height, int32_t weight = 400, bool italic = false, const std::string& face = "");
// The font every device context starts with (the default GUI font).
HGDIOBJ DefaultGuiFont();

struct TextMetrics {
    int32_t ascent = 0;
    int32_t descent = 0;
    int32_t height = 0;  // ascent + descent: the line height DrawTextA uses
};
// Metrics of a font object (the default font for 0 or an unknown handle).
TextMetrics FontMetrics(HGDIOBJ font);
// Width in pixels of a line of characters in that font.
int32_t TextWidth(HGDIOBJ font, std::u32string_view text);

}  // namespace vexo::plat
