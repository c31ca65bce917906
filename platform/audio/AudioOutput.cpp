// The process's audio output: SDL2's device when there is one, a silent clock
// otherwise, offline rendering for tests.
#include "platform/audio/AudioOutput.h"

#include <SDL.h>
#include <dlfcn.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace vexo::audio {
namespace {

constexpr int32_t kRate = 48000;
constexpr int32_t kBlock = 512;  // frames per device buffer: about 10.7 ms

bool EnvIs(const char* name, const char* value) {
    const char* v = std::getenv(name);
    return v && std::strcmp(v, value) == 0;
}

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

// With no sound card, libasound prints a dozen lines of its own to stderr
// each time SDL tries it. SDL loads it with dlopen, so this loads the same
// library first and keeps it loaded for good (SDL's dlclose cannot drop the
// handler then) and gives it a handler that says nothing. The failure is
// told once, by OpenDevice. A process without libasound has nothing to quiet.
void SilenceAlsa() {
    void* lib = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!lib) return;
    using Handler = void (*)(const char*, int, const char*, int, const char*, ...);
    if (auto set = reinterpret_cast<int (*)(Handler)>(dlsym(lib, "snd_lib_error_set_handler"))) set(&QuietAlsa);
}

class OutputImpl final : public AudioOutput {
public:
    OutputImpl() : scratch_(kBlock * 2) {
        sources_.reserve(16);
        if (!OpenDevice()) StartSilentClock();
    }

    void AddSource(AudioSource* src) override {
        std::lock_guard<std::mutex> lock(mixMu_);
        if (std::find(sources_.begin(), sources_.end(), src) == sources_.end()) sources_.push_back(src);
    }

    // The audio thread holds mixMu_ for the whole of a block, so once the
    // source is out of the list under that lock it is no longer in use.
    void RemoveSource(AudioSource* src) override {
        std::lock_guard<std::mutex> lock(mixMu_);
        sources_.erase(std::remove(sources_.begin(), sources_.end(), src), sources_.end());
    }

    int32_t SampleRate() const override { return kRate; }
    Mode CurrentMode() const override { return mode_.load(); }
    int32_t BlockFrames() const override { return kBlock; }
    int64_t FramesRendered() const override { return rendered_.load(); }

    void CheckDevice() override {
        if (mode_.load() != Mode::Device) return;
        std::lock_guard<std::mutex> lock(modeMu_);
        if (mode_ != Mode::Device || !device_) return;
        if (!lost_.load() && SDL_GetAudioDeviceStatus(device_) != SDL_AUDIO_STOPPED) return;
        std::fprintf(stderr, "vexo: the sound device went away; sound runs silent\n");
        CloseDevice();
        hadLoss_ = true;
        StartSilentClock();
    }

    void Reconnect() override {
        CheckDevice();
        std::lock_guard<std::mutex> lock(modeMu_);
        if (mode_ != Mode::Silent || !hadLoss_) return;
        StopClock();
        if (OpenDevice()) {
            hadLoss_ = false;
        } else {
            StartSilentClock();
        }
    }

    bool SimulateDeviceRemoval() override {
        std::lock_guard<std::mutex> lock(modeMu_);
        if (mode_ != Mode::Device || !device_) return false;
        SDL_PauseAudioDevice(device_, 1);
        SDL_Event e{};
        e.adevice.type = SDL_AUDIODEVICEREMOVED;
        e.adevice.which = device_;
        e.adevice.iscapture = 0;
        SDL_PushEvent(&e);
        return true;
    }

    void RenderOffline(float* out, int32_t frames) override {
        GoOffline();
        while (frames > 0) {
            int32_t n = std::min(frames, kBlock);
            std::lock_guard<std::mutex> lock(mixMu_);
            if (out) {
                Mix(out, n);
                out += 2 * n;
            } else {
                Mix(scratch_.data(), n);
            }
            frames -= n;
        }
    }

    // Stops the device or the clock thread; called at exit so that nothing
    // renders while the process tears its objects down.
    void GoOffline() {
        std::lock_guard<std::mutex> lock(modeMu_);
        if (mode_ == Mode::Offline) return;
        if (device_) {
            SDL_CloseAudioDevice(device_);  // waits for a running callback
            device_ = 0;
            watchedDevice_ = 0;
        }
        StopClock();
        mode_ = Mode::Offline;
    }

private:
    // Caller holds modeMu_.
    void StopClock() {
        if (!clock_.joinable()) return;
        {
            std::lock_guard<std::mutex> l(clockMu_);
            stopClock_ = true;
        }
        clockCv_.notify_all();
        clock_.join();
        stopClock_ = false;
    }

    // Caller holds modeMu_. Gives the audio subsystem back, so that opening
    // again looks at the devices afresh.
    void CloseDevice() {
        SDL_CloseAudioDevice(device_);
        device_ = 0;
        watchedDevice_ = 0;
        lost_ = false;
        SDL_DelEventWatch(&OutputImpl::Watch, this);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }

    // SDL posts the removal from its own audio thread, where the device
    // cannot be closed; the next CheckDevice does that.
    static int SDLCALL Watch(void* user, SDL_Event* e) {
        auto* self = static_cast<OutputImpl*>(user);
        if (e->type == SDL_AUDIODEVICEREMOVED && !e->adevice.iscapture && e->adevice.which != 0 &&
            e->adevice.which == self->watchedDevice_.load())
            self->lost_ = true;
        return 0;
    }

    // Caller holds mixMu_.
    void Mix(float* out, int32_t frames) {
        std::memset(out, 0, sizeof(float) * 2 * static_cast<size_t>(frames));
        for (AudioSource* s : sources_) s->Render(out, frames, kRate);
        rendered_.fetch_add(frames, std::memory_order_relaxed);
    }

    static void SDLCALL Callback(void* user, Uint8* stream, int len) {
        auto* self = static_cast<OutputImpl*>(user);
        int32_t frames = len / static_cast<int>(2 * sizeof(float));
        std::lock_guard<std::mutex> lock(self->mixMu_);
        self->Mix(reinterpret_cast<float*>(stream), frames);
    }

    bool OpenDevice() {
        if (EnvIs("VEXO_BACKEND", "headless") || EnvIs("SDL_AUDIODRIVER", "dummy")) return false;
        SilenceAlsa();
        if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return NoDevice();
        SDL_AudioSpec want{};
        want.freq = kRate;
        want.format = AUDIO_F32SYS;
        want.channels = 2;
        want.samples = kBlock;
        want.callback = &OutputImpl::Callback;
        want.userdata = this;
        SDL_AudioSpec have{};
        // No changes allowed: SDL converts to whatever the hardware wants, so
        // the sources always see 48 kHz stereo float in blocks of kBlock.
        device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device_ == 0) {
            NoDevice();
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            return false;
        }
        mode_ = Mode::Device;
        watchedDevice_ = device_;
        SDL_DelEventWatch(&OutputImpl::Watch, this);
        SDL_AddEventWatch(&OutputImpl::Watch, this);
        SDL_PauseAudioDevice(device_, 0);
        return true;
    }

    static bool NoDevice() {
        std::fprintf(stderr, "vexo: no sound device (%s); sound runs silent\n", SDL_GetError());
        return false;
    }

    void StartSilentClock() {
        mode_ = Mode::Silent;
        clock_ = std::thread([this] { RunClock(); });
    }

    // Renders as many frames as real time has passed, in blocks, every few
    // milliseconds; the mix itself is thrown away.
    void RunClock() {
        using clock = std::chrono::steady_clock;
        const auto start = clock::now();
        int64_t done = 0;
        std::unique_lock<std::mutex> l(clockMu_);
        while (!stopClock_) {
            clockCv_.wait_for(l, std::chrono::milliseconds(2));
            if (stopClock_) break;
            l.unlock();
            auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(clock::now() - start).count();
            int64_t due = elapsed * kRate / 1000000 - done;
            while (due > 0) {
                int32_t n = static_cast<int32_t>(std::min<int64_t>(due, kBlock));
                {
                    std::lock_guard<std::mutex> lock(mixMu_);
                    Mix(scratch_.data(), n);
                }
                done += n;
                due -= n;
            }
            l.lock();
        }
    }

    std::mutex mixMu_;  // the source list and every block rendered
    std::vector<AudioSource*> sources_;
    std::vector<float> scratch_;
    std::atomic<Mode> mode_{Mode::Silent};
    std::atomic<int64_t> rendered_{0};
    std::mutex modeMu_;
    SDL_AudioDeviceID device_ = 0;
    std::atomic<SDL_AudioDeviceID> watchedDevice_{0};
    std::atomic<bool> lost_{false};
    bool hadLoss_ = false;  // under modeMu_: the silent clock stands in for a lost device
    std::thread clock_;
    std::mutex clockMu_;
    std::condition_variable clockCv_;
    bool stopClock_ = false;
};

OutputImpl* g_output = nullptr;

void StopAtExit() {
    if (g_output) g_output->GoOffline();
}

}  // namespace

// Deliberately never destroyed: buffers released late in process teardown
// may still reach the mixer. Only the device or clock is stopped at exit.
AudioOutput& AudioOutput::Get() {
    static OutputImpl* out = [] {
        g_output = new OutputImpl();
        std::atexit(StopAtExit);
        return g_output;
    }();
    return *out;
}

}  // namespace vexo::audio
