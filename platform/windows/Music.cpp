// The DirectMusic family over the system's DirectMusic (its DirectX 7
// interfaces): the loader, performances, segments and segment states.
#include <algorithm>
#include <cmath>
#include <cwchar>

#include "common/DMusic.h"
#include "platform/Families.h"
#include "platform/windows/ComPtr.h"
#include "platform/windows/WinPlatform.h"
#include "platform/windows/WinSound.h"

namespace vexo::win {
namespace {
constexpr int32_t kPointer = status::E_POINTER;
constexpr int32_t kBadPath = status::DMUS_E_LOADER_BADPATH;
constexpr int32_t kNoFileName = status::DMUS_E_LOADER_NOFILENAME;
constexpr int32_t kNotInit = status::DMUS_E_NOT_INIT;
constexpr int32_t kOutOfRange = status::DMUS_E_OUT_OF_RANGE;
constexpr int32_t kVolumeMin = DMUS_VOLUME_MIN;
constexpr int32_t kVolumeMax = DMUS_VOLUME_MAX;
constexpr float kTempoMin = DMUS_MASTERTEMPO_MIN;
constexpr float kTempoMax = DMUS_MASTERTEMPO_MAX;
}  // namespace
}  // namespace vexo::win

#include <windows.h>
#include <objbase.h>
#include <dmusici.h>

namespace vexo::win {
namespace {

// DirectMusic's objects are COM objects: the calling thread needs COM. A
// host that runs the components already has its apartment (a second call
// then only counts up, or reports the other model, which serves as well).
// The count is never given back: uninitialising under a host's objects, or
// while the loader lock is held at unload, would be worse than the count.
void NeedCom() {
    thread_local bool done = false;
    if (done) return;
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    done = true;
}

// Parameters meant for every track of a segment.
constexpr DWORD kAllTracks = 0xFFFFFFFF;

class WinPerformance;
WinPerformance& Ours(const Ref<DirectMusicPerformance>& p);

class WinSegmentState final : public DirectMusicSegmentState {
public:
    explicit WinSegmentState(ComPtr<IDirectMusicSegmentState> s) : s_(std::move(s)) {}
    IDirectMusicSegmentState* System() const { return s_.get(); }

    int32_t GetSeek() override {
        MUSIC_TIME t = 0;
        Check(s_->GetSeek(&t));
        return t;
    }

private:
    ComPtr<IDirectMusicSegmentState> s_;
};

class WinSegment final : public DirectMusicSegment {
public:
    explicit WinSegment(ComPtr<IDirectMusicSegment> s) : s_(std::move(s)) {}
    IDirectMusicSegment* System() const { return s_.get(); }

    // The count is kept as the system's unsigned 32 bits.
    void SetRepeats(int32_t repeats) override { Check(s_->SetRepeats(static_cast<DWORD>(repeats))); }
    int32_t GetRepeats() override {
        DWORD r = 0;
        Check(s_->GetRepeats(&r));
        return static_cast<int32_t>(r);
    }
    void SetAutoDownloadEnable(VBBool enable) override {
        Param(enable ? GUID_Enable_Auto_Download : GUID_Disable_Auto_Download, nullptr);
    }
    void SetStandardMidiFile() override { Param(GUID_StandardMIDIFile, nullptr); }
    void Download(const Ref<DirectMusicPerformance>& performance) override;
    void Unload(const Ref<DirectMusicPerformance>& performance) override;
    void SetTempoEnable(VBBool enable) override { Param(enable ? GUID_EnableTempo : GUID_DisableTempo, nullptr); }
    // 0 is always a start point, also of a segment of length 0 (which the
    // system refuses), so that resuming a playback that got nowhere works.
    // A negative one never is (Wine 8 takes it).
    void SetStartPoint(int32_t musicTime) override {
        if (musicTime < 0) Raise(kOutOfRange);
        HRESULT hr = s_->SetStartPoint(musicTime);
        if (hr == kOutOfRange && musicTime == 0) return;
        Check(hr);
    }
    int32_t GetStartPoint() override {
        MUSIC_TIME t = 0;
        Check(s_->GetStartPoint(&t));
        return t;
    }
    int32_t GetLength() override {
        MUSIC_TIME t = 0;
        Check(s_->GetLength(&t));
        return t;
    }

private:
    void Param(REFGUID what, void* value) { Check(s_->SetParam(what, kAllTracks, 0, 0, value)); }

    ComPtr<IDirectMusicSegment> s_;
};

class WinPerformance final : public DirectMusicPerformance {
public:
    explicit WinPerformance(ComPtr<IDirectMusicPerformance> p) : p_(std::move(p)) {}

    // A performance let go while initialised would play on in the system's
    // threads; a released performance falls silent, as everywhere else.
    ~WinPerformance() override {
        if (inited_) p_->CloseDown();
    }

    IDirectMusicPerformance* System() const { return p_.get(); }

    // What plays, and where instruments go, needs an initialised
    // performance; the system does not always check (Wine 8 takes these
    // calls before Init), the declaration promises DMUS_E_NOT_INIT.
    void RequireInit() const {
        if (!inited_) Raise(kNotInit);
    }

    void Init(const Ref<DirectSound>& sound, vexo::HWND hwnd) override {
        IDirectSound* ds = SystemDeviceOf(sound);
        IDirectMusic* dm = nullptr;
        Check(p_->Init(&dm, ds, ToHandle<::HWND>(hwnd)));
        dm_ = ComPtr<IDirectMusic>::Adopt(dm);
        inited_ = true;
    }

    void SetPort(int32_t port, int32_t groups) override;

    void SetMasterAutoDownload(VBBool enable) override {
        RequireInit();
        BOOL on = enable != 0;
        Check(p_->SetGlobalParam(GUID_PerfAutoDownload, &on, sizeof on));
    }

    void CloseDown() override {
        Check(p_->CloseDown());
        inited_ = false;
        dm_.reset();
    }

    Ref<DirectMusicSegmentState> PlaySegment(const Ref<DirectMusicSegment>& segment, int32_t flags,
                                             int32_t startTime) override {
        RequireInit();
        if (!segment) Raise(kPointer);
        auto* seg = dynamic_cast<WinSegment*>(segment.get());
        if (!seg) Raise(kInvalidArg);
        ComPtr<IDirectMusicSegmentState> state;
        Check(p_->PlaySegment(seg->System(), static_cast<DWORD>(flags), startTime, state.put()));
        if (!state) return nullptr;
        return Ref<DirectMusicSegmentState>(new WinSegmentState(std::move(state)));
    }

    void Stop(const Ref<DirectMusicSegment>& segment, const Ref<DirectMusicSegmentState>& state, int32_t musicTime,
              int32_t flags) override {
        RequireInit();
        Check(p_->Stop(SegmentOf(segment), StateOf(state), musicTime, static_cast<DWORD>(flags)));
    }

    VBBool IsPlaying(const Ref<DirectMusicSegment>& segment, const Ref<DirectMusicSegmentState>& state) override {
        RequireInit();
        HRESULT hr = p_->IsPlaying(SegmentOf(segment), StateOf(state));
        Check(hr);
        return hr == S_OK ? VB_TRUE : VB_FALSE;
    }

    // The declared range holds whatever the system does past it.
    void SetMasterVolume(int32_t volume) override {
        LONG v = std::clamp(volume, kVolumeMin, kVolumeMax);
        Check(p_->SetGlobalParam(GUID_PerfMasterVolume, &v, sizeof v));
    }
    int32_t GetMasterVolume() override {
        LONG v = 0;
        Check(p_->GetGlobalParam(GUID_PerfMasterVolume, &v, sizeof v));
        return v;
    }

    // Outside the range (a NaN included) the system's behaviour varies; the
    // declaration promises E_INVALIDARG.
    void SetMasterTempo(float tempo) override {
        if (!(tempo >= kTempoMin && tempo <= kTempoMax)) Raise(kInvalidArg);
        Check(p_->SetGlobalParam(GUID_PerfMasterTempo, &tempo, sizeof tempo));
    }
    float GetMasterTempo() override {
        float t = 0;
        Check(p_->GetGlobalParam(GUID_PerfMasterTempo, &t, sizeof t));
        return t;
    }

    int32_t GetMusicTime() override {
        MUSIC_TIME t = 0;
        Check(p_->GetTime(nullptr, &t));
        return t;
    }

private:
    static IDirectMusicSegment* SegmentOf(const Ref<DirectMusicSegment>& s) {
        if (!s) return nullptr;
        auto* seg = dynamic_cast<WinSegment*>(s.get());
        if (!seg) Raise(kInvalidArg);
        return seg->System();
    }
    static IDirectMusicSegmentState* StateOf(const Ref<DirectMusicSegmentState>& s) {
        if (!s) return nullptr;
        auto* st = dynamic_cast<WinSegmentState*>(s.get());
        if (!st) Raise(kInvalidArg);
        return st->System();
    }

    void AssignBlocks(IDirectMusicPort* port, DWORD first, int32_t groups) {
        for (int32_t g = static_cast<int32_t>(first); g < groups; ++g)
            Check(p_->AssignPChannelBlock(static_cast<DWORD>(g), port, static_cast<DWORD>(g + 1)));
    }

    ComPtr<IDirectMusicPerformance> p_;
    ComPtr<IDirectMusic> dm_;
    bool inited_ = false;
};

// Port -1 is the system's default port, which comes with the first block of
// 16 channels assigned; it is widened to `groups` channel groups and each
// further block of 16 performance channels goes to a group of its own.
// Port n >= 1 is the n-th port the system lists, made with `groups` groups.
void WinPerformance::SetPort(int32_t port, int32_t groups) {
    if (groups < 1 || (port < 1 && port != -1)) Raise(kInvalidArg);
    if (port == -1) {
        Check(p_->AddPort(nullptr));
        if (groups == 1) return;
        ComPtr<IDirectMusicPort> added;
        DWORD group = 0, channel = 0;
        Check(p_->PChannelInfo(0, added.put(), &group, &channel));
        if (!added) Raise(kFail);
        Check(added->SetNumChannelGroups(static_cast<DWORD>(groups)));
        AssignBlocks(added.get(), 1, groups);
        return;
    }
    if (!dm_) Raise(kNotInit);
    DMUS_PORTCAPS caps{};
    caps.dwSize = sizeof caps;
    HRESULT hr = dm_->EnumPort(static_cast<DWORD>(port - 1), &caps);
    Check(hr);
    // Past the last port the list answers "no more", which is no port.
    if (hr == S_FALSE) Raise(kInvalidArg);
    DMUS_PORTPARAMS7 params{};
    params.dwSize = sizeof params;
    params.dwValidParams = DMUS_PORTPARAMS_CHANNELGROUPS;
    params.dwChannelGroups = static_cast<DWORD>(groups);
    ComPtr<IDirectMusicPort> made;
    Check(dm_->CreatePort(caps.guidPort, reinterpret_cast<DMUS_PORTPARAMS*>(&params), made.put(), nullptr));
    Check(made->Activate(TRUE));
    Check(p_->AddPort(made.get()));
    AssignBlocks(made.get(), 0, groups);
}

WinPerformance& Ours(const Ref<DirectMusicPerformance>& p) {
    // A segment's instruments need a performance to go to.
    if (!p) Raise(kPointer);
    auto* perf = dynamic_cast<WinPerformance*>(p.get());
    if (!perf) Raise(kInvalidArg);
    return *perf;
}

void WinSegment::Download(const Ref<DirectMusicPerformance>& performance) {
    WinPerformance& p = Ours(performance);
    p.RequireInit();
    Param(GUID_Download, p.System());
}
void WinSegment::Unload(const Ref<DirectMusicPerformance>& performance) {
    WinPerformance& p = Ours(performance);
    p.RequireInit();
    Param(GUID_Unload, p.System());
}

class WinLoader final : public DirectMusicLoader {
public:
    explicit WinLoader(ComPtr<IDirectMusicLoader> l) : l_(std::move(l)) {}

    void SetSearchDirectory(const std::string& path) override {
        std::wstring w = Wide(path);
        // The system keeps the path in a fixed field of MAX_PATH characters.
        if (path.find('\0') != std::string::npos || w.size() >= DMUS_MAX_FILENAME) Raise(kBadPath);
        Check(l_->SetSearchDirectory(GUID_DirectMusicAllTypes, w.data(), FALSE));
    }

    Ref<DirectMusicSegment> LoadSegment(const std::string& filename) override {
        if (filename.empty()) Raise(kNoFileName);
        std::wstring w = Wide(filename);
        if (filename.find('\0') != std::string::npos || w.size() >= DMUS_MAX_FILENAME) Raise(kBadPath);
        DMUS_OBJECTDESC desc{};
        desc.dwSize = sizeof desc;
        desc.guidClass = CLSID_DirectMusicSegment;
        desc.dwValidData = DMUS_OBJ_CLASS | DMUS_OBJ_FILENAME;
        // A name with a drive or a root is the whole path; any other is
        // found in the search directory.
        const bool full = w.size() >= 2 && (w[1] == L':' || w[0] == L'\\' || w[0] == L'/');
        if (full) desc.dwValidData |= DMUS_OBJ_FULLPATH;
        std::wcsncpy(desc.wszFileName, w.c_str(), DMUS_MAX_FILENAME - 1);
        ComPtr<IDirectMusicSegment> seg;
        Check(l_->GetObject(&desc, IID_IDirectMusicSegment, seg.put_void()));
        if (!seg) Raise(kFail);
        return Ref<DirectMusicSegment>(new WinSegment(std::move(seg)));
    }

private:
    ComPtr<IDirectMusicLoader> l_;
};

template <class I>
ComPtr<I> Create(REFCLSID cls, REFIID iid) {
    NeedCom();
    ComPtr<I> p;
    Check(CoCreateInstance(cls, nullptr, CLSCTX_INPROC_SERVER, iid, p.put_void()));
    return p;
}

Ref<DirectMusicLoader> CreateLoader() {
    auto loader = Create<IDirectMusicLoader>(CLSID_DirectMusicLoader, IID_IDirectMusicLoader);
    // Each load makes a segment of its own, so that two slots playing the
    // same file keep their own repeats and start points. Instrument
    // collections stay cached. A loader that cannot change this still loads.
    loader->EnableCache(CLSID_DirectMusicSegment, FALSE);
    return Ref<DirectMusicLoader>(new WinLoader(std::move(loader)));
}

Ref<DirectMusicPerformance> CreatePerformance() {
    auto perf = Create<IDirectMusicPerformance>(CLSID_DirectMusicPerformance, IID_IDirectMusicPerformance);
    return Ref<DirectMusicPerformance>(new WinPerformance(std::move(perf)));
}

[[maybe_unused]] const bool g_registered = [] {
    plat::RegisteredFamilies().musicLoader = &CreateLoader;
    plat::RegisteredFamilies().musicPerformance = &CreatePerformance;
    return true;
}();

}  // namespace
}  // namespace vexo::win
