#!/usr/bin/env python3
"""Writes the typed half of a component's dual interface from the interface
definition the layer produces (`vexocom idl <ProgId>`): an abstract class with
one entry per method in interface order, and the class that forwards each
entry into the dispatch path by its dispatch identifier.

usage: typed_from_idl.py <file.idl> > <Component>Typed.h
"""
import re
import sys

TYPES = {
    'long': 'int32_t', 'float': 'float', 'unsigned char': 'uint8_t', 'VARIANT_BOOL': 'VARIANT_BOOL',
    'BSTR': 'BSTR', 'IDispatch*': 'IDispatch*', 'VARIANT': 'VARIANT', 'SAFEARRAY(unsigned char)': 'SAFEARRAY*',
}


def ctype(t, enums):
    stars = len(t) - len(t.rstrip('*'))
    base = t.rstrip('*').strip()
    if base in enums:
        base = 'int32_t'
    elif base + '*' in TYPES and stars:
        base, stars = TYPES[base + '*'], stars - 1
    else:
        base = TYPES[base]
    return base + '*' * stars


def main():
    text = open(sys.argv[1]).read()
    enums = set(re.findall(r'\}\s*(\w+);', text))
    iface = re.search(r'interface (\w+) : IDispatch \{(.*?)\n    \};', text, re.S)
    name, body = iface.group(1), iface.group(2)
    methods = re.findall(r'\[id\((0x[0-9a-fA-F]+)\)\]\s*HRESULT (\w+)\((.*?)\);', body, re.S)
    decls, impls = [], []
    for dispid, mname, params in methods:
        args, packs, ret = [], [], None
        for attrs, ptype, pname in re.findall(r'\[([^\]]*)\]\s*([\w ()]+?\**)\s*(\w+)\s*(?:,|$)', params.strip()):
            c = ctype(ptype.strip(), enums)
            args.append('%s %s' % (c, pname))
            if 'retval' in attrs:
                ret = pname
            else:
                packs.append('In(%s)' % pname)
        sig = 'HRESULT STDMETHODCALLTYPE %s(%s)' % (mname, ', '.join(args))
        decls.append('    virtual %s = 0;' % sig)
        call = 'Call(o_, %s, {%s}%s)' % (dispid, ', '.join(packs), ', ' + ret if ret else '')
        impls.append('    %s override { return %s; }' % (sig, call))
    print('// The typed half of the dual interface %s, one entry per method in' % name)
    print('// interface order. Written by com/typed_from_idl.py from the definition')
    print('// the layer produces; regenerate it when the description changes.')
    print('#pragma once\n\n#include "com/Automation.h"\n\nnamespace vexo::com::typed {\n')
    print('struct %s : IDispatch {' % name)
    print('\n'.join(decls))
    print('\nprotected:\n    ~%s() = default;\n};\n' % name)
    print('// Forwards every entry into the object\'s dispatch path, so conversion,')
    print('// write-back and errors are those of Invoke.')
    print('class %sEntries final : public EntriesBase<%s> {' % (name, name))
    print('public:')
    print('    using EntriesBase::EntriesBase;')
    print('    static constexpr size_t kMethods = %d;' % len(methods))
    print('\n'.join(impls))
    print('};\n\n}  // namespace vexo::com::typed')


main()
