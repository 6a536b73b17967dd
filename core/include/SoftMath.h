#pragma once

#include "SoftExtended.h"

#include <string>

// What the software extended real takes from MPFR (at 64 bits, over the
// x87 exponent range, subnormals included): the correctly rounded natural
// logarithm, and reading and printing numbers as the C library does for
// the x87 format.

// ln(A), rounded to nearest.
TSoftExtended SoftLog(TSoftExtended A);

// Reads a number as strtold reads it on x86-64 (decimal or C hex-float,
// "inf", "nan"), correctly rounded to nearest; End is set past what was
// read, or to Text when nothing was.
TSoftExtended SoftFromText(const char* Text, const char** End);

// The text printf gives for "%.21Lg" and for "%La" on x86-64.
std::string SoftToDecimal21(TSoftExtended A);
std::string SoftToHexFloat(TSoftExtended A);
