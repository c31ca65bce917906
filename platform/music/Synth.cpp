// One sound font for the whole process: a holder synthesizer loads it once
// and lives as long as the process; every performance's synthesizer adds the
// holder's font object instead of loading the file again (about 18 MB each).
#include "platform/music/Synth.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>

namespace vexo::plat::music {

namespace {

struct SharedFont {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* holder = nullptr;
    fluid_sfont_t* font = nullptr;
};

void Quiet(int, const char*, void*) {}

SharedFont LoadSharedFont() {
    SharedFont f;
    // FluidSynth's warnings would reach the application's console.
    fluid_set_log_function(FLUID_WARN, Quiet, nullptr);
    fluid_set_log_function(FLUID_INFO, Quiet, nullptr);
    fluid_set_log_function(FLUID_DBG, Quiet, nullptr);
    std::string path = SoundFontPath();
    if (path.empty()) return f;
    f.settings = new_fluid_settings();
    fluid_settings_setint(f.settings, "synth.polyphony", 1);
    fluid_settings_setint(f.settings, "synth.reverb.active", 0);
    fluid_settings_setint(f.settings, "synth.chorus.active", 0);
    f.holder = new_fluid_synth(f.settings);
    int id = f.holder ? fluid_synth_sfload(f.holder, path.c_str(), 0) : FLUID_FAILED;
    if (id == FLUID_FAILED) return f;
    f.font = fluid_synth_get_sfont_by_id(f.holder, id);
    return f;
}

void FreeSharedFont(SharedFont& f) {
    if (f.holder) delete_fluid_synth(f.holder);
    if (f.settings) delete_fluid_settings(f.settings);
    f = SharedFont{};
}

SharedFont& Shared() {
    static SharedFont f;
    return f;
}

// The font, loaded when first needed. A font that could not be loaded (gone,
// unreadable, damaged) is looked for again by the next caller, so putting it
// back makes music work without restarting the program. Callers hold the
// music lock.
SharedFont& Font() {
    SharedFont& f = Shared();
    if (!f.font) {
        FreeSharedFont(f);
        f = LoadSharedFont();
    }
    return f;
}

// The font the synthesizers share, without loading one.
fluid_sfont_t* LoadedFont() { return Shared().font; }

}  // namespace

std::string SoundFontPath() {
    if (const char* env = std::getenv("VEXO_SOUNDFONT"); env && *env) return env;
    static const char* const candidates[] = {
        "/usr/share/sounds/sf2/TimGM6mb.sf2",
        "/usr/share/sounds/sf2/default-GM.sf2",
        "/usr/share/sounds/sf2/FluidR3_GM.sf2",
        "/usr/share/soundfonts/default.sf2",
    };
    std::error_code ec;
    for (const char* c : candidates)
        if (std::filesystem::is_regular_file(c, ec)) return c;
    return {};
}

fluid_synth_t* CreateSynth(int32_t sampleRate) {
    SharedFont& f = Font();
    if (!f.font) return nullptr;
    fluid_settings_t* s = new_fluid_settings();
    fluid_settings_setnum(s, "synth.sample-rate", sampleRate);
    fluid_settings_setint(s, "synth.midi-channels", 16);
    // 128 voices carry a busy General MIDI piece; each 128 more cost a
    // further 1.4 MB per playing performance.
    fluid_settings_setint(s, "synth.polyphony", 128);
    fluid_settings_setint(s, "synth.chorus.active", 0);
    fluid_settings_setint(s, "synth.cpu-cores", 1);
    // Every call into a synthesizer is made under the music lock already.
    fluid_settings_setint(s, "synth.threadsafe-api", 0);
    fluid_synth_t* synth = new_fluid_synth(s);
    if (!synth) {
        delete_fluid_settings(s);
        return nullptr;
    }
    if (fluid_synth_add_sfont(synth, f.font) == FLUID_FAILED) {
        delete_fluid_synth(synth);
        delete_fluid_settings(s);
        return nullptr;
    }
    return synth;
}

void DestroySynth(fluid_synth_t* synth) {
    if (!synth) return;
    fluid_settings_t* s = fluid_synth_get_settings(synth);
    // The font belongs to the holder: take it out so deleting this
    // synthesizer does not free it.
    fluid_synth_remove_sfont(synth, LoadedFont());
    delete_fluid_synth(synth);
    delete_fluid_settings(s);
}

}  // namespace vexo::plat::music
