#include "Assets.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <vector>

namespace game {
namespace {

class Bytes {
public:
    void U8(unsigned v) { data_.push_back(static_cast<char>(v & 0xFF)); }
    void Le16(unsigned v) { U8(v), U8(v >> 8); }
    void Le32(uint32_t v) { Le16(v & 0xFFFF), Le16(v >> 16); }
    void Be16(unsigned v) { U8(v >> 8), U8(v); }
    void Be32(uint32_t v) { Be16(v >> 16), Be16(v & 0xFFFF); }
    void Text(const char* s) {
        while (*s) U8(static_cast<unsigned char>(*s++));
    }
    void Append(const Bytes& other) { data_.insert(data_.end(), other.data_.begin(), other.data_.end()); }
    size_t Size() const { return data_.size(); }
    bool Save(const std::string& path) const {
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(data_.data(), static_cast<std::streamsize>(data_.size()));
        return static_cast<bool>(f);
    }

private:
    std::vector<char> data_;
};

}  // namespace

bool WriteSprite(const std::string& path) {
    const int n = kSpriteSize, row = (n * 3 + 3) & ~3;
    Bytes b;
    b.Text("BM");
    b.Le32(54 + row * n);
    b.Le32(0);
    b.Le32(54);
    b.Le32(40);
    b.Le32(n);
    b.Le32(n);  // bottom-up
    b.Le16(1);
    b.Le16(24);
    b.Le32(0);
    b.Le32(row * n);
    for (int i = 0; i < 4; ++i) b.Le32(0);
    for (int y = n - 1; y >= 0; --y) {
        for (int x = 0; x < n; ++x) {
            const double dx = x + 0.5 - n / 2.0, dy = y + 0.5 - n / 2.0;
            int c = dx * dx + dy * dy <= (n / 2.0 - 1) * (n / 2.0 - 1) ? kBodyColour : kKeyColour;
            if (std::abs(dx - 6) < 3 && std::abs(dy + 6) < 3) c = kEyeColour;
            b.U8(c >> 16), b.U8(c >> 8), b.U8(c);  // blue, green, red
        }
        for (int pad = n * 3; pad < row; ++pad) b.U8(0);
    }
    return b.Save(path);
}

bool WriteBeep(const std::string& path) {
    const int rate = 22050, frames = rate / 5;
    Bytes b;
    b.Text("RIFF");
    b.Le32(36 + frames * 2);
    b.Text("WAVEfmt ");
    b.Le32(16);
    b.Le16(1);
    b.Le16(1);
    b.Le32(rate);
    b.Le32(rate * 2);
    b.Le16(2);
    b.Le16(16);
    b.Text("data");
    b.Le32(frames * 2);
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / frames;
        phase += (440.0 + 440.0 * t) / rate;
        const double v = 0.3 * std::sin(2 * 3.14159265358979 * phase) * (1.0 - t);
        b.Le16(static_cast<unsigned>(static_cast<int16_t>(std::lround(v * 32767))) & 0xFFFF);
    }
    return b.Save(path);
}

bool WriteTune(const std::string& path) {
    // One track: tempo, piano, then a quarter note each of a rising phrase.
    Bytes track;
    track.U8(0), track.U8(0xFF), track.U8(0x51), track.U8(3);
    track.U8(0x07), track.U8(0xA1), track.U8(0x20);  // 500000 us a quarter: 120 bpm
    track.U8(0), track.U8(0xC0), track.U8(0);
    const int notes[] = {60, 64, 67, 72, 67, 64, 60, 55, 60, 64, 67, 72, 76, 72, 67, 60};
    for (int note : notes) {
        track.U8(0), track.U8(0x90), track.U8(note), track.U8(96);
        track.U8(0x83), track.U8(0x60), track.U8(0x80), track.U8(note), track.U8(0);  // 480 ticks later
    }
    track.U8(0), track.U8(0xFF), track.U8(0x2F), track.U8(0);

    Bytes b;
    b.Text("MThd");
    b.Be32(6);
    b.Be16(0);
    b.Be16(1);
    b.Be16(480);
    b.Text("MTrk");
    b.Be32(static_cast<uint32_t>(track.Size()));
    b.Append(track);
    return b.Save(path);
}

}  // namespace game
