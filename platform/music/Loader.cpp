#include <atomic>
#include <filesystem>

#include "platform/music/MusicPlatform.h"
#include "platform/music/Objects.h"

namespace vexo::plat::music {

namespace {
std::atomic<uint64_t> g_nextSegmentId{1};

Performance& Ours(const Ref<DirectMusicPerformance>& p) {
    if (!p) Raise(status::E_POINTER);
    auto* perf = dynamic_cast<Performance*>(p.get());
    if (!perf) Raise(status::E_INVALIDARG);
    if (!perf->Initialised()) Raise(status::DMUS_E_NOT_INIT);
    return *perf;
}
}  // namespace

Ref<DirectMusicLoader> CreateLoader() {
    StartMusicClock();
    return MakeRef<Loader>();
}

void Loader::SetSearchDirectory(const std::string& path) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_directory(path, ec)) Raise(status::DMUS_E_LOADER_BADPATH);
    dir_ = path;
}

Ref<DirectMusicSegment> Loader::LoadSegment(const std::string& filename) {
    if (filename.empty()) Raise(status::DMUS_E_LOADER_NOFILENAME);
    std::filesystem::path p(filename);
    if (p.is_relative() && !dir_.empty()) p = std::filesystem::path(dir_) / p;
    auto song = std::make_shared<Song>();
    if (int32_t st = LoadMidiFile(p.string(), *song)) Raise(st);
    return MakeRef<Segment>(std::move(song));
}

Segment::Segment(std::shared_ptr<const Song> s) : song(std::move(s)), id(g_nextSegmentId++) {}

void Segment::SetRepeats(int32_t r) { repeats = static_cast<uint32_t>(r); }
int32_t Segment::GetRepeats() { return static_cast<int32_t>(repeats); }
void Segment::SetAutoDownloadEnable(VBBool enable) { autoDownload = enable != 0; }
void Segment::SetStandardMidiFile() { standardMidi = true; }

// Every General MIDI instrument is in the shared font already; downloading
// only checks the performance and keeps count.
void Segment::Download(const Ref<DirectMusicPerformance>& p) {
    Ours(p);
    ++downloads;
}
void Segment::Unload(const Ref<DirectMusicPerformance>& p) {
    Ours(p);
    if (downloads > 0) --downloads;
}

void Segment::SetTempoEnable(VBBool enable) { tempoEnable = enable != 0; }

void Segment::SetStartPoint(int32_t t) {
    if (t != 0 && (t < 0 || t >= song->length)) Raise(status::DMUS_E_OUT_OF_RANGE);
    startPoint = t;
}
int32_t Segment::GetStartPoint() { return startPoint; }
int32_t Segment::GetLength() { return song->length; }

}  // namespace vexo::plat::music
