// A wave file from the user, loaded into a sound slot the way a game loads
// one: DsCreate on a set-up DX7Sound, in one of a few slot formats chosen by
// the input, then DsFree.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/Platform.h"
#include "sound/DX7Sound.h"

namespace {

struct Format {
    int32_t hz, bits, channels;
};
// DsSetup's own formats, and one only DsSetFormat gives (32000 Hz).
constexpr Format kFormats[] = {{22050, 8, 2}, {44100, 16, 2}, {11025, 8, 1}, {8000, 16, 1}, {32000, 16, 2}};

vexo::DX7Sound& Sound() {
    static vexo::DX7Sound* snd = [] {
        vexo::HWND wnd = vexo::CurrentPlatform().Windows().CreateAppWindow("fuzz", 0, 0, 320, 240, 0);
        auto* s = new vexo::DX7Sound;
        if (s->DsSetup(wnd) != 0) std::abort();
        return s;
    }();
    return *snd;
}

const std::string& Path() {
    static const std::string p = "/dev/shm/vexo_fuzz_wave_" + std::to_string(getpid()) + ".wav";
    return p;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Sound();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The format comes from the bytes without changing them, so every input
    // is the file exactly as a game would pass it.
    uint32_t h = 2166136261u;
    for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
    const Format& f = kFormats[h % std::size(kFormats)];
    vexo::DX7Sound& snd = Sound();
    snd.DsSetFormat(f.hz, f.bits, f.channels);

    FILE* out = std::fopen(Path().c_str(), "wb");
    if (!out) std::abort();
    if (size && std::fwrite(data, 1, size, out) != size) std::abort();
    std::fclose(out);

    int32_t slot = int32_t(h >> 8) % vexo::DX7Sound::kSlots;
    int32_t copies = 1 + int32_t(h >> 16) % 3;
    snd.DsCreate(slot, Path(), copies);
    snd.DsFree(slot);
    std::remove(Path().c_str());
    return 0;
}
