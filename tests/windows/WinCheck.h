// Checks for the programs run under Wine: each prints "ok ..." or
// "FAIL ..." and counts failures; main returns Failures() != 0.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "common/Error.h"

namespace vexo::wintest {

inline int& Failures() {
    static int n = 0;
    return n;
}

inline void Expect(bool good, const std::string& what) {
    std::printf("%s  %s\n", good ? "ok  " : "FAIL", what.c_str());
    if (!good) ++Failures();
}

// The error number `f` raises, 0 when it returns.
template <class F>
int32_t ErrorOf(F&& f) {
    try {
        f();
    } catch (const VbError& e) {
        return e.number();
    }
    return 0;
}

inline std::string Hex(uint32_t v) {
    char b[16];
    std::snprintf(b, sizeof b, "0x%X", v);
    return b;
}

// `got` equals `want`; names both in hexadecimal when not.
inline void ExpectHex(uint32_t got, uint32_t want, const std::string& what) {
    Expect(got == want, what + (got == want ? "" : ": got " + Hex(got) + ", expected " + Hex(want)));
}

// Runs a group of checks; an unexpected raise fails the group, not the
// program.
template <class F>
void Group(const char* name, F&& f) {
    try {
        f();
    } catch (const VbError& e) {
        Expect(false, std::string(name) + " raised " + Hex(uint32_t(e.number())));
    }
}

}  // namespace vexo::wintest
