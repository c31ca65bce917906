// A recording DirectSound: every call on the device and its buffers lands in
// one log as text ("b1.Play(0)"), and any call can be made to fail.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "common/DSound.h"
#include "tests/sound/SoundTestSupport.h"

namespace vexo::test {

struct SoundLog {
    std::vector<std::string> calls;
    // "b1.SetVolume", "CreateSoundBufferFromFile", ... -> status raised.
    std::map<std::string, int32_t> fail;
    int nextBuffer = 0;
    int buffersAlive = 0;
    int devicesAlive = 0;
    std::vector<DSBUFFERDESC> descs;
    std::vector<WAVEFORMATEX> formats;

    void Call(const std::string& name, const std::string& args = "") {
        calls.push_back(args.empty() ? name : name + "(" + args + ")");
        auto it = fail.find(name);
        if (it != fail.end()) Raise(it->second);
    }
    // The calls since the last Take, and forget them.
    std::vector<std::string> Take() { return std::exchange(calls, {}); }
};

class RecBuffer : public DirectSoundBuffer {
public:
    RecBuffer(SoundLog& log) : log_(log), id_(log.nextBuffer++) { ++log_.buffersAlive; }
    ~RecBuffer() override { --log_.buffersAlive; }
    std::string Name() const { return "b" + std::to_string(id_); }

    int32_t GetStatus() override {
        Call("GetStatus");
        return status;
    }
    void Stop() override {
        Call("Stop");
        status = 0;
    }
    void Play(int32_t flags) override {
        Call("Play", std::to_string(flags));
        status = DSBSTATUS_PLAYING | ((flags & DSBPLAY_LOOPING) ? DSBSTATUS_LOOPING : 0);
    }
    void SetCurrentPosition(int32_t p) override { Call("SetCurrentPosition", std::to_string(p)); }
    void GetCurrentPosition(DSCURSORS& c) override {
        Call("GetCurrentPosition");
        c = {};
    }
    void SetVolume(int32_t v) override {
        Call("SetVolume", std::to_string(v));
        volume = v;
    }
    int32_t GetVolume() override { return volume; }
    void SetPan(int32_t p) override {
        Call("SetPan", std::to_string(p));
        pan = p;
    }
    int32_t GetPan() override { return pan; }
    void SetFrequency(int32_t f) override {
        Call("SetFrequency", std::to_string(f));
        frequency = f;
    }
    int32_t GetFrequency() override { return frequency; }
    void GetFormat(WAVEFORMATEX& f) override { f = {}; }
    void GetCaps(DSBUFFERDESC& c) override { c = {}; }

    int32_t status = 0;
    int32_t volume = 0, pan = 0, frequency = 0;

private:
    void Call(const std::string& op, const std::string& args = "") { log_.Call(Name() + "." + op, args); }
    SoundLog& log_;
    int id_;
};

class RecDevice : public DirectSound {
public:
    explicit RecDevice(SoundLog& log) : log_(log) { ++log_.devicesAlive; }
    ~RecDevice() override { --log_.devicesAlive; }

    void SetCooperativeLevel(HWND hwnd, int32_t level) override {
        log_.Call("SetCooperativeLevel", std::to_string(hwnd) + ", " + std::to_string(level));
    }
    Ref<DirectSoundBuffer> CreateSoundBufferFromFile(const std::string& file, const DSBUFFERDESC& desc,
                                                     const WAVEFORMATEX& format) override {
        log_.descs.push_back(desc);
        log_.formats.push_back(format);
        log_.Call("CreateSoundBufferFromFile", file);
        return Ref<DirectSoundBuffer>(new RecBuffer(log_));
    }
    Ref<DirectSoundBuffer> DuplicateSoundBuffer(const Ref<DirectSoundBuffer>& original) override {
        auto* b = dynamic_cast<RecBuffer*>(original.get());
        log_.Call("DuplicateSoundBuffer", b ? b->Name() : "?");
        return Ref<DirectSoundBuffer>(new RecBuffer(log_));
    }

private:
    SoundLog& log_;
};

// A recording platform with the recording device as its sound family.
class RecordingSoundPlatform : public SoundTestPlatform {
public:
    RecordingSoundPlatform()
        : SoundTestPlatform([this](const std::string&) { return Ref<DirectSound>(new RecDevice(log)); }) {}
    SoundLog log;
};

}  // namespace vexo::test
