// vexo-idlgen: writes a component's interface definition and typed header
// from its description, for the build.
//
//   vexo-idlgen <Library> <file.idl> <Typed.h>
//
// A file is rewritten only when its text changes, so a change to one
// component's description recompiles that component alone.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "com/Descriptions.h"

namespace {

using namespace vexo::com;

const ClassDesc* Find(const std::string& library) {
    for (const ClassDesc* d :
         {&DX7DrawDescription(), &DXInputDescription(), &DX7SoundDescription(), &DXMusicDescription()})
        if (library == d->library) return d;
    return nullptr;
}

bool WriteIfChanged(const std::filesystem::path& path, const std::string& text) {
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream old;
        old << in.rdbuf();
        if (in && old.str() == text) return true;
    }
    std::error_code ec;
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
    // Written beside the target and renamed, so an interrupted build never
    // leaves half a header that looks current.
    const std::filesystem::path tmp = path.string() + ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) {
            std::fprintf(stderr, "vexo-idlgen: cannot write %s\n", tmp.string().c_str());
            return false;
        }
    }
    std::filesystem::rename(tmp, path, ec);
    if (ec)
        std::fprintf(stderr, "vexo-idlgen: cannot write %s: %s\n", path.string().c_str(),
                     ec.message().c_str());
    return !ec;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: vexo-idlgen <Library> <file.idl> <Typed.h>\n");
        return 2;
    }
    const ClassDesc* d = Find(argv[1]);
    if (!d) {
        std::fprintf(stderr, "vexo-idlgen: no description of a library named %s\n", argv[1]);
        return 2;
    }
    return WriteIfChanged(argv[2], WriteIdl(*d)) && WriteIfChanged(argv[3], WriteTyped(*d)) ? 0 : 1;
}
