// Where the demo's component objects come from: see Components.h.
#include "Components.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "com/Activation.h"
#include "com/Automation.h"
#include "com/Registry.h"

namespace demo {
namespace {

struct Entry {
    const char* progId;
    const char* clsid;
    const char* soname;  // the linked library, registered into a temporary registry when needed
};
const Entry kEntries[4] = {
    {"VexoDX7Draw.DX7Draw", "{D81D90D2-4865-11D4-96A2-009099162206}", VEXO_DEMO_DRAW_SONAME},
    {"VexoDX7Input.DXInput", "{73A01E45-18A9-11D4-96A2-009099162206}", VEXO_DEMO_INPUT_SONAME},
    {"VexoDX7Sound.DX7Sound", "{73A01E57-18A9-11D4-96A2-009099162206}", VEXO_DEMO_SOUND_SONAME},
    {"VexoDX7Music.DXMusic", "{73A01E51-18A9-11D4-96A2-009099162206}", VEXO_DEMO_MUSIC_SONAME},
};

struct State {
    bool activated = false;
    vexo::com::IDispatch* dispatch[4] = {};
    void* native[4] = {};
    std::string tempRegistry;  // removed at the end
    // The plain objects.
    std::unique_ptr<vexo::DX7Draw> draw;
    std::unique_ptr<vexo::DXInput> input;
    std::unique_ptr<vexo::DX7Sound> sound;
    std::unique_ptr<vexo::DXMusic> music;
};
State& S() {
    static State s;
    return s;
}

std::string Why(vexo::com::HRESULT hr) {
    const std::string detail = vexo::com::registry::LastError();
    return vexo::com::StatusText(hr) + (detail.empty() ? "" : " (" + detail + ")");
}

// The file the loader took for a library this program links. Asked at run
// time, so an installed or moved demo registers the libraries it runs rather
// than the build tree's.
std::string LoadedPath(const char* soname) {
    void* h = dlopen(soname, RTLD_LAZY | RTLD_NOLOAD);
    if (!h) return {};
    link_map* map = nullptr;
    std::string path;
    if (dlinfo(h, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name) path = map->l_name;
    dlclose(h);
    return path;
}

// Without a registry of the user's choosing and with a class not registered,
// the demo registers the libraries it was built with into a registry of its own.
bool EnsureRegistered() {
    bool all = true;
    for (const Entry& e : kEntries) {
        vexo::com::CLSID id{};
        if (vexo::com::Failed(vexo::com::CLSIDFromProgID(e.progId, &id))) all = false;
    }
    if (all) return true;
    if (const char* r = std::getenv("VEXO_REGISTRY"); r && *r) {
        std::fprintf(stderr, "--activate: not every class is registered in %s\n", r);
        return false;
    }
    char dir[] = "/tmp/vexo-demo-registry-XXXXXX";
    if (!mkdtemp(dir)) {
        std::fprintf(stderr, "--activate: cannot make a temporary registry\n");
        return false;
    }
    S().tempRegistry = dir;
    setenv("VEXO_REGISTRY", dir, 1);
    for (const Entry& e : kEntries) {
        const std::string path = LoadedPath(e.soname);
        if (path.empty()) {
            const char* why = dlerror();
            std::fprintf(stderr, "--activate: cannot tell where %s was loaded from: %s\n", e.soname,
                         why ? why : "not loaded");
            return false;
        }
        const vexo::com::HRESULT hr = vexo::com::RegisterServer(path);
        if (vexo::com::Failed(hr)) {
            std::fprintf(stderr, "--activate: cannot register %s: %s\n", path.c_str(), Why(hr).c_str());
            return false;
        }
    }
    return true;
}

template <class T>
T& Get(int i, std::unique_ptr<T>& plain) {
    if (S().activated) return *static_cast<T*>(S().native[i]);
    if (!plain) plain = std::make_unique<T>();
    return *plain;
}

}  // namespace

bool OpenComponents(bool activate) {
    State& s = S();
    s.activated = activate;
    if (!activate) return true;
    if (!EnsureRegistered()) return false;
    for (int i = 0; i < 4; ++i) {
        const vexo::com::HRESULT hr = vexo::com::CreateObject(kEntries[i].progId, &s.dispatch[i]);
        if (vexo::com::Failed(hr)) {
            std::fprintf(stderr, "--activate: cannot create %s: %s\n", kEntries[i].progId, Why(hr).c_str());
            return false;
        }
        s.native[i] = vexo::com::NativeObject(s.dispatch[i], vexo::com::MakeGuid(kEntries[i].clsid));
        if (!s.native[i]) {
            std::fprintf(stderr, "--activate: %s is not this build's object\n", kEntries[i].progId);
            return false;
        }
    }
    std::printf("4 objects created by program identifier\n");
    return true;
}

bool CloseComponents() {
    State& s = S();
    bool ok = true;
    if (s.activated) {
        for (int i = 0; i < 4; ++i) {
            if (s.dispatch[i]) s.dispatch[i]->Release();
            s.dispatch[i] = nullptr;
            s.native[i] = nullptr;
        }
        for (const Entry& e : kEntries) {
            if (vexo::com::CanUnloadNow(vexo::com::MakeGuid(e.clsid)) != vexo::com::S_OK) {
                std::fprintf(stderr, "--activate: %s still has live objects\n", e.progId);
                ok = false;
            }
        }
    }
    if (!s.tempRegistry.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(s.tempRegistry, ec);
        unsetenv("VEXO_REGISTRY");
        s.tempRegistry.clear();
    }
    s.draw.reset();
    s.input.reset();
    s.sound.reset();
    s.music.reset();
    return ok;
}

vexo::DX7Draw& Draw() { return Get(0, S().draw); }
vexo::DXInput& Input() { return Get(1, S().input); }
vexo::DX7Sound& Sound() { return Get(2, S().sound); }
vexo::DXMusic& Music() { return Get(3, S().music); }

}  // namespace demo
