#pragma once

#include <string>

// Number texts written into files that other programs read. They never depend
// on the user's locale: the decimal separator is always ".".

// The value rounded once to at most `precision` significant digits and to
// `decimals` decimals, then written with exactly `decimals` decimals
// (46 with 10 decimals gives "46.0000000000"). No thousands separators.
std::string FormatFixed(double value, int decimals, int precision = 15);

// `precision` significant digits as one digit, ".", precision - 1 digits, "E",
// the exponent's sign and at least `minExponentDigits` (and at least one)
// exponent digits: 1/1200 gives "8.33333333333E-4".
std::string FormatExponent(double value, int precision = 12, int minExponentDigits = 0);

// Plain decimal integer, "-" before negatives.
std::string FormatInt(long long value);

// For messages, not files: digits grouped by three with "," (7652 gives
// "7,652").
std::string FormatGrouped(long long value);
