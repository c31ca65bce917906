// Date text as a script writes it, read into the automation date (days since
// 30 December 1899, the time of day as the fraction). Our own model's
// conversion to VT_DATE uses it; the system's does the same itself.
#pragma once

#include <string>

#include "com/Com.h"

namespace vexo::com {

// Reads a calendar date, a time of day or both, in the forms a script's
// date conversion takes with the default (United States) settings:
// "2026-12-08", "12/8/2026" (month first; two-digit years 00-29 are 20xx,
// 30-99 19xx), "8 December 2026", "Dec 8, 2026", "10:30", "10:30:15 PM",
// "2026-12-08 10:30:00". A date alone is at midnight; a time alone is on
// day 0. Anything else, an impossible date or time, or a year outside
// 100-9999, is DISP_E_TYPEMISMATCH. A date without its year is refused too
// (a script would take the current year).
HRESULT DateFromText(const std::string& text, double& out);

}  // namespace vexo::com
