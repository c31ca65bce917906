// Error numbers, platform statuses and the three error-handling styles.
//
// A failing operation raises: it throws VbError carrying the 32-bit error
// number. Methods then handle it in one of three styles:
//  - plain propagation: let it through;
//  - resume-next: ResumeNext runs each statement, records the number of a
//    failing one and goes on;
//  - first failure: OnError runs a body and, on the first failure, a handler.
#pragma once

#include <cstdint>
#include <exception>
#include <limits>
#include "common/PushSystemMacros.h"

namespace vexo {

// Run-time error numbers.
enum : int32_t {
    ERR_INVALID_CALL = 5,      // invalid procedure call or argument
    ERR_OVERFLOW = 6,
    ERR_SUBSCRIPT = 9,         // subscript out of range
    ERR_DIV_ZERO = 11,
    ERR_OBJECT_NOT_SET = 91,   // call through an empty reference
    ERR_NOT_SUPPORTED = 445,
};

// Published platform statuses (HRESULTs), as signed 32-bit values.
namespace status {
inline constexpr int32_t hr(uint32_t v) { return static_cast<int32_t>(v); }
inline constexpr int32_t OK = 0;
inline constexpr int32_t S_FALSE_ = 1;
inline constexpr int32_t E_NOTIMPL = hr(0x80004001);      // also DDERR_UNSUPPORTED
inline constexpr int32_t E_FAIL = hr(0x80004005);
inline constexpr int32_t E_INVALIDARG = hr(0x80070057);   // DDERR_INVALIDPARAMS
inline constexpr int32_t E_OUTOFMEMORY = hr(0x8007000E);
inline constexpr int32_t E_HANDLE = hr(0x80070006);
inline constexpr int32_t E_NOINTERFACE = hr(0x80004002);
inline constexpr int32_t DDERR_UNSUPPORTED = E_NOTIMPL;
inline constexpr int32_t DDERR_INVALIDPARAMS = E_INVALIDARG;
inline constexpr int32_t DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
inline constexpr int32_t DDERR_GENERIC = E_FAIL;
inline constexpr int32_t DDERR_INVALIDCAPS = hr(0x88760064);
inline constexpr int32_t DDERR_INVALIDOBJECT = hr(0x88760082);
inline constexpr int32_t DDERR_INVALIDPIXELFORMAT = hr(0x88760091);
inline constexpr int32_t DDERR_INVALIDRECT = hr(0x88760096);
inline constexpr int32_t DDERR_NOCOLORKEY = hr(0x887600D7);
inline constexpr int32_t DDERR_NOEXCLUSIVEMODE = hr(0x887600E1);
inline constexpr int32_t DDERR_NOTFOUND = hr(0x887600FF);
inline constexpr int32_t DDERR_OUTOFVIDEOMEMORY = hr(0x8876017C);
inline constexpr int32_t DDERR_SURFACEBUSY = hr(0x887601AE);
inline constexpr int32_t DDERR_SURFACELOST = hr(0x887601C2);
inline constexpr int32_t DDERR_NOPALETTEATTACHED = hr(0x8876023C);
inline constexpr int32_t DDERR_NOTFLIPPABLE = hr(0x88760246);
inline constexpr int32_t DDERR_NOTLOCKED = hr(0x88760248);
inline constexpr int32_t DDERR_NODC = hr(0x8876024A);
inline constexpr int32_t DDERR_DCALREADYCREATED = hr(0x8876026C);
inline constexpr int32_t DDERR_NOCLIPLIST = hr(0x887600CD);
}  // namespace status

// The error object a failing operation throws.
class VbError : public std::exception {
public:
    explicit VbError(int32_t number) noexcept : number_(number) {}
    int32_t number() const noexcept { return number_; }
    const char* what() const noexcept override { return "vexo error"; }

private:
    int32_t number_;
};

[[noreturn]] void Raise(int32_t number);

// Raise `status` when it reports failure (negative), for operations whose
// callers treat a failing status as an error.
inline void RaiseIfFailed(int32_t st) {
    if (st < 0) Raise(st);
}

// Resume-next scope. Starting a method clears the current error number;
// each statement runs through operator(), a failing one is skipped and its
// number becomes the current error number.
class ResumeNext {
public:
    template <class F>
    bool operator()(F&& statement) noexcept {
        try {
            statement();
            return true;
        } catch (const VbError& e) {
            err_ = e.number();
        } catch (...) {
            err_ = status::E_FAIL;
        }
        return false;
    }
    int32_t Err() const noexcept { return err_; }
    void Clear() noexcept { err_ = 0; }

private:
    int32_t err_ = 0;
};

// First-failure scope: runs `body`; the first failure abandons it and runs
// `handler(errorNumber)`. Never raises.
template <class Body, class Handler>
void OnError(Body&& body, Handler&& handler) noexcept {
    int32_t number = 0;
    try {
        body();
        return;
    } catch (const VbError& e) {
        number = e.number();
    } catch (...) {
        number = status::E_FAIL;
    }
    handler(number);
}

// Checked arithmetic: results that leave their type's range raise 6.
inline int32_t Add32(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_add_overflow(a, b, &r)) Raise(ERR_OVERFLOW);
    return r;
}
inline int32_t Sub32(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) Raise(ERR_OVERFLOW);
    return r;
}
inline int32_t Mul32(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) Raise(ERR_OVERFLOW);
    return r;
}
inline int16_t To16(int64_t v) {
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max())
        Raise(ERR_OVERFLOW);
    return static_cast<int16_t>(v);
}
inline int32_t To32(int64_t v) {
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        Raise(ERR_OVERFLOW);
    return static_cast<int32_t>(v);
}
inline uint8_t ToByte(int64_t v) {
    if (v < 0 || v > 255) Raise(ERR_OVERFLOW);
    return static_cast<uint8_t>(v);
}
// Conversion of a floating-point value to an integer type rounds half to
// even, as the run time's conversions do, and raises 6 out of range.
int32_t RoundTo32(double v);
int16_t RoundTo16(double v);
uint8_t RoundToByte(double v);

}  // namespace vexo

#include "common/PopSystemMacros.h"
