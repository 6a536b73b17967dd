#pragma once

#include "SoftExtended.h"

#include <mpfr.h>

// The software extended real in MPFR: at 64 bits over the x87 format's
// exponent range, subnormals included, so that a result settled there is
// rounded as the format rounds it.

// An MPFR number in the format, with MPFR's exponent range set to the
// format's for its lifetime.
class TFormatNumber {
public:
  static constexpr mpfr_prec_t Precision = 64;
  // MPFR writes x = m 2^e with m in [1/2, 1): the least subnormal is
  // 2^-16445, the largest finite value just below 2^16384.
  static constexpr mpfr_exp_t LeastExponent = -16444, GreatestExponent = 16384;

  TFormatNumber();
  ~TFormatNumber();
  TFormatNumber(const TFormatNumber&) = delete;
  TFormatNumber& operator=(const TFormatNumber&) = delete;

  // After an operation that returned Ternary: into range, then rounded
  // again where it is subnormal.
  void Settle(int Ternary, mpfr_rnd_t Rounding = MPFR_RNDN);

  mpfr_t Value;

private:
  mpfr_exp_t FOldMin, FOldMax;
};

// Exact both ways for a value of the format (MPFR's NaN has no payload).
void SoftToMpfr(mpfr_t To, TSoftExtended A);
TSoftExtended SoftFromMpfr(const mpfr_t From);
