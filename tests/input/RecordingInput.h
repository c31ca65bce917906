// A recording input platform: every call the component makes is written to a
// log as "object.Method(arguments)", every release as "~object"; a test can
// make any logged call fail with a status of its choosing.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "common/DInput.h"
#include "tests/input/InputFakes.h"

namespace vexo::test {

struct Recorder {
    std::vector<std::string> log;
    // Returns the status a call fails with, 0 to let it succeed.
    std::function<int32_t(const std::string& call)> fail;
    // Joysticks attached: instance identifiers in enumeration order, and the
    // state each reports.
    std::vector<std::string> joysticks;
    std::map<std::string, DIJOYSTATE> joyStates;
    DIKEYBOARDSTATE keys;
    int live = 0;
    int counter = 0;

    void Call(const std::string& call) {
        log.push_back(call);
        if (fail)
            if (int32_t st = fail(call)) Raise(st);
    }
    std::string NewName(const char* kind) { return kind + std::to_string(++counter); }
    // The log with the entries for which `keep` holds.
    std::vector<std::string> Filtered(const std::function<bool(const std::string&)>& keep) const {
        std::vector<std::string> out;
        for (auto& e : log)
            if (keep(e)) out.push_back(e);
        return out;
    }
};

class RecObject {
   public:
    RecObject(Recorder& r, std::string name) : rec_(r), name_(std::move(name)) { ++rec_.live; }
    virtual ~RecObject() {
        --rec_.live;
        rec_.log.push_back("~" + name_);
    }
    const std::string& Name() const { return name_; }

   protected:
    void Call(const std::string& method) { rec_.Call(name_ + "." + method); }
    Recorder& rec_;
    std::string name_;
};

class RecDevice final : public DirectInputDevice, public RecObject {
   public:
    RecDevice(Recorder& r, std::string name, std::string guid)
        : RecObject(r, std::move(name)), guid_(std::move(guid)) {}
    void SetCommonDataFormat(int32_t f) override { Call("SetCommonDataFormat(" + std::to_string(f) + ")"); }
    void SetCooperativeLevel(HWND h, int32_t f) override {
        Call("SetCooperativeLevel(" + std::to_string(h) + ", " + std::to_string(f) + ")");
    }
    void SetProperty(const std::string& name, const DIPROPLONG& p) override {
        std::ostringstream s;
        s << "SetProperty(" << name << ", long size=" << p.lSize << " header=" << p.lHeaderSize
          << " obj=" << p.lObj << " how=" << p.lHow << " data=" << p.lData << ")";
        Call(s.str());
    }
    void SetProperty(const std::string& name, const DIPROPRANGE& p) override {
        std::ostringstream s;
        s << "SetProperty(" << name << ", range size=" << p.lSize << " header=" << p.lHeaderSize
          << " obj=" << p.lObj << " how=" << p.lHow << " min=" << p.lMin << " max=" << p.lMax << ")";
        Call(s.str());
    }
    int32_t Acquire() override { return Call("Acquire()"), 0; }
    int32_t Unacquire() override { return Call("Unacquire()"), 0; }
    int32_t Poll() override { return Call("Poll()"), 0; }
    void GetDeviceStateKeyboard(DIKEYBOARDSTATE& s) override {
        Call("GetDeviceStateKeyboard()");
        s = rec_.keys;
    }
    void GetDeviceStateJoystick(DIJOYSTATE& s) override {
        Call("GetDeviceStateJoystick()");
        s = rec_.joyStates[guid_];
    }

   private:
    std::string guid_;
};

class RecInstance final : public DirectInputDeviceInstance, public RecObject {
   public:
    RecInstance(Recorder& r, std::string guid) : RecObject(r, r.NewName("item")), guid_(std::move(guid)) {}
    std::string GetGuidInstance() override { return Call("GetGuidInstance()"), guid_; }

   private:
    std::string guid_;
};

class RecEnum final : public DirectInputEnumDevices, public RecObject {
   public:
    RecEnum(Recorder& r, std::vector<std::string> guids)
        : RecObject(r, r.NewName("enum")), guids_(std::move(guids)) {}
    int32_t GetCount() override { return Call("GetCount()"), int32_t(guids_.size()); }
    Ref<DirectInputDeviceInstance> GetItem(int32_t i) override {
        Call("GetItem(" + std::to_string(i) + ")");
        if (i < 1 || i > int32_t(guids_.size())) Raise(status::DIERR_INVALIDPARAM);
        return Ref<DirectInputDeviceInstance>(new RecInstance(rec_, guids_[size_t(i) - 1]));
    }

   private:
    std::vector<std::string> guids_;
};

class RecDirectInput final : public DirectInput, public RecObject {
   public:
    explicit RecDirectInput(Recorder& r) : RecObject(r, r.NewName("di")) {}
    Ref<DirectInputDevice> CreateDevice(const std::string& guid) override {
        Call("CreateDevice(" + guid + ")");
        if (guid == GUID_SysKeyboard)
            return Ref<DirectInputDevice>(new RecDevice(rec_, rec_.NewName("kbd"), guid));
        for (auto& g : rec_.joysticks)
            if (g == guid) return Ref<DirectInputDevice>(new RecDevice(rec_, rec_.NewName("joy"), guid));
        Raise(status::DIERR_DEVICENOTREG);
    }
    Ref<DirectInputEnumDevices> GetDIEnumDevices(int32_t type, int32_t flags) override {
        Call("GetDIEnumDevices(" + std::to_string(type) + ", " + std::to_string(flags) + ")");
        return Ref<DirectInputEnumDevices>(new RecEnum(rec_, rec_.joysticks));
    }
};

class RecRoot final : public DirectX7, public RecObject {
   public:
    explicit RecRoot(Recorder& r) : RecObject(r, r.NewName("root")) {}
    Ref<DirectInput> DirectInputCreate() override {
        Call("DirectInputCreate()");
        return Ref<DirectInput>(new RecDirectInput(rec_));
    }
};

class RecordingPlatform : public Platform {
   public:
    Recorder rec;
    FakeWindows windows;
    FakeGdi gdi;
    FakeRuntime runtime;
    RecordingPlatform() { runtime.log = &rec.log; }
    Ref<DirectX7> CreateDirectX7() override {
        rec.log.push_back("CreateDirectX7");
        return Ref<DirectX7>(new RecRoot(rec));
    }
    WindowService& Windows() override { return windows; }
    GdiService& Gdi() override { return gdi; }
    HostRuntime& Runtime() override { return runtime; }
};

}  // namespace vexo::test
