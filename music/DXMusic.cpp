#include "music/DXMusic.h"

#include <filesystem>
#include <system_error>

#include "common/Error.h"
#include "common/Platform.h"

namespace vexo {

namespace {

constexpr int32_t ERR_PATH_NOT_FOUND = 76;

// The slot's index into the tables; raises 9 outside 0..99.
size_t Slot(int32_t id) {
    if (id < 0 || id >= DXMusic::kSlots) Raise(ERR_SUBSCRIPT);
    return static_cast<size_t>(id);
}

std::string CurrentDirectory() {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::current_path(ec);
    if (ec) Raise(ERR_PATH_NOT_FOUND);
    return p.string();
}

}  // namespace

DXMusic::DXMusic() : DxRoot(api::CreateDirectX7()) {}

DXMusic::~DXMusic() { DxRoot = nullptr; }

int32_t DXMusic::DMPlay(const int32_t& Segment_ID, ByRef<VBBool> LastMusicStop, ByRef<VBBool> ContStart) {
    int32_t result = 0;
    OnError(
        [&] {
            if (IsExactlyTrue(LastMusicStop.get())) this->DMStop(LastSegmentID);
            if (IsExactlyTrue(ContStart.get())) {
                size_t i = Slot(Segment_ID);
                int32_t seek = SegmentStates[i]->GetSeek();
                Segments[i]->SetStartPoint(seek);
            }
            size_t i = Slot(Segment_ID);
            SegmentStates[i] = Performances[i]->PlaySegment(Segments[i], DMUS_SEGF_SECONDARY, 0);
            LastSegmentID = Segment_ID;
        },
        [&](int32_t e) { result = e; });
    return result;
}

int32_t DXMusic::DMStop(const int32_t& Segment_ID) {
    int32_t result = 0;
    OnError(
        [&] {
            size_t i = Slot(Segment_ID);
            Performances[i]->Stop(Segments[i], nullptr, Segment_ID, 0);
        },
        [&](int32_t e) { result = e; });
    return result;
}

void DXMusic::DMClose() {
    ResumeNext rn;
    if (!MusicLoader) return;
    for (int32_t i = 0; i < kSlots; ++i) {
        const size_t k = static_cast<size_t>(i);
        if (Segments[k]) {
            rn([&] { this->DMStop(i); });
            rn([&] { Segments[k]->Unload(Performances[k]); });
            rn([&] { Segments[k] = nullptr; });
        }
        rn([&] { Performances[k]->CloseDown(); });
        rn([&] { Performances[k] = nullptr; });
    }
    MusicLoader = nullptr;
}

int32_t DXMusic::DMCreateSegment(const int32_t& Segment_ID, const std::string& Filename, ByRef<int32_t> RepeatCount,
                                 ByRef<int32_t> VolumeSize, float Tempo) {
    int32_t result = 0;
    OnError(
        [&] {
            Ref<DirectMusicPerformance> created = DxRoot->DirectMusicPerformanceCreate();
            size_t i = Slot(Segment_ID);
            Performances[i] = created;
            created = nullptr;
            MusicLoader->SetSearchDirectory(CurrentDirectory());
            Performances[i]->Init(nullptr, 0);
            Performances[i]->SetPort(-1, 80);
            Segments[i] = MusicLoader->LoadSegment(Filename);
            Segments[i]->SetRepeats(RepeatCount.get());
            Segments[i]->SetAutoDownloadEnable(VB_TRUE);
            Performances[i]->SetMasterAutoDownload(VB_TRUE);
            Segments[i]->SetStandardMidiFile();
            Segments[i]->SetStandardMidiFile();
            Segments[i]->Download(Performances[i]);
            Segments[i]->SetTempoEnable(VB_TRUE);
            this->DMSetTempo(Segment_ID, Tempo);
            this->DMSetVolume(Segment_ID, VolumeSize.get());
        },
        [&](int32_t e) { result = e; });
    return result;
}

int32_t DXMusic::DMSetVolume(const int32_t& Segment_ID, ByRef<int32_t> VolumeSize) {
    int32_t result = 0;
    OnError([&] { Performances[Slot(Segment_ID)]->SetMasterVolume(VolumeSize.get()); },
            [&](int32_t e) { result = e; });
    return result;
}

int32_t DXMusic::DMSetTempo(const int32_t& Segment_ID, float Tempo) {
    int32_t result = 0;
    OnError(
        [&] {
            size_t i = Slot(Segment_ID);
            if (Performances[i]) Performances[i]->SetMasterTempo(Tempo);
        },
        [&](int32_t e) { result = e; });
    return result;
}

int32_t DXMusic::DMSetup() {
    int32_t result = 0;
    OnError(
        [&] {
            if (MusicLoader) this->DMClose();
            MusicLoader = DxRoot->DirectMusicLoaderCreate();
        },
        [&](int32_t e) { result = e; });
    return result;
}

int32_t DXMusic::DMDestroySegment(const int32_t& Segment_ID) {
    int32_t result = 0;
    OnError(
        [&] {
            this->DMStop(Segment_ID);
            size_t i = Slot(Segment_ID);
            Segments[i]->Unload(Performances[i]);
            Segments[i] = nullptr;
        },
        [&](int32_t e) { result = e; });
    return result;
}

}  // namespace vexo
