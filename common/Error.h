/// @file
/// Error numbers, platform statuses and the three error-handling styles.
///
/// A failing operation raises: it throws VbError carrying the 32-bit error
/// number. Methods then handle it in one of three styles:
///  - raises (plain propagation): the error reaches the caller;
///  - ignores errors statement by statement: ResumeNext runs each statement,
///    records the number of a failing one and goes on;
///  - stops at the first failure: OnError runs a body and, on the first
///    failure, a handler.
#pragma once

#include <cstdint>
#include <exception>
#include <limits>
#include "common/PushSystemMacros.h"

namespace vexo {

/// Run-time error numbers, the positive ones a method returns or raises.
enum : int32_t {
    ERR_INVALID_CALL = 5,     ///< Invalid procedure call or argument.
    ERR_OVERFLOW = 6,         ///< A 16-bit or byte value left its range, or a 32-bit sum overflowed.
    ERR_SUBSCRIPT = 9,        ///< Subscript out of range: a slot or index outside its table.
    ERR_DIV_ZERO = 11,        ///< Division by zero.
    ERR_OBJECT_NOT_SET = 91,  ///< A call through an empty reference.
    ERR_NOT_SUPPORTED = 445,  ///< Operation not supported (for instance no platform).
};

/// Published platform statuses, as signed 32-bit values: the negative error
/// numbers a failing platform operation gives, unchanged, so a game may
/// compare a result with them.
namespace status {
/// A status given as its unsigned hexadecimal form.
inline constexpr int32_t hr(uint32_t v) { return static_cast<int32_t>(v); }
inline constexpr int32_t OK = 0;                                ///< Success.
inline constexpr int32_t S_FALSE_ = 1;                          ///< Success, nothing to do.
inline constexpr int32_t E_NOTIMPL = hr(0x80004001);            ///< Not implemented; also DDERR_UNSUPPORTED.
inline constexpr int32_t E_FAIL = hr(0x80004005);               ///< Unspecified failure.
inline constexpr int32_t E_INVALIDARG = hr(0x80070057);         ///< Invalid arguments.
inline constexpr int32_t E_OUTOFMEMORY = hr(0x8007000E);        ///< Out of memory.
inline constexpr int32_t E_HANDLE = hr(0x80070006);             ///< Invalid handle.
inline constexpr int32_t E_NOINTERFACE = hr(0x80004002);        ///< No such interface.
inline constexpr int32_t DDERR_UNSUPPORTED = E_NOTIMPL;         ///< Unsupported (a display mode the display lacks).
inline constexpr int32_t DDERR_INVALIDPARAMS = E_INVALIDARG;    ///< Invalid parameters.
inline constexpr int32_t DDERR_OUTOFMEMORY = E_OUTOFMEMORY;     ///< Out of system memory.
inline constexpr int32_t DDERR_GENERIC = E_FAIL;                ///< Generic display failure.
inline constexpr int32_t DDERR_INVALIDCAPS = hr(0x88760064);    ///< Contradicting surface capabilities.
inline constexpr int32_t DDERR_INVALIDOBJECT = hr(0x88760082);  ///< Not a valid object.
inline constexpr int32_t DDERR_INVALIDPIXELFORMAT = hr(0x88760091);  ///< A pixel format that cannot take it.
inline constexpr int32_t DDERR_INVALIDRECT = hr(0x88760096);    ///< A rectangle not wholly inside its surface.
inline constexpr int32_t DDERR_NOCOLORKEY = hr(0x887600D7);     ///< The surface has no colour key.
inline constexpr int32_t DDERR_NOEXCLUSIVEMODE = hr(0x887600E1);  ///< Needs exclusive (full-screen) access.
inline constexpr int32_t DDERR_NOTFOUND = hr(0x887600FF);       ///< No such attached surface.
inline constexpr int32_t DDERR_OUTOFVIDEOMEMORY = hr(0x8876017C);  ///< Video memory is full.
inline constexpr int32_t DDERR_SURFACEBUSY = hr(0x887601AE);    ///< The surface is locked or lends a device context.
inline constexpr int32_t DDERR_SURFACELOST = hr(0x887601C2);    ///< The surface's memory was lost.
inline constexpr int32_t DDERR_NOPALETTEATTACHED = hr(0x8876023C);  ///< No palette attached.
inline constexpr int32_t DDERR_NOTFLIPPABLE = hr(0x88760246);   ///< Not a flipping chain.
inline constexpr int32_t DDERR_NOTLOCKED = hr(0x88760248);      ///< Unlock of a surface not locked.
inline constexpr int32_t DDERR_NODC = hr(0x8876024A);           ///< No device context out to release.
inline constexpr int32_t DDERR_DCALREADYCREATED = hr(0x8876026C);  ///< A device context is out already.
inline constexpr int32_t DDERR_NOCLIPLIST = hr(0x887600CD);     ///< The clipper has no clip list.
}  // namespace status

/// The error object a failing operation throws: what a method of the
/// "raises" style lets reach the caller.
class VbError : public std::exception {
public:
    /// An error with the error number @p number.
    explicit VbError(int32_t number) noexcept : number_(number) {}
    /// The error number: a run-time number (5, 6, 9, 11, 91, 445, ...) or a
    /// negative platform status.
    int32_t number() const noexcept { return number_; }
    /// A fixed text; the number says what went wrong.
    const char* what() const noexcept override { return "vexo error"; }

private:
    int32_t number_;
};

/// Throws VbError with @p number.
[[noreturn]] void Raise(int32_t number);

/// Raises @p st when it reports failure (negative), for operations whose
/// callers treat a failing status as an error.
inline void RaiseIfFailed(int32_t st) {
    if (st < 0) Raise(st);
}

/// The scope of a method that ignores errors statement by statement. It
/// starts with the current error number 0; each statement runs through
/// operator(), and a failing one is skipped and its number becomes the
/// current error number.
class ResumeNext {
public:
    /// Runs @p statement; false when it failed (any other exception counts as
    /// status::E_FAIL).
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
    /// The current error number: that of the last failing statement, or 0.
    int32_t Err() const noexcept { return err_; }
    /// Sets the current error number back to 0.
    void Clear() noexcept { err_ = 0; }

private:
    int32_t err_ = 0;
};

/// The scope of a method that stops at the first failure: runs @p body; the
/// first failure abandons it and runs `handler(errorNumber)`. Never raises.
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

/// @name Checked arithmetic
/// Results that leave their type's range raise 6 (ERR_OVERFLOW).
///@{

/// a + b in 32 bits.
inline int32_t Add32(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_add_overflow(a, b, &r)) Raise(ERR_OVERFLOW);
    return r;
}
/// a - b in 32 bits.
inline int32_t Sub32(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_sub_overflow(a, b, &r)) Raise(ERR_OVERFLOW);
    return r;
}
/// a * b in 32 bits.
inline int32_t Mul32(int32_t a, int32_t b) {
    int32_t r;
    if (__builtin_mul_overflow(a, b, &r)) Raise(ERR_OVERFLOW);
    return r;
}
/// @p v as a 16-bit integer.
inline int16_t To16(int64_t v) {
    if (v < std::numeric_limits<int16_t>::min() || v > std::numeric_limits<int16_t>::max())
        Raise(ERR_OVERFLOW);
    return static_cast<int16_t>(v);
}
/// @p v as a 32-bit integer.
inline int32_t To32(int64_t v) {
    if (v < std::numeric_limits<int32_t>::min() || v > std::numeric_limits<int32_t>::max())
        Raise(ERR_OVERFLOW);
    return static_cast<int32_t>(v);
}
/// @p v as a byte, 0 to 255.
inline uint8_t ToByte(int64_t v) {
    if (v < 0 || v > 255) Raise(ERR_OVERFLOW);
    return static_cast<uint8_t>(v);
}
/// @p v rounded half to even to a 32-bit integer.
int32_t RoundTo32(double v);
/// @p v rounded half to even to a 16-bit integer.
int16_t RoundTo16(double v);
/// @p v rounded half to even to a byte.
uint8_t RoundToByte(double v);
///@}

}  // namespace vexo

#include "common/PopSystemMacros.h"
