#!/usr/bin/env python3
"""Checks the built component DLLs of one Windows build directory.

usage: check-windows-dlls.py BUILD_DIR TRIPLE      (TRIPLE: x86_64-w64-mingw32 or i686-w64-mingw32)

Every DLL: exports exactly DllGetClassObject, DllCanUnloadNow,
DllRegisterServer and DllUnregisterServer under their plain names, and
imports only system DLLs (no C or C++ run time of the compiler's own).
32-bit DLLs also: the entry points and every COM method (IUnknown,
IDispatch, IClassFactory and each typed interface entry) are __stdcall, the
callee popping the bytes its parameters take (the '@N' of the symbol), the
typed entries' counts taken from the typed interface headers the build
generated (BUILD_DIR/generated); and their code agrees: every 'ret' of such
a method pops those bytes.
Prints one line per check and exits 1 when one fails.
"""
import glob
import os
import re
import subprocess
import sys

ENTRY_POINTS = {'DllGetClassObject': 12, 'DllCanUnloadNow': 0, 'DllRegisterServer': 0, 'DllUnregisterServer': 0}
# Bytes popped by the standard methods, the object pointer included.
COM_METHODS = {'QueryInterface': 12, 'AddRef': 4, 'Release': 4, 'GetTypeInfoCount': 8, 'GetTypeInfo': 16,
               'GetIDsOfNames': 24, 'Invoke': 36, 'CreateInstance': 16, 'LockServer': 8,
               'InterfaceSupportsErrorInfo': 8}
SYSTEM_DLLS = {'kernel32.dll', 'msvcrt.dll', 'oleaut32.dll', 'ole32.dll', 'advapi32.dll', 'user32.dll',
               'gdi32.dll', 'ddraw.dll', 'dinput.dll', 'dsound.dll', 'winmm.dll', 'msacm32.dll'}

failures = 0


def check(ok, what):
    global failures
    print(('ok    ' if ok else 'FAIL  ') + what)
    failures += 0 if ok else 1


def run(*cmd, stdin=None):
    return subprocess.run(cmd, input=stdin, capture_output=True, text=True, check=True).stdout


def typed_entries(build):
    """Interface name -> {method: parameter count} from the generated typed headers."""
    out = {}
    for header in glob.glob(os.path.join(build, 'generated', '*', '*Typed.h')):
        text = open(header).read()
        iface = re.search(r'struct (\w+) : IDispatch \{', text)
        if not iface:
            continue
        methods = {}
        for name, params in re.findall(r'virtual HRESULT (?:STDMETHODCALLTYPE )?(\w+)\(([^)]*)\) = 0;', text):
            methods[name] = 0 if not params.strip() else params.count(',') + 1
        out[iface.group(1)] = methods
    return out


def function_returns(triple, dll):
    """Symbol -> the byte counts its 'ret' instructions pop (0 for a plain
    'ret'), from the disassembly of the DLL's code."""
    out = {}
    current = None
    for line in run(triple + '-objdump', '-d', '--no-show-raw-insn', dll).splitlines():
        head = re.match(r'^[0-9a-f]+ <(\S+)>:$', line)
        if head:
            current = out.setdefault(head.group(1), [])
            continue
        ret = re.search(r'\sret[lq]?\s*(?:\$0x([0-9a-f]+))?\s*$', line)
        if ret and current is not None:
            current.append(int(ret.group(1), 16) if ret.group(1) else 0)
    return out


def main():
    build, triple = sys.argv[1], sys.argv[2]
    wide = triple.startswith('x86_64')
    dlls = sorted(glob.glob(os.path.join(build, 'bin', '*.dll')))
    check(len(dlls) == 4, '%d component DLLs in %s/bin' % (len(dlls), build))
    typed = typed_entries(build)
    check(len(typed) == 4, '%d generated typed interfaces in %s/generated' % (len(typed), build))
    for dll in dlls:
        name = os.path.basename(dll)
        dump = run(triple + '-objdump', '-p', dll)
        table = re.search(r'\[Ordinal/Name Pointer\] Table\n((?:\s+\[\s*\d+\] \S+\n)*)', dump)
        exports = re.findall(r'\] (\S+)', table.group(1)) if table else []
        check(sorted(exports) == sorted(ENTRY_POINTS), '%s exports %s' % (name, ' '.join(exports) or 'nothing'))
        imports = [d.lower() for d in re.findall(r'DLL Name: (\S+)', dump)]
        foreign = [d for d in imports if d not in SYSTEM_DLLS]
        check(not foreign, '%s imports only system DLLs (%s)%s' % (
            name, ' '.join(imports), ': not ' + ' '.join(foreign) if foreign else ''))
        if wide:
            continue
        symbols = set(line.split()[-1] for line in run(triple + '-nm', dll).splitlines() if line.strip())
        for entry, pops in ENTRY_POINTS.items():
            check('_%s@%d' % (entry, pops) in symbols, '%s: %s is __stdcall, pops %d bytes' % (name, entry, pops))
        # Every COM method compiled into the DLL, demangled without its '@N'.
        mangled = sorted(s for s in symbols if s.startswith('__ZN4vexo3com') and not s.startswith('.'))
        plain = [re.sub(r'@\d+$', '', s) for s in mangled]
        demangled = run(triple + '-c++filt', stdin='\n'.join(plain) + '\n').splitlines()
        seen_typed = set()
        bad = []
        counted = 0
        stdcall = {}
        returns = function_returns(triple, dll)
        for sym, text in zip(mangled, demangled):
            m = re.match(r'(.*)::(\w+)\(', text)
            if not m or sym.endswith('.cold'):
                continue
            cls, method = m.group(1), m.group(2)
            iface = re.search(r'typed::(_\w+)Entries$', cls)
            if iface and iface.group(1) in typed and method in typed[iface.group(1)]:
                want = 4 + 4 * typed[iface.group(1)][method]
                seen_typed.add((iface.group(1), method))
            elif method in COM_METHODS:
                want = COM_METHODS[method]
            else:
                continue
            counted += 1
            got = re.search(r'@(\d+)$', sym)
            if got and int(got.group(1)) == want:
                stdcall[sym] = want
            if not got or int(got.group(1)) != want:
                bad.append('%s (%s, want @%d)' % (text, 'cdecl' if not got else '@' + got.group(1), want))
        check(not bad and counted > 0, '%s: %d COM methods, all __stdcall with the right byte counts%s' % (
            name, counted, ': ' + '; '.join(bad) if bad else ''))
        # The symbols' '@N' is what the compiler meant; the code itself must
        # agree: each such method returns with 'ret $N', popping its
        # arguments (or leaves only through a jump to one that does).
        wrong = []
        for sym, pops in sorted(stdcall.items()):
            rets = returns.get(sym)
            if rets is None:
                wrong.append(sym + ' (not found in the code)')
            elif any(r != pops for r in rets):
                wrong.append('%s (ret %s, want %d)' % (sym, '/'.join(str(r) for r in sorted(set(rets))), pops))
        check(stdcall and not wrong, '%s: the code of %d of them pops its arguments on return%s' % (
            name, len(stdcall), ': ' + '; '.join(wrong[:5]) if wrong else ''))
        ifaces = {i for i, _ in seen_typed}
        for i in ifaces:
            missing = sorted(set(typed[i]) - {m for j, m in seen_typed if j == i})
            check(not missing, '%s: every entry of %s (%d) checked%s' % (
                name, i, len(typed[i]), ': missing ' + ' '.join(missing) if missing else ''))
        check(len(ifaces) == 1, '%s: holds one typed interface (%s)' % (name, ' '.join(sorted(ifaces))))
    sys.exit(1 if failures else 0)


main()
