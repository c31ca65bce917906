// A small standard MIDI file writer, so tests, benchmarks and the demo make
// their music themselves. Header-only: programs use it without linking
// anything more.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace vexo::midi {

class MidiWriter {
public:
    // `division`: ticks per quarter note (PPQ files).
    explicit MidiWriter(uint16_t division = 480, uint16_t format = 1) : division_(division), format_(format) {}

    // SMPTE timing: `fps` 24, 25, 29 (29.97) or 30, `ticksPerFrame` ticks each.
    void SetSmpte(int fps, int ticksPerFrame) {
        division_ = static_cast<uint16_t>(((-fps) & 0xFF) << 8 | (ticksPerFrame & 0xFF));
    }
    void SetRunningStatus(bool on) { running_ = on; }

    int AddTrack() {
        tracks_.emplace_back();
        return static_cast<int>(tracks_.size()) - 1;
    }
    int Tracks() const { return static_cast<int>(tracks_.size()); }

    void Tempo(int track, uint32_t tick, uint32_t usPerQuarter) {
        Meta(track, tick, 0x51,
             {uint8_t(usPerQuarter >> 16), uint8_t(usPerQuarter >> 8), uint8_t(usPerQuarter)});
    }
    void Bpm(int track, uint32_t tick, double bpm) { Tempo(track, tick, static_cast<uint32_t>(60e6 / bpm + 0.5)); }
    void TimeSignature(int track, uint32_t tick, uint8_t num, uint8_t denPow2) {
        Meta(track, tick, 0x58, {num, denPow2, 24, 8});
    }
    void Program(int track, uint32_t tick, uint8_t ch, uint8_t program) {
        Add(track, tick, {uint8_t(0xC0 | (ch & 15)), uint8_t(program & 127)});
    }
    void Control(int track, uint32_t tick, uint8_t ch, uint8_t cc, uint8_t value) {
        Add(track, tick, {uint8_t(0xB0 | (ch & 15)), uint8_t(cc & 127), uint8_t(value & 127)});
    }
    // `value` 0 .. 16383, 8192 the centre.
    void PitchBend(int track, uint32_t tick, uint8_t ch, int value) {
        Add(track, tick, {uint8_t(0xE0 | (ch & 15)), uint8_t(value & 127), uint8_t((value >> 7) & 127)});
    }
    void NoteOn(int track, uint32_t tick, uint8_t ch, uint8_t key, uint8_t velocity) {
        Add(track, tick, {uint8_t(0x90 | (ch & 15)), uint8_t(key & 127), uint8_t(velocity & 127)});
    }
    // Written as a note-on of velocity 0, the usual form with running status.
    void NoteOff(int track, uint32_t tick, uint8_t ch, uint8_t key) {
        Add(track, tick, {uint8_t(0x90 | (ch & 15)), uint8_t(key & 127), 0}, true);
    }
    void Note(int track, uint32_t tick, uint32_t length, uint8_t ch, uint8_t key, uint8_t velocity) {
        NoteOn(track, tick, ch, key, velocity);
        NoteOff(track, tick + length, ch, key);
    }
    // A track ends at its last event unless it is given a later end here.
    void EndAt(int track, uint32_t tick) { tracks_.at(track).end = std::max(tracks_.at(track).end, tick); }
    // A system-exclusive message: `data` after the F0, ending with its F7.
    void Sysex(int track, uint32_t tick, const std::vector<uint8_t>& data) {
        std::vector<uint8_t> b{0xF0};
        Vlq(b, static_cast<uint32_t>(data.size()));
        b.insert(b.end(), data.begin(), data.end());
        Add(track, tick, std::move(b));
    }
    void Meta(int track, uint32_t tick, uint8_t type, std::vector<uint8_t> data) {
        std::vector<uint8_t> b{0xFF, type};
        Vlq(b, static_cast<uint32_t>(data.size()));
        b.insert(b.end(), data.begin(), data.end());
        Add(track, tick, std::move(b));
    }

    std::vector<uint8_t> Bytes() const {
        std::vector<uint8_t> out{'M', 'T', 'h', 'd', 0, 0, 0, 6};
        Be16(out, format_);
        Be16(out, static_cast<uint16_t>(tracks_.size()));
        Be16(out, division_);
        for (const Track& t : tracks_) {
            std::vector<Event> evs = t.events;
            // Note-offs go before note-ons of the same tick, so a repeated
            // key is not cut by its predecessor's end.
            std::stable_sort(evs.begin(), evs.end(), [](const Event& a, const Event& b) {
                if (a.tick != b.tick) return a.tick < b.tick;
                return a.off > b.off;
            });
            std::vector<uint8_t> body;
            uint32_t now = 0;
            uint8_t status = 0;
            for (const Event& e : evs) {
                Vlq(body, e.tick - now);
                now = e.tick;
                size_t from = 0;
                if (e.bytes[0] < 0xF0) {
                    if (running_ && e.bytes[0] == status) from = 1;
                    status = e.bytes[0];
                } else {
                    status = 0;
                }
                body.insert(body.end(), e.bytes.begin() + static_cast<std::ptrdiff_t>(from), e.bytes.end());
            }
            Vlq(body, std::max(t.end, now) - now);
            body.insert(body.end(), {0xFF, 0x2F, 0x00});
            out.insert(out.end(), {'M', 'T', 'r', 'k'});
            Be32(out, static_cast<uint32_t>(body.size()));
            out.insert(out.end(), body.begin(), body.end());
        }
        return out;
    }

    bool Save(const std::string& path) const {
        std::vector<uint8_t> b = Bytes();
        std::ofstream f(path, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
        return static_cast<bool>(f);
    }

    static void Vlq(std::vector<uint8_t>& b, uint32_t v) {
        uint8_t tmp[5];
        int n = 0;
        do {
            tmp[n++] = v & 0x7F;
            v >>= 7;
        } while (v && n < 5);
        while (n > 1) b.push_back(uint8_t(tmp[--n] | 0x80));
        b.push_back(tmp[0]);
    }

private:
    struct Event {
        uint32_t tick;
        bool off;
        std::vector<uint8_t> bytes;
    };
    struct Track {
        std::vector<Event> events;
        uint32_t end = 0;
    };

    void Add(int track, uint32_t tick, std::vector<uint8_t> bytes, bool off = false) {
        Track& t = tracks_.at(track);
        t.events.push_back({tick, off, std::move(bytes)});
        t.end = std::max(t.end, tick);
    }
    static void Be16(std::vector<uint8_t>& b, uint16_t v) { b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)}); }
    static void Be32(std::vector<uint8_t>& b, uint32_t v) {
        b.insert(b.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)});
    }

    uint16_t division_;
    uint16_t format_;
    bool running_ = true;
    std::vector<Track> tracks_;
};

}  // namespace vexo::midi
