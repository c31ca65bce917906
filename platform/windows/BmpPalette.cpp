// The colour table of a bitmap file, read from the file's headers. Every
// size and offset the headers claim is checked against the file's length
// first, with the same rules as the software platform's picture loader, so
// both platforms accept and refuse the same files.
#include <algorithm>
#include <climits>
#include <vector>

#include "common/Error.h"
#include "platform/windows/WinDDraw.h"

namespace vexo::win {

namespace {

constexpr int32_t kMaxSide = 32768;
constexpr int64_t kMaxPixels = int64_t(64) << 20;
constexpr int64_t kMaxFile = int64_t(256) << 20;
// File header, the largest information header, bit-field masks and a full
// 256-entry table: all a colour table can need.
constexpr size_t kPrefix = 14 + 124 + 16 + 256 * 4;

class Handle {
public:
    explicit Handle(HANDLE h) : h_(h) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (h_ != INVALID_HANDLE_VALUE) CloseHandle(h_);
    }
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

// The start of the file and its whole length; raises 0x80070002 when it
// cannot be read.
std::vector<uint8_t> ReadPrefix(const std::string& path, int64_t& length) {
    if (path.empty()) Raise(kFileNotFound);
    Handle f(CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER size{};
    if (f.get() == INVALID_HANDLE_VALUE || !GetFileSizeEx(f.get(), &size)) Raise(kFileNotFound);
    // The software platform refuses files it would not load whole.
    if (size.QuadPart > kMaxFile) Raise(kFileNotFound);
    length = size.QuadPart;
    std::vector<uint8_t> bytes(size_t(std::min<int64_t>(length, int64_t(kPrefix))));
    size_t got = 0;
    while (got < bytes.size()) {
        DWORD n = 0;
        if (!ReadFile(f.get(), bytes.data() + got, DWORD(bytes.size() - got), &n, nullptr) || n == 0)
            Raise(kFileNotFound);
        got += n;
    }
    return bytes;
}

[[noreturn]] void Refuse() { Raise(kFail); }

}  // namespace

void ReadBitmapColorTable(const std::string& path, std::span<PALETTEENTRY> entries) {
    if (entries.size() < 256) Raise(kInvalidArg);
    int64_t len = 0;
    const std::vector<uint8_t> f = ReadPrefix(path, len);
    auto u16 = [&](size_t at) { return uint32_t(f[at]) | uint32_t(f[at + 1]) << 8; };
    auto u32 = [&](size_t at) { return u16(at) | u16(at + 2) << 16; };

    if (len < 26 || f[0] != 'B' || f[1] != 'M') Refuse();
    const uint32_t offBits = u32(10), infoSize = u32(14);
    int32_t width = 0, height = 0, bpp = 0, colors = 0;
    uint32_t compression = 0;
    size_t entrySize = 4;
    if (infoSize == 12) {
        width = int32_t(u16(18));
        height = int32_t(u16(20));
        bpp = int32_t(u16(24));
        entrySize = 3;
    } else if (infoSize >= 40 && infoSize <= 124 && len >= 14 + int64_t(infoSize)) {
        width = int32_t(u32(18));
        height = int32_t(u32(22));
        bpp = int32_t(u16(28));
        compression = u32(30);
        colors = int32_t(u32(46));
    } else {
        Refuse();
    }
    size_t tableAt = 14 + size_t(infoSize);
    // A 40-byte header is followed by its bit-field masks.
    if (infoSize == 40 && (compression == 3 || compression == 6)) tableAt += compression == 3 ? 12 : 16;
    if (width <= 0 || height == 0 || height == INT_MIN) Refuse();
    const int64_t rows = height < 0 ? -int64_t(height) : height;
    if (width > kMaxSide || rows > kMaxSide || int64_t(width) * rows > kMaxPixels) Refuse();
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) Refuse();
    const bool rle = compression == 1 || compression == 2;
    if ((compression == 1 && bpp != 8) || (compression == 2 && bpp != 4) ||
        ((compression == 3 || compression == 6) && bpp != 16 && bpp != 32) ||
        (compression != 0 && !rle && compression != 3 && compression != 6))
        Refuse();
    // Run-length encoded bitmaps cannot be stored top-down.
    if (rle && height < 0) Refuse();
    // Direct-colour files carry no colour table to give.
    if (bpp > 8) Refuse();
    if (colors <= 0 || colors > (1 << bpp)) colors = 1 << bpp;
    if (int64_t(tableAt) + int64_t(colors) * int64_t(entrySize) > len) Refuse();
    if (int64_t(offBits) >= len) Refuse();
    if (!rle) {
        const int64_t stride = ((int64_t(width) * bpp + 31) / 32) * 4;
        if (int64_t(offBits) + stride * rows > len) Refuse();
    }
    for (size_t i = 0; i < 256; ++i) entries[i] = PALETTEENTRY{};
    for (int32_t i = 0; i < colors; ++i) {
        const size_t at = tableAt + size_t(i) * entrySize;
        entries[size_t(i)] = {f[at + 2], f[at + 1], f[at], 0};
    }
}

}  // namespace vexo::win
