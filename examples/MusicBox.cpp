// Music: two pieces written here as standard MIDI files (a bright garden
// tune and a slow night tune), each in a DXMusic slot of its own. Switching
// scenes switches tunes with DMPlay's stop-last flag; coming back to a tune
// resumes it where it was stopped.
#include <cstdio>

#include "Game.h"
#include "platform/music/MidiWriter.h"

namespace demo {

namespace {
using vexo::midi::MidiWriter;
constexpr uint32_t Q = 480;  // ticks per quarter note

// Scale-degree melodies: each entry a MIDI key (0 a rest) lasting one eighth.
bool WriteGardenTune(const std::string& path) {
    MidiWriter w(Q);
    const int t = w.AddTrack();
    w.Bpm(t, 0, 132);
    w.TimeSignature(t, 0, 4, 2);
    w.Program(t, 0, 0, 73);  // flute
    w.Program(t, 0, 1, 12);  // marimba
    w.Program(t, 0, 2, 33);  // finger bass
    w.Control(t, 0, 0, 7, 100);
    w.Control(t, 0, 1, 7, 80);
    w.Control(t, 0, 2, 7, 100);
    static const uint8_t melody[] = {76, 79, 84, 79, 76, 74, 72, 74, 76, 76, 79, 0, 77, 76, 74, 0,
                                     74, 77, 81, 77, 74, 72, 71, 72, 74, 79, 77, 74, 72, 0, 0, 0};
    static const uint8_t roots[] = {48, 53, 55, 48};  // C F G C, one per bar
    static const uint8_t chord[4][3] = {{60, 64, 67}, {60, 65, 69}, {59, 62, 67}, {60, 64, 67}};
    const uint32_t e = Q / 2;
    for (int pass = 0; pass < 2; ++pass) {
        const uint32_t base = pass * 16 * Q;
        for (int i = 0; i < 32; ++i)
            if (melody[i]) w.Note(t, base + i * e, e - 20, 0, melody[i], 96);
        for (int bar = 0; bar < 4; ++bar) {
            const uint32_t b = base + bar * 4 * Q;
            for (int beat = 0; beat < 4; ++beat) {
                const uint32_t at = b + beat * Q;
                w.Note(t, at, Q / 2, 2, static_cast<uint8_t>(roots[bar] - 12 + (beat % 2) * 7), 100);
                for (uint8_t k : chord[bar]) w.Note(t, at + e, e / 2, 1, k, 60);
                // Drums: kick on 1 and 3, snare on 2 and 4, hi-hat on eighths.
                w.Note(t, at, e, 9, beat % 2 ? 38 : 36, beat % 2 ? 80 : 100);
                w.Note(t, at, e / 2, 9, 42, 50);
                w.Note(t, at + e, e / 2, 9, 42, 40);
            }
        }
    }
    w.EndAt(t, 32 * Q);
    return w.Save(path);
}

bool WriteNightTune(const std::string& path) {
    MidiWriter w(Q);
    const int t = w.AddTrack();
    w.Bpm(t, 0, 72);
    w.TimeSignature(t, 0, 3, 2);
    w.Program(t, 0, 0, 10);  // music box
    w.Program(t, 0, 1, 49);  // slow strings
    w.Program(t, 0, 2, 32);  // acoustic bass
    w.Control(t, 0, 0, 7, 90);
    w.Control(t, 0, 1, 7, 70);
    w.Control(t, 0, 2, 7, 90);
    // A minor, in three: Am Dm E Am.
    static const uint8_t pads[4][3] = {{57, 60, 64}, {57, 62, 65}, {56, 59, 64}, {57, 60, 64}};
    static const uint8_t roots[4] = {45, 50, 40, 45};
    static const uint8_t melody[] = {76, 72, 69, 77, 74, 69, 76, 71, 68, 69, 72, 76,
                                     81, 79, 77, 74, 77, 81, 80, 76, 71, 69, 0, 0};
    for (int bar = 0; bar < 8; ++bar) {
        const int h = bar % 4;
        const uint32_t b = bar * 3 * Q;
        for (uint8_t k : pads[h]) w.Note(t, b, 3 * Q - 30, 1, k, 55);
        w.Note(t, b, 2 * Q, 2, roots[h], 80);
        for (int i = 0; i < 3; ++i) {
            const uint8_t k = melody[(bar * 3 + i) % 24];
            if (k) w.Note(t, b + i * Q, Q - 40, 0, k, 85);
        }
    }
    w.EndAt(t, 24 * Q);
    return w.Save(path);
}
}  // namespace

bool MusicBox::Start(const std::string& dir) {
    const std::string garden = dir + "/garden.mid", night = dir + "/night.mid";
    if (!WriteGardenTune(garden) || !WriteNightTune(night)) {
        std::fprintf(stderr, "music: cannot write the MIDI files in %s\n", dir.c_str());
        return true;
    }
    // Both tunes a little below full volume, leaving room for the effects.
    int32_t rc = music_.DMSetup();
    int32_t repeats = 32767, volume = -700;
    if (rc == 0) rc = music_.DMCreateSegment(kTuneGarden, garden, repeats, volume, 1.0f);
    if (rc == 0) rc = music_.DMCreateSegment(kTuneNight, night, repeats, volume, 1.0f);
    if (rc != 0) {
        std::fprintf(stderr, "music: set-up failed (%d); playing without music\n", rc);
        music_.DMClose();
        return true;
    }
    ready_ = true;
    std::printf("music: two tunes loaded\n");
    return true;
}

void MusicBox::Play(int32_t tune, bool resume) {
    if (!ready_ || tune < 0 || tune > 1) return;
    // Resuming needs a playback of that slot to resume from.
    vexo::VBBool stopLast = vexo::VB_TRUE;
    vexo::VBBool cont = resume && played_[tune] ? vexo::VB_TRUE : vexo::VB_FALSE;
    const int32_t rc = music_.DMPlay(tune, stopLast, cont);
    if (rc != 0) {
        std::fprintf(stderr, "music: DMPlay %d gave %d\n", tune, rc);
        return;
    }
    played_[tune] = true;
    playing_ = true;
}

void MusicBox::Pause() {
    if (!ready_ || !playing_) return;
    music_.DMStop(music_.LastSegmentID);
    playing_ = false;
}

int32_t MusicBox::Seek(int32_t tune) {
    if (!ready_ || tune < 0 || tune > 1 || music_.SegmentStates[tune].IsNothing()) return -1;
    try {
        return music_.SegmentStates[tune]->GetSeek();
    } catch (const vexo::VbError&) {
        return -1;
    }
}

void MusicBox::Stop() {
    if (ready_) music_.DMClose();
    ready_ = playing_ = false;
}

}  // namespace demo
