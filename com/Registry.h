// The per-user registry of components: which library serves which class.
//
// It lives in a directory of plain text records:
//   $VEXO_REGISTRY                         when set, else
//   $XDG_DATA_HOME/vexo/registry           when XDG_DATA_HOME is set, else
//   $HOME/.local/share/vexo/registry
// with one record per registered item, each "key=value" lines:
//   CLSID/{class id}                       Class, Library, ProgID, InprocServer32 (the library's path),
//                                          ThreadingModel, TypeLib, Version
//   ProgID/<program id>                    CLSID
//   TypeLib/{library id}/<version>/<Library>   Path, CLSID
// (the type-library record is keyed by library name too, because two of the
// libraries share one library identifier and version).
// Records are written to temporary files and renamed into place, so a
// failed or interrupted registration never leaves half a record, and no
// operation touches records of another class.
#pragma once

#include <string>
#include <vector>

#include "com/Com.h"

namespace vexo::com::registry {

struct ClassRecord {
    std::string className;  // "DX7Draw"
    std::string library;    // "VexoDX7Draw"
    std::string progId;     // "VexoDX7Draw.DX7Draw"
    CLSID clsid;
    std::string path;       // absolute path of the shared library
    std::string threadingModel = "Apartment";
    GUID libid;
    WORD major = 0, minor = 0;
};

// The registry directory in force (see above).
std::string Root();

// Records the class, replacing its own earlier records (a moved or rebuilt
// library registers again) and removing those of them the new registration
// does not write. A program identifier registered to another class gives
// SELFREG_E_CLASS; any failure changes nothing.
HRESULT Register(const ClassRecord& r);
// Removes exactly the class's records (and the type-library directories left
// empty). A class that is not registered gives SELFREG_E_CLASS.
HRESULT Unregister(const CLSID& clsid);
// The class's record: REGDB_E_CLASSNOTREG when missing, REGDB_E_INVALIDVALUE
// when it cannot be read as a record.
HRESULT Read(const CLSID& clsid, ClassRecord& out);
HRESULT ClsidFromProgId(const std::string& progId, CLSID& out);
// Every class record; records that cannot be read are named in `problems`.
std::vector<ClassRecord> List(std::vector<std::string>* problems);

// A sentence describing this thread's last failure of the functions here
// and of the activation layer.
std::string LastError();
void SetLastError(const std::string& text);

}  // namespace vexo::com::registry
