// vexocom: registers, unregisters and lists the components of the per-user
// registry, and writes a class's interface-definition text.
//
//   vexocom register <library>...     calls each library's DllRegisterServer
//   vexocom unregister <library>...   calls each library's DllUnregisterServer
//   vexocom list                      the registered classes and where they live
//   vexocom idl <ProgID>              the interface-definition text of the class
//   vexocom --help                    every command with a line each
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "com/Activation.h"
#include "com/Automation.h"
#include "com/Registry.h"
#include "com/TypeDesc.h"

using namespace vexo::com;

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: vexocom register <library>... | unregister <library>... | list | idl <ProgID>\n"
                 "       (vexocom --help says what each does)\n"
                 "registry: %s (set VEXO_REGISTRY to use another)\n",
                 registry::Root().c_str());
    return 2;
}

int Help() {
    std::printf(
        "usage: vexocom <command> [arguments]\n"
        "  register <library>...     record the classes each component library serves (its DllRegisterServer);\n"
        "                            again after moving or rebuilding a library: the new record replaces the old\n"
        "  unregister <library>...   remove the classes each library serves (its DllUnregisterServer)\n"
        "  list                      the registered classes: class identifier, program identifier, version, library\n"
        "  idl <ProgID>              write the class's interface-definition text to standard output\n"
        "  --help                    show this help\n"
        "registry: %s (set VEXO_REGISTRY to use another)\n",
        registry::Root().c_str());
    return 0;
}

// A library that cannot be opened is reported with the system's reason
// before the loader gives a vaguer one.
bool Readable(const std::string& what, const char* lib) {
    std::FILE* f = std::fopen(lib, "rb");
    if (!f) {
        std::fprintf(stderr, "vexocom: cannot %s %s: %s\n", what.c_str(), lib, std::strerror(errno));
        return false;
    }
    std::fclose(f);
    return true;
}

// `what` is the verb ("register"); success prints its past tense.
int Report(const std::string& what, const std::string& lib, HRESULT hr) {
    if (Succeeded(hr)) {
        std::printf("%sed: %s\n", what.c_str(), lib.c_str());
        return 0;
    }
    const std::string why = registry::LastError();
    std::fprintf(stderr, "vexocom: %s %s failed (0x%08X, %s)%s%s\n", what.c_str(), lib.c_str(), unsigned(hr),
                 StatusText(hr).c_str(), why.empty() ? "" : ": ", why.c_str());
    return 1;
}

int List() {
    std::vector<std::string> problems;
    const auto records = registry::List(&problems);
    std::printf("registry: %s\n", registry::Root().c_str());
    for (const auto& r : records) {
        std::error_code ec;
        const bool there = std::filesystem::exists(r.path, ec);
        std::printf("%s  %s  %d.%d  %s%s\n", GuidToString(r.clsid).c_str(), r.progId.c_str(), r.major, r.minor,
                    r.path.c_str(), there ? "" : "  (missing: moved or removed)");
    }
    for (const auto& p : problems) std::fprintf(stderr, "vexocom: %s\n", p.c_str());
    return problems.empty() ? 0 : 1;
}

int Idl(const std::string& name) {
    IDispatch* d = nullptr;
    HRESULT hr = CreateObject(name, &d);
    if (Failed(hr)) return Report("create", name, hr);
    const ClassDesc* desc = DescriptionOf(d);
    if (desc) std::fputs(WriteIdl(*desc).c_str(), stdout);
    d->Release();
    return desc ? 0 : Report("read the description of", name, E_NOINTERFACE);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string cmd = argv[1];
    if (cmd == "--help" || cmd == "-h" || cmd == "help") return Help();
    if (cmd == "list" && argc == 2) return List();
    if (cmd == "idl" && argc == 3) return Idl(argv[2]);
    if ((cmd == "register" || cmd == "unregister") && argc >= 3) {
        int rc = 0;
        for (int i = 2; i < argc; ++i) {
            if (!Readable(cmd, argv[i])) {
                rc = 1;
                continue;
            }
            const HRESULT hr = cmd == "register" ? RegisterServer(argv[i]) : UnregisterServer(argv[i]);
            rc |= Report(cmd, argv[i], hr);
        }
        return rc;
    }
    return Usage();
}
