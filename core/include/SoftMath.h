#pragma once

#include "SoftExtended.h"

#include <string>

// What the software extended real needs beyond arithmetic: the correctly
// rounded natural logarithm and reading and printing numbers as the C
// library does for the x87 format. MPFR (at 64 bits, over the x87 exponent
// range, subnormals included) gives the logarithm, the reading and the
// decimals; the hexadecimal text comes from the bits. Where MPFR is not
// at hand (WebAssembly) the C library's quadruple precision reads numbers,
// and there is no logarithm (the palette takes its few from a table).

// ln(A), rounded to nearest.
TSoftExtended SoftLog(TSoftExtended A);

// Reads a number as strtold reads it on x86-64 (decimal or C hex-float,
// "inf", "nan"), correctly rounded to nearest; End is set past what was
// read, or to Text when nothing was (or, read through quadruple precision,
// when the text lies too near a midpoint to be rounded exactly).
TSoftExtended SoftFromText(const char* Text, const char** End);

// The text printf gives for "%.21Lg" and for "%La" on x86-64.
std::string SoftToDecimal21(TSoftExtended A);
std::string SoftToHexFloat(TSoftExtended A);
