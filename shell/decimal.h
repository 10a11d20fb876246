#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrin {

// Numbers written and read as decimal text, the same on every host and in
// every C locale: nothing here asks the C library, whose decimal point
// follows the locale a toolkit may set ("1,5" in German), nor the standard
// library's floating-point <charconv>, which not every library has.

// Appends the shortest text that reads back as the same double, never with
// an exponent: "3", "-0.5", "0.30000000000000004". A whole number whose
// shortest digits end before its units (1e23) is written in full, exactly
// (99999999999999991611392), as printf's "%.0f" would. Zero is "0" or "-0";
// infinities and NaNs "inf", "-inf", "nan", "-nan".
void appendFixed(std::string& out, double value);

// Appends the shortest text that reads back as the same float: positional
// ("7680", "0.5") or with an exponent of at least two digits ("1e+20",
// "1e-05"), whichever is shorter, positional on a tie. Whole numbers are
// written exactly, as in appendFixed.
void appendShortest(std::string& out, float value);

// Reads unsigned decimal digits with an optional fraction ("12", "0.25",
// "1.", ".5": at least one digit, nothing else) as the nearest double, ties
// to even. A number too large for a double reads as infinity, one too small
// as 0. Text of any other form gives no value.
std::optional<double> readFixed(std::string_view text);

}  // namespace kestrin
