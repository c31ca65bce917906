// Checks for the programs run under Wine: each prints "ok ..." or
// "FAIL ..." and counts the failures, which the program returns.
#pragma once

#include <cinttypes>
#include <cstdio>
#include <string>

#include "common/Error.h"

namespace vexo::testing {

inline int& Failures() {
    static int n = 0;
    return n;
}

inline bool Expect(bool ok, const std::string& what) {
    std::printf("%s  %s\n", ok ? "ok  " : "FAIL", what.c_str());
    if (!ok) ++Failures();
    return ok;
}

// The error number `f` raises, 0 when it returns.
template <class F>
int32_t StatusOf(F&& f) {
    try {
        f();
        return 0;
    } catch (const VbError& e) {
        return e.number();
    }
}

inline std::string Hex(int32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%08" PRIX32, static_cast<uint32_t>(v));
    return b;
}

// Checks that `f` ends with `want` (0: returns), naming what it got.
template <class F>
bool ExpectStatus(int32_t want, const std::string& what, F&& f) {
    const int32_t got = StatusOf(f);
    return Expect(got == want, what + " gives " + Hex(got) + (got == want ? "" : ", expected " + Hex(want)));
}

// `got` equals `want`; names both in hexadecimal when not.
inline bool ExpectHex(uint32_t got, uint32_t want, const std::string& what) {
    return Expect(got == want,
                  what + (got == want ? "" : ": got " + Hex(int32_t(got)) + ", expected " + Hex(int32_t(want))));
}

// Runs a group of checks; an unexpected raise fails the group, not the
// program.
template <class F>
void Group(const char* name, F&& f) {
    try {
        f();
    } catch (const VbError& e) {
        Expect(false, std::string(name) + " raised " + Hex(e.number()));
    }
}

}  // namespace vexo::testing
