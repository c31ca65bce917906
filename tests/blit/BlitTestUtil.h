// Helpers for the pixel routine tests: exact-size buffers (so a stray read
// or write shows under AddressSanitizer), pixel access, readable dumps and
// the list of instruction sets this processor runs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "platform/blit/Blit.h"

namespace blittest {

using vexo::RECT;
using vexo::blit::Isa;
using vexo::blit::PixelBuffer;

// A surface whose storage ends with its last pixel: pitch * (h - 1) + the
// last row's bytes, nothing after it.
struct Surface {
    std::vector<uint8_t> bytes;
    PixelBuffer buf;
    Surface(int32_t w, int32_t h, int32_t bpp, int32_t pitch = 0) {
        const int32_t row = w * bpp / 8;
        if (pitch == 0) pitch = row;
        bytes.assign(size_t(pitch) * size_t(h - 1) + size_t(row), 0);
        buf = PixelBuffer{bytes.data(), w, h, pitch, bpp};
    }
    Surface(const Surface& o) : bytes(o.bytes), buf(o.buf) { buf.pixels = bytes.data(); }
    Surface& operator=(const Surface&) = delete;
    uint8_t* At(int32_t x, int32_t y) { return bytes.data() + size_t(y) * buf.pitch + size_t(x) * (buf.bpp / 8); }
    uint32_t Get(int32_t x, int32_t y) {
        uint32_t v = 0;
        std::memcpy(&v, At(x, y), size_t(buf.bpp / 8));
        return v;
    }
    void Set(int32_t x, int32_t y, uint32_t v) { std::memcpy(At(x, y), &v, size_t(buf.bpp / 8)); }
    // Rows separated by " | ", pixels in hex, as the measured dumps are written.
    std::string Dump(const RECT& r) {
        std::ostringstream o;
        o << std::hex;
        for (int32_t y = r.Top; y < r.Bottom; ++y) {
            if (y > r.Top) o << " | ";
            for (int32_t x = r.Left; x < r.Right; ++x) o << (x > r.Left ? " " : "") << Get(x, y);
        }
        return o.str();
    }
};

inline const char* IsaName(Isa isa) {
    return isa == Isa::Plain ? "plain" : isa == Isa::SSE2 ? "SSE2" : "AVX2";
}

// The instruction sets this processor runs (plain first).
inline std::vector<Isa> AvailableIsas() {
    std::vector<Isa> out;
    for (Isa isa : {Isa::Plain, Isa::SSE2, Isa::AVX2}) {
        vexo::blit::ForceIsa(isa);
        if (vexo::blit::ActiveIsa() == isa) out.push_back(isa);
    }
    vexo::blit::ForceIsa(Isa::AVX2);
    return out;
}

// Puts the widest path back after a test that forces one.
struct IsaGuard {
    ~IsaGuard() { vexo::blit::ForceIsa(Isa::AVX2); }
};

// First differing byte of two equally sized buffers, as "byte N (x, y)".
inline std::string FirstDifference(const Surface& a, const Surface& b) {
    for (size_t i = 0; i < a.bytes.size(); ++i) {
        if (a.bytes[i] != b.bytes[i]) {
            std::ostringstream o;
            o << "byte " << i << " (x " << (i % size_t(a.buf.pitch)) / size_t(a.buf.bpp / 8) << ", y "
              << i / size_t(a.buf.pitch) << "): " << int(a.bytes[i]) << " vs " << int(b.bytes[i]);
            return o.str();
        }
    }
    return "";
}

}  // namespace blittest
