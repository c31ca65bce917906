// The MIDI file reader: formats, running status, tempo and time signature,
// divisions mapped to music time, and files that lie or end early.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "common/DMusic.h"
#include "platform/music/MidiFile.h"
#include "platform/music/MidiWriter.h"

namespace vexo::plat::music {
namespace {

using midi::MidiWriter;

Song Parse(const std::vector<uint8_t>& b, int32_t expect = 0) {
    Song s;
    EXPECT_EQ(expect, ParseMidi(b, s));
    return s;
}

std::vector<MidiEvent> ChannelEvents(const Song& s) {
    std::vector<MidiEvent> v;
    for (const MidiEvent& e : s.events)
        if (e.kind == MidiEvent::Channel) v.push_back(e);
    return v;
}

TEST(MidiFile, FormatsRunningStatusAndMetaEvents) {
    // Format 1: a tempo track and two note tracks, merged in time order.
    MidiWriter w(96, 1);
    int t0 = w.AddTrack(), t1 = w.AddTrack(), t2 = w.AddTrack();
    w.Tempo(t0, 0, 400000);
    w.TimeSignature(t0, 0, 3, 3);  // 3/8
    w.Tempo(t0, 192, 1000000);
    w.Note(t1, 0, 48, 0, 60, 100);
    w.Note(t1, 96, 48, 0, 62, 100);
    w.Note(t2, 48, 96, 9, 36, 90);
    w.PitchBend(t2, 50, 9, 8192 + 100);
    w.EndAt(t2, 384);
    Song s = Parse(w.Bytes());
    EXPECT_EQ(3, s.timeSigNumerator);
    EXPECT_EQ(8, s.timeSigDenominator);
    EXPECT_EQ(384 * 8, s.length);  // 96 ticks a quarter -> 768
    EXPECT_EQ(uint16_t(1u << 0 | 1u << 9), s.channelsUsed);
    ASSERT_EQ(9u, s.events.size());
    EXPECT_EQ(MidiEvent::Tempo, s.events[0].kind);
    EXPECT_EQ(400000u, s.events[0].tempo);
    for (size_t i = 1; i < s.events.size(); ++i) EXPECT_LE(s.events[i - 1].time, s.events[i].time);
    std::vector<MidiEvent> ch = ChannelEvents(s);
    ASSERT_EQ(7u, ch.size());
    EXPECT_EQ(0x90, ch[0].status);
    EXPECT_EQ(60, ch[0].data1);
    EXPECT_EQ(48 * 8, ch[2].time);  // drum note on channel 10, after track 1's note-off of that time
    EXPECT_EQ(0x99, ch[2].status);
    EXPECT_EQ(50 * 8, ch[3].time);
    EXPECT_EQ(0xE9, ch[3].status);
    EXPECT_EQ((8192 + 100) & 127, ch[3].data1);
    EXPECT_EQ(1000000u, s.events.back().kind == MidiEvent::Tempo ? s.events.back().tempo : [&] {
        for (const MidiEvent& e : s.events)
            if (e.kind == MidiEvent::Tempo && e.time == 192 * 8) return e.tempo;
        return 0u;
    }());

    // The same music written without running status, in format 0 and at
    // another division, reads as the same events.
    MidiWriter a(480, 0), b(120, 0);
    for (MidiWriter* x : {&a, &b}) {
        int t = x->AddTrack();
        int q = x == &a ? 480 : 120;
        x->Program(t, 0, 3, 10);
        for (int i = 0; i < 4; ++i) x->Note(t, uint32_t(i * q), uint32_t(q / 2), 3, uint8_t(60 + i), 80);
    }
    b.SetRunningStatus(false);
    MidiWriter c = a;
    c.SetRunningStatus(false);
    std::vector<uint8_t> ba = a.Bytes();
    EXPECT_LT(ba.size(), c.Bytes().size());  // running status really was used in `a`
    Song sa = Parse(ba), sb = Parse(b.Bytes()), sc = Parse(c.Bytes());
    ASSERT_EQ(sa.events.size(), sc.events.size());
    for (size_t i = 0; i < sa.events.size(); ++i) EXPECT_EQ(sa.events[i].data2, sc.events[i].data2) << i;
    ASSERT_EQ(sa.events.size(), sb.events.size());
    for (size_t i = 0; i < sa.events.size(); ++i) {
        EXPECT_EQ(sa.events[i].time, sb.events[i].time) << i;
        EXPECT_EQ(sa.events[i].status, sb.events[i].status) << i;
        EXPECT_EQ(sa.events[i].data1, sb.events[i].data1) << i;
    }
    EXPECT_EQ(3 * 768 + 384, sa.length);

    // A system-exclusive message, longer than a one-byte length, between
    // notes written with running status: skipped, and the status after it
    // written out again.
    MidiWriter x(96, 0);
    int tx = x.AddTrack();
    x.Note(tx, 0, 10, 5, 60, 100);
    x.Sysex(tx, 5, std::vector<uint8_t>(200, 0x11));
    x.Note(tx, 20, 10, 5, 62, 100);
    std::vector<uint8_t> xb = x.Bytes();
    const uint8_t resumed[] = {0x11, 5, 0x95};  // end of the message, delta, status
    EXPECT_NE(xb.end(), std::search(xb.begin(), xb.end(), std::begin(resumed), std::end(resumed)));
    std::vector<MidiEvent> ex = ChannelEvents(Parse(xb));
    ASSERT_EQ(4u, ex.size());
    EXPECT_EQ(0x95, ex[2].status);
    EXPECT_EQ(62, ex[2].data1);
    EXPECT_EQ(20 * 8, ex[2].time);
}

TEST(MidiFile, SmpteDivisionAndRiffWrapper) {
    // 25 frames of 40 ticks: 1000 ticks a second, played as 120 BPM music
    // time (1536 a second); tempo events have no say.
    MidiWriter w;
    w.SetSmpte(25, 40);
    int t = w.AddTrack();
    w.Tempo(t, 0, 1000000);
    w.Note(t, 500, 500, 0, 60, 100);
    Song s = Parse(w.Bytes());
    ASSERT_EQ(2u, s.events.size());
    EXPECT_EQ(768, s.events[0].time);
    EXPECT_EQ(1536, s.length);
    MidiWriter d;
    d.SetSmpte(29, 100);  // 29.97 drop-frame
    int u = d.AddTrack();
    d.Note(u, 0, 2997, 0, 60, 100);
    EXPECT_EQ(1536, Parse(d.Bytes()).length);

    std::vector<uint8_t> smf = w.Bytes();
    std::vector<uint8_t> riff = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a'};
    uint32_t n = uint32_t(smf.size());
    for (int i = 0; i < 4; ++i) riff.push_back(uint8_t(n >> (8 * i)));
    riff.insert(riff.end(), smf.begin(), smf.end());
    EXPECT_EQ(1536, Parse(riff).length);
}

TEST(MidiFile, DamagedAndHostileFilesFailCleanly) {
    MidiWriter w(480, 1);
    int t0 = w.AddTrack(), t1 = w.AddTrack();
    w.Tempo(t0, 0, 500000);
    for (int i = 0; i < 20; ++i) w.Note(t1, uint32_t(i * 120), 100, 0, uint8_t(50 + i), 90);
    const std::vector<uint8_t> good = w.Bytes();
    Parse(good);

    // A file cut before its last track's events fails (the header's track
    // count is not met); one cut inside the last track keeps the whole
    // events read before the cut, in order. None crashes.
    const std::vector<MidiEvent> all = ChannelEvents(Parse(good));
    const auto tag = good.begin() + 14;  // the first "MTrk"
    const size_t secondTrack = size_t(std::search(tag + 4, good.end(), tag, tag + 4) - good.begin());
    ASSERT_LT(secondTrack, good.size());
    size_t kept = 0;
    for (size_t n = 0; n < good.size(); ++n) {
        Song s;
        std::vector<uint8_t> cut(good.begin(), good.begin() + std::ptrdiff_t(n));
        int32_t st = ParseMidi(cut, s);
        if (n < secondTrack + 8) {
            EXPECT_TRUE(st == status::DMUS_E_INVALIDFILE || st == status::DMUS_E_LOADER_FORMATNOTSUPPORTED) << n;
            continue;
        }
        ASSERT_EQ(0, st) << n;
        std::vector<MidiEvent> ch = ChannelEvents(s);
        ASSERT_GE(ch.size(), kept) << n;
        ASSERT_LE(ch.size(), all.size()) << n;
        for (size_t i = 0; i < ch.size(); ++i) EXPECT_EQ(0, std::memcmp(&all[i], &ch[i], sizeof(MidiEvent))) << n;
        EXPECT_EQ(ch.empty() ? 0 : ch.back().time, s.length) << n;
        kept = ch.size();
    }
    EXPECT_EQ(all.size(), kept);  // the last byte cut is the end marker's

    auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
        std::vector<uint8_t> b = good;
        std::copy(bytes.begin(), bytes.end(), b.begin() + std::ptrdiff_t(at));
        return b;
    };
    const int32_t bad = status::DMUS_E_INVALIDFILE;
    Parse(patched(18, {0xFF, 0xFF, 0xFF, 0xF0}), bad);  // track longer than the file
    Parse(patched(10, {0xFF, 0xFF}), bad);              // 65535 tracks announced
    Parse(patched(12, {0, 0}), bad);                    // division 0
    Parse(patched(12, {0xE7, 0}), bad);                 // SMPTE with 0 ticks a frame
    Parse(patched(8, {0, 2}), status::DMUS_E_LOADER_FORMATNOTSUPPORTED);
    Parse(patched(8, {0, 7}), bad);
    Parse(patched(4, {0xFF, 0xFF, 0xFF, 0xFF}), bad);   // header longer than the file
    Parse({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, status::DMUS_E_LOADER_FORMATNOTSUPPORTED);
    Parse({'R', 'I', 'F', 'F', 4, 0, 0, 0, 'R', 'M', 'I', 'D', 'd', 'a', 't', 'a', 0xFF, 0xFF, 0, 0}, bad);

    // Hand-made tracks: a data byte with no status before it, a delta time
    // of five bytes, a system byte, a data byte above 127, a meta event
    // running past its track.
    auto track = [](std::vector<uint8_t> body) {
        std::vector<uint8_t> b = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0, 96, 'M', 'T', 'r', 'k', 0, 0, 0,
                                  uint8_t(body.size())};
        b.insert(b.end(), body.begin(), body.end());
        return b;
    };
    Parse(track({0x00, 0x3C, 0x40}), bad);
    Parse(track({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 0x3C, 0x40}), bad);
    Parse(track({0x00, 0xF8}), bad);
    Parse(track({0x00, 0x90, 0x3C, 0xC0}), bad);
    Parse(track({0x00, 0xFF, 0x01, 0x7F, 'x'}), bad);
    // Sysex is skipped; a track without its end marker ends with its chunk;
    // a zero tempo is ignored.
    Song s = Parse(track({0x00, 0xF0, 0x02, 0x7E, 0xF7, 0x00, 0xFF, 0x51, 0x03, 0, 0, 0, 0x60, 0xC0, 0x05}));
    ASSERT_EQ(1u, s.events.size());
    EXPECT_EQ(0x60 * 8, s.events[0].time);
    // A delta time that would leave music time's 32-bit range.
    Parse(track({0xFF, 0xFF, 0xFF, 0x7F, 0x90, 0x3C, 0x40, 0xFF, 0xFF, 0xFF, 0x7F, 0x80, 0x3C, 0x40}), bad);

    // Random damage: either a clean status or a song, never a crash.
    std::mt19937 rng(7);
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> b = good;
        for (int k = 0; k < 1 + i % 6; ++k) b[rng() % b.size()] = uint8_t(rng());
        Song x;
        int32_t st = ParseMidi(b, x);
        if (st == 0) {
            EXPECT_LE(x.events.size(), b.size());
        } else {
            EXPECT_TRUE(st == bad || st == status::DMUS_E_LOADER_FORMATNOTSUPPORTED) << st;
        }
    }
}

TEST(MidiFile, FilesOnDisk) {
    Song s;
    EXPECT_EQ(status::DMUS_E_LOADER_FAILEDOPEN, LoadMidiFile("/nonexistent/dir/x.mid", s));
    EXPECT_EQ(status::DMUS_E_LOADER_FAILEDOPEN, LoadMidiFile("/tmp", s));
    // Larger than any real MIDI file: refused before it is read.
    std::string big = testing::TempDir() + "vexo_big.mid";
    {
        std::ofstream f(big, std::ios::binary);
        f.seekp(std::streamoff(kMaxMidiFileBytes) + 1);
        f.put(0);
    }
    EXPECT_EQ(status::DMUS_E_INVALIDFILE, LoadMidiFile(big, s));
    std::remove(big.c_str());
}

}  // namespace
}  // namespace vexo::plat::music
