// Display names of DirectInput key codes. Every name starts with a space.
// Games compare and show these texts as they stand, so the odd ones stay odd
// (" RightSHIF", "  [", " =" for code 12, the F13 to F15 order); the Japanese
// names are UTF-8.
#include "input/KeyNames.h"

#include <array>

namespace vexo {

namespace {

constexpr std::array<std::string_view, 256> MakeTable() {
    std::array<std::string_view, 256> t{};
    t[0x01] = " ESCAPE";
    t[0x02] = " 1";
    t[0x03] = " 2";
    t[0x04] = " 3";
    t[0x05] = " 4";
    t[0x06] = " 5";
    t[0x07] = " 6";
    t[0x08] = " 7";
    t[0x09] = " 8";
    t[0x0A] = " 9";
    t[0x0B] = " 0";
    t[0x0C] = " =";
    t[0x0D] = " EQUALS ";
    t[0x0E] = " BACK BACKSPACE";
    t[0x0F] = " TAB";
    t[0x10] = " Q";
    t[0x11] = " W";
    t[0x12] = " E";
    t[0x13] = " R";
    t[0x14] = " T";
    t[0x15] = " Y";
    t[0x16] = " U";
    t[0x17] = " I";
    t[0x18] = " O";
    t[0x19] = " P";
    t[0x1A] = "  [";
    t[0x1B] = "  ]";
    t[0x1C] = " RETURN  ENTER";
    t[0x1D] = " LeftCONTROL";
    t[0x1E] = " A";
    t[0x1F] = " S";
    t[0x20] = " D";
    t[0x21] = " F";
    t[0x22] = " G";
    t[0x23] = " H";
    t[0x24] = " J";
    t[0x25] = " K";
    t[0x26] = " L";
    t[0x27] = " ;";
    t[0x28] = " APOSTROPHE";
    t[0x29] = " GRAVE  Grave accent (`)";
    t[0x2A] = " LeftSHIFT";
    t[0x2B] = " BACKSLASH";
    t[0x2C] = " Z";
    t[0x2D] = " X";
    t[0x2E] = " C";
    t[0x2F] = " V";
    t[0x30] = " B";
    t[0x31] = " N";
    t[0x32] = " M";
    t[0x33] = " ,";
    t[0x34] = " .";
    t[0x35] = " /";
    t[0x36] = " RightSHIF";
    t[0x37] = " *";
    t[0x38] = " LeftALT";
    t[0x39] = " SPACE";
    t[0x3A] = " CAPS LOCK";
    t[0x3B] = " F1";
    t[0x3C] = " F2";
    t[0x3D] = " F3";
    t[0x3E] = " F4";
    t[0x3F] = " F5";
    t[0x40] = " F6";
    t[0x41] = " F7";
    t[0x42] = " F8";
    t[0x43] = " F9";
    t[0x44] = " F10";
    t[0x45] = " v NUMLOCK";
    t[0x46] = " SCROLL LOCK";
    t[0x47] = " NUMPAD7";
    t[0x48] = " NUMPAD8";
    t[0x49] = " NUMPAD9";
    t[0x4A] = " - ";
    t[0x4B] = " NUMPAD4";
    t[0x4C] = " NUMPAD5";
    t[0x4D] = " NUMPAD6";
    t[0x4E] = " +";
    t[0x4F] = " NUMPAD1";
    t[0x50] = " NUMPAD2";
    t[0x51] = " NUMPAD3";
    t[0x52] = " NUMPAD0";
    t[0x53] = " .";
    t[0x54] = " F14";
    t[0x55] = " F15";
    t[0x56] = " F13";
    t[0x57] = " F11";
    t[0x58] = " F12";
    t[0x5B] = " NUMPAD COMMA From NEC-PC98";
    t[0x70] = " ひらがな/カタカナ";
    t[0x74] = " PAUSE";
    t[0x79] = " 前候補";
    t[0x7B] = " 無変換";
    t[0x7D] = " \\";
    t[0x90] = " ^";
    t[0x91] = " @";
    t[0x92] = " :";
    t[0x9C] = " NUMPAD ENTER";
    t[0x9D] = " RCONTROL";
    t[0xB5] = " /";
    t[0xB7] = " SYSRQ";
    t[0xB8] = " RightALT";
    t[0xC5] = " PAUSE";
    t[0xC7] = " HOME";
    t[0xC8] = " UP";
    t[0xC9] = " PAGE UP";
    t[0xCB] = " LEFT";
    t[0xCD] = " RIGHT";
    t[0xCF] = " END";
    t[0xD0] = " DOWN";
    t[0xD1] = " PAGE DOWN";
    t[0xD2] = " INSERT";
    t[0xD3] = " DELETE";
    t[0xDB] = " LeftWIN";
    t[0xDC] = " RightWIN";
    t[0xDD] = " APPS  Application key";
    return t;
}

constexpr std::array<std::string_view, 256> kKeyNames = MakeTable();

}  // namespace

std::string_view KeyCodeName(uint8_t code) { return kKeyNames[code]; }

}  // namespace vexo
