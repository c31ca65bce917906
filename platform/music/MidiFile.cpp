// Standard MIDI file reader. Every length read from the file is checked
// against the bytes that are really there before it is used.
#include "platform/music/MidiFile.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>

#include "common/DMusic.h"

namespace vexo::plat::music {

namespace {

uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t Be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]; }

// Converts file ticks to music time.
struct TimeBase {
    // music time = ticks * num / den
    uint64_t num = 1;
    uint64_t den = 1;
    bool smpte = false;
    bool ToMusicTime(uint64_t ticks, int32_t& out) const {
        // ticks are bounded (see kMaxTicks), so the product stays in range.
        uint64_t mt = (ticks * num + den / 2) / den;
        if (mt > uint64_t(std::numeric_limits<int32_t>::max())) return false;
        out = static_cast<int32_t>(mt);
        return true;
    }
};
constexpr uint64_t kMaxTicks = uint64_t(1) << 36;

struct Reader {
    const uint8_t* p;
    size_t n;
    size_t pos = 0;
    bool ranOut = false;  // a read wanted bytes past the end
    bool Byte(uint8_t& b) {
        if (pos >= n) return !(ranOut = true);
        b = p[pos++];
        return true;
    }
    // Variable-length quantity of at most four bytes.
    bool Vlq(uint32_t& v) {
        v = 0;
        for (int i = 0; i < 4; ++i) {
            uint8_t b;
            if (!Byte(b)) return false;
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return true;
        }
        return false;
    }
    bool Skip(uint32_t len) {
        if (len > n - pos) return !(ranOut = true);
        pos += len;
        return true;
    }
};

// `cut`: the file ends inside this track. Running out of bytes there ends the
// track after its last whole event, as common players read such files;
// damaged data still fails.
int32_t ParseTrack(const uint8_t* data, size_t len, bool cut, const TimeBase& tb, std::vector<MidiEvent>& out,
                   Song& song, bool& timeSigSeen) {
    constexpr int32_t kBad = status::DMUS_E_INVALIDFILE;
    Reader r{data, len};
    uint64_t tick = 0;
    uint8_t running = 0;
    int32_t mt = 0;
    int32_t whole = 0;  // music time of the last whole event
    auto fail = [&] {
        if (!cut || !r.ranOut) return kBad;
        song.length = std::max(song.length, whole);
        return 0;
    };
    while (r.pos < r.n) {
        uint32_t delta;
        if (!r.Vlq(delta)) return fail();
        tick += delta;
        if (tick > kMaxTicks || !tb.ToMusicTime(tick, mt)) return kBad;
        uint8_t b;
        if (!r.Byte(b)) return fail();
        uint8_t st;
        if (b & 0x80) {
            if (b == 0xFF) {
                uint8_t type;
                uint32_t l;
                if (!r.Byte(type) || !r.Vlq(l)) return fail();
                if (l > r.n - r.pos) {
                    r.ranOut = true;
                    return fail();
                }
                const uint8_t* d = r.p + r.pos;
                r.pos += l;
                whole = mt;
                if (type == 0x2F) break;
                if (type == 0x51 && l == 3 && !tb.smpte) {
                    uint32_t us = uint32_t(d[0]) << 16 | uint32_t(d[1]) << 8 | d[2];
                    // A zero tempo would make time stand still; ignore it.
                    if (us) out.push_back({mt, MidiEvent::Tempo, 0, 0, 0, us});
                } else if (type == 0x58 && l >= 2 && !timeSigSeen) {
                    timeSigSeen = true;
                    song.timeSigNumerator = d[0] ? d[0] : 4;
                    song.timeSigDenominator = d[1] < 8 ? uint8_t(1u << d[1]) : 4;
                }
                continue;
            }
            if (b == 0xF0 || b == 0xF7) {
                uint32_t l;
                if (!r.Vlq(l) || !r.Skip(l)) return fail();
                whole = mt;
                continue;
            }
            if (b > 0xF0) return kBad;  // system common / real-time bytes do not belong in a file
            st = running = b;
        } else {
            if (!running) return kBad;
            st = running;
            --r.pos;  // b was the first data byte
        }
        uint8_t hi = st & 0xF0;
        uint8_t d1 = 0, d2 = 0;
        if (!r.Byte(d1)) return fail();
        if (d1 > 127) return kBad;
        if (hi != 0xC0 && hi != 0xD0) {
            if (!r.Byte(d2)) return fail();
            if (d2 > 127) return kBad;
        }
        out.push_back({mt, MidiEvent::Channel, st, d1, d2, 0});
        song.channelsUsed |= uint16_t(1u << (st & 15));
        whole = mt;
    }
    song.length = std::max(song.length, mt);
    return 0;
}

}  // namespace

int32_t ParseMidi(std::span<const uint8_t> bytes, Song& song) {
    const uint8_t* p = bytes.data();
    size_t n = bytes.size();
    // RIFF-wrapped MIDI (RMID): the standard file sits in the "data" chunk.
    if (n >= 12 && !std::memcmp(p, "RIFF", 4) && !std::memcmp(p + 8, "RMID", 4)) {
        size_t pos = 12;
        bool found = false;
        while (n - pos >= 8) {
            uint32_t l = Le32(p + pos + 4);
            if (l > n - pos - 8) return status::DMUS_E_INVALIDFILE;
            if (!std::memcmp(p + pos, "data", 4)) {
                p += pos + 8;
                n = l;
                found = true;
                break;
            }
            pos += 8 + l + (l & 1);
            if (pos > n) break;
        }
        if (!found) return status::DMUS_E_INVALIDFILE;
    }
    if (n < 4 || std::memcmp(p, "MThd", 4)) return status::DMUS_E_LOADER_FORMATNOTSUPPORTED;
    if (n < 14) return status::DMUS_E_INVALIDFILE;
    uint32_t hlen = Be32(p + 4);
    if (hlen < 6 || hlen > n - 8) return status::DMUS_E_INVALIDFILE;
    uint16_t format = Be16(p + 8);
    uint16_t ntracks = Be16(p + 10);
    uint16_t division = Be16(p + 12);
    // Format 2 holds independent sequences, which a segment cannot express.
    if (format == 2) return status::DMUS_E_LOADER_FORMATNOTSUPPORTED;
    if (format > 2 || ntracks == 0) return status::DMUS_E_INVALIDFILE;

    TimeBase tb;
    if (division & 0x8000) {
        int fps = -int(int8_t(division >> 8));
        uint32_t tpf = division & 0xFF;
        if (tpf == 0 || (fps != 24 && fps != 25 && fps != 29 && fps != 30)) return status::DMUS_E_INVALIDFILE;
        // Absolute time, played as music time at 120 BPM (1536 ticks a second).
        tb.smpte = true;
        if (fps == 29) {
            tb.num = 1536ull * 1001;
            tb.den = 30000ull * tpf;
        } else {
            tb.num = 1536;
            tb.den = uint64_t(fps) * tpf;
        }
    } else {
        if (division == 0) return status::DMUS_E_INVALIDFILE;
        tb.num = kPpq;
        tb.den = division;
    }

    Song s;
    std::vector<MidiEvent> all;
    bool timeSigSeen = false;
    size_t pos = 8 + hlen;
    int found = 0;
    while (found < ntracks) {
        if (n - pos < 8) return status::DMUS_E_INVALIDFILE;  // fewer tracks than the header says
        uint32_t l = Be32(p + pos + 4);
        bool track = !std::memcmp(p + pos, "MTrk", 4);
        // Only the last track may be cut by the end of the file: a track
        // before it that runs past the end leaves tracks missing.
        bool cut = l > n - pos - 8;
        if (cut && (!track || found != ntracks - 1)) return status::DMUS_E_INVALIDFILE;
        if (cut) l = uint32_t(n - pos - 8);
        if (track) {
            int32_t st = ParseTrack(p + pos + 8, l, cut, tb, all, s, timeSigSeen);
            if (st) return st;
            ++found;
        }
        pos += 8 + size_t(l);
    }
    // Tracks were appended one after another; a stable sort by time merges
    // them and keeps file order among events of the same time.
    std::stable_sort(all.begin(), all.end(), [](const MidiEvent& a, const MidiEvent& b) { return a.time < b.time; });
    s.events = std::move(all);
    song = std::move(s);
    return 0;
}

int32_t LoadMidiFile(const std::string& path, Song& song) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return status::DMUS_E_LOADER_FAILEDOPEN;
    std::ifstream f(path, std::ios::binary);
    if (!f) return status::DMUS_E_LOADER_FAILEDOPEN;
    f.seekg(0, std::ios::end);
    std::streamoff size = f.tellg();
    if (size < 0) return status::DMUS_E_LOADER_FAILEDOPEN;
    if (static_cast<uint64_t>(size) > kMaxMidiFileBytes) return status::DMUS_E_INVALIDFILE;
    f.seekg(0);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (size && !f.read(reinterpret_cast<char*>(bytes.data()), size)) return status::DMUS_E_LOADER_FAILEDOPEN;
    return ParseMidi(bytes, song);
}

}  // namespace vexo::plat::music
