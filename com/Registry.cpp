// The per-user registry directory: reading and writing class records.
#include <unistd.h>

#include <cstdlib>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <system_error>
#include <vector>

#include "com/Registry.h"

namespace vexo::com::registry {

namespace fs = std::filesystem;

namespace {

thread_local std::string lastError;

HRESULT Fail(HRESULT hr, const std::string& text) {
    lastError = text;
    return hr;
}

using Fields = std::map<std::string, std::string>;

fs::path ClassFile(const CLSID& c) { return fs::path(Root()) / "CLSID" / GuidToString(c); }
fs::path ProgIdFile(const std::string& p) { return fs::path(Root()) / "ProgID" / p; }
fs::path TypeLibFile(const ClassRecord& r) {
    return fs::path(Root()) / "TypeLib" / GuidToString(r.libid) /
           (std::to_string(r.major) + "." + std::to_string(r.minor)) / r.library;
}

// A program identifier names a file: letters, digits, '.', '_' only.
bool ValidProgId(const std::string& p) {
    if (p.empty() || p.size() > 39 || p.front() == '.') return false;
    for (char c : p)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_')) return false;
    return true;
}

// false: missing; throws std::runtime_error for a record that is not one.
bool ReadFields(const fs::path& file, Fields& out) {
    std::error_code ec;
    if (!fs::exists(file, ec)) return false;
    std::ifstream in(file);
    if (!in) throw std::runtime_error("cannot read " + file.string());
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos || eq == 0) throw std::runtime_error("corrupt record " + file.string());
        out[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return true;
}

// Writes the record into a temporary file beside its place.
bool WriteTemp(const fs::path& file, const Fields& f, fs::path& tmp) {
    std::error_code ec;
    fs::create_directories(file.parent_path(), ec);
    tmp = file.string() + ".tmp" + std::to_string(::getpid());
    std::ofstream out(tmp, std::ios::trunc);
    for (const auto& [k, v] : f) out << k << '=' << v << '\n';
    out.flush();
    if (out) return true;
    out.close();
    fs::remove(tmp, ec);
    return false;
}

// The program-identifier and type-library records that name the class;
// records naming another class stay, readable or not.
std::vector<fs::path> RecordsNaming(const std::string& clsid) {
    std::vector<fs::path> ours;
    for (const char* sub : {"ProgID", "TypeLib"}) {
        std::error_code walk, kind;
        for (fs::recursive_directory_iterator it(fs::path(Root()) / sub, walk), end; !walk && it != end;
             it.increment(walk)) {
            if (!it->is_regular_file(kind)) continue;
            Fields o;
            try {
                if (ReadFields(it->path(), o) && o["CLSID"] == clsid) ours.push_back(it->path());
            } catch (const std::exception&) {
            }
        }
    }
    return ours;
}

// Removes the record, and the version and library-identifier directories of
// a type-library record once nothing else is in them.
void RemoveRecord(const fs::path& p) {
    std::error_code ec;
    fs::remove(p, ec);
    const fs::path typeLibs = fs::path(Root()) / "TypeLib";
    for (fs::path dir = p.parent_path();; dir = dir.parent_path()) {
        const fs::path rel = dir.lexically_relative(typeLibs);
        if (rel.empty() || rel == "." || *rel.begin() == "..") break;  // not below TypeLib/
        if (!fs::is_empty(dir, ec) || ec || !fs::remove(dir, ec)) break;
    }
}

const std::string& Need(const Fields& f, const char* key, const fs::path& file) {
    auto it = f.find(key);
    if (it == f.end() || it->second.empty())
        throw std::runtime_error("corrupt record " + file.string() + ": no " + key);
    return it->second;
}

ClassRecord ParseClass(const Fields& f, const fs::path& file) {
    ClassRecord r;
    r.className = Need(f, "Class", file);
    r.library = Need(f, "Library", file);
    r.progId = Need(f, "ProgID", file);
    r.path = Need(f, "InprocServer32", file);
    r.threadingModel = Need(f, "ThreadingModel", file);
    if (!GuidFromString(file.filename().string(), r.clsid) || !GuidFromString(Need(f, "TypeLib", file), r.libid))
        throw std::runtime_error("corrupt record " + file.string() + ": bad identifier");
    unsigned major = 0, minor = 0;
    char dot = 0;
    std::istringstream v(Need(f, "Version", file));
    if (!(v >> major >> dot >> minor) || dot != '.' || major > 0xFFFF || minor > 0xFFFF)
        throw std::runtime_error("corrupt record " + file.string() + ": bad version");
    r.major = WORD(major);
    r.minor = WORD(minor);
    if (!fs::path(r.path).is_absolute()) throw std::runtime_error("corrupt record " + file.string() + ": relative path");
    return r;
}

}  // namespace

std::string LastError() { return lastError; }
void SetLastError(const std::string& text) { lastError = text; }

std::string Root() {
    if (const char* r = std::getenv("VEXO_REGISTRY"); r && *r) return r;
    if (const char* x = std::getenv("XDG_DATA_HOME"); x && *x) return std::string(x) + "/vexo/registry";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/vexo/registry";
}

HRESULT Register(const ClassRecord& r) {
    if (!ValidProgId(r.progId)) return Fail(E_INVALIDARG, "invalid program identifier " + r.progId);
    const std::string id = GuidToString(r.clsid);
    const fs::path cls = ClassFile(r.clsid), prog = ProgIdFile(r.progId), lib = TypeLibFile(r);
    // The class's own earlier records are replaced (a moved or rebuilt
    // library registers again); a program identifier of another class is not.
    try {
        Fields o;
        if (ReadFields(prog, o) && o["CLSID"] != id)
            return Fail(SELFREG_E_CLASS, "program identifier " + r.progId + " is registered to class " +
                                             o["CLSID"] + " (" + prog.string() + "); unregister that first");
    } catch (const std::exception&) {
        // Not a record: it is replaced.
    }
    const std::vector<fs::path> earlier = RecordsNaming(id);
    const std::string version = std::to_string(r.major) + "." + std::to_string(r.minor);
    const std::vector<std::pair<fs::path, Fields>> records = {
        {lib, {{"Path", r.path}, {"CLSID", id}}},
        {prog, {{"CLSID", id}}},
        {cls,
         {{"Class", r.className},
          {"Library", r.library},
          {"ProgID", r.progId},
          {"InprocServer32", r.path},
          {"ThreadingModel", r.threadingModel},
          {"TypeLib", GuidToString(r.libid)},
          {"Version", version}}}};
    // Every record is written beside its place first; only when all are
    // written do they replace what was there, so a failure changes nothing.
    std::vector<fs::path> temps;
    std::error_code ec;
    for (const auto& [file, fields] : records) {
        fs::path tmp;
        if (!WriteTemp(file, fields, tmp)) {
            for (const auto& t : temps) fs::remove(t, ec);
            return Fail(REGDB_E_WRITEREGDB, "cannot write the registry at " + Root());
        }
        temps.push_back(tmp);
    }
    bool ok = true;
    for (size_t i = 0; i < records.size(); ++i) {
        fs::rename(temps[i], records[i].first, ec);
        if (ec) ok = false, fs::remove(temps[i], ec);
    }
    if (!ok) return Fail(REGDB_E_WRITEREGDB, "cannot write the registry at " + Root());
    // What the earlier registration wrote and this one did not (another
    // program identifier or version) goes.
    for (const auto& e : earlier)
        if (e != lib && e != prog) RemoveRecord(e);
    return S_OK;
}

HRESULT Unregister(const CLSID& clsid) {
    std::error_code ec;
    const fs::path cls = ClassFile(clsid);
    if (!fs::exists(cls, ec)) return Fail(SELFREG_E_CLASS, "class " + GuidToString(clsid) + " is not registered");
    for (const auto& p : RecordsNaming(GuidToString(clsid))) RemoveRecord(p);
    if (!fs::remove(cls, ec) || ec) return Fail(REGDB_E_WRITEREGDB, "cannot remove " + cls.string());
    return S_OK;
}

HRESULT Read(const CLSID& clsid, ClassRecord& out) {
    const fs::path cls = ClassFile(clsid);
    try {
        Fields f;
        if (!ReadFields(cls, f)) return Fail(REGDB_E_CLASSNOTREG, "class " + GuidToString(clsid) + " is not registered");
        out = ParseClass(f, cls);
        return S_OK;
    } catch (const std::exception& e) {
        return Fail(REGDB_E_INVALIDVALUE, e.what());
    }
}

HRESULT ClsidFromProgId(const std::string& progId, CLSID& out) {
    if (!ValidProgId(progId)) return Fail(CO_E_CLASSSTRING, "invalid program identifier " + progId);
    const fs::path prog = ProgIdFile(progId);
    try {
        Fields f;
        if (!ReadFields(prog, f)) return Fail(CO_E_CLASSSTRING, "program identifier " + progId + " is not registered");
        if (!GuidFromString(Need(f, "CLSID", prog), out))
            throw std::runtime_error("corrupt record " + prog.string() + ": bad identifier");
        return S_OK;
    } catch (const std::exception& e) {
        return Fail(REGDB_E_INVALIDVALUE, e.what());
    }
}

std::vector<ClassRecord> List(std::vector<std::string>* problems) {
    std::vector<ClassRecord> out;
    std::error_code ec;
    const fs::path dir = fs::path(Root()) / "CLSID";
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (it->path().filename().string().find(".tmp") != std::string::npos) continue;
        try {
            Fields f;
            if (ReadFields(it->path(), f)) out.push_back(ParseClass(f, it->path()));
        } catch (const std::exception& e) {
            if (problems) problems->push_back(e.what());
        }
    }
    return out;
}

}  // namespace vexo::com::registry
