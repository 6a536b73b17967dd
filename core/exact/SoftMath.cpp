#include "SoftMath.h"
#include "SoftMpfr.h"

#include <cctype>
#include <cstdio>

using namespace SoftExtended;

TFormatNumber::TFormatNumber() : FOldMin(mpfr_get_emin()), FOldMax(mpfr_get_emax()) {
  mpfr_set_emin(LeastExponent);
  mpfr_set_emax(GreatestExponent);
  mpfr_init2(Value, Precision);
}

TFormatNumber::~TFormatNumber() {
  mpfr_clear(Value);
  mpfr_set_emin(FOldMin);
  mpfr_set_emax(FOldMax);
}

void TFormatNumber::Settle(int Ternary, mpfr_rnd_t Rounding) {
  Ternary = mpfr_check_range(Value, Ternary, Rounding);
  mpfr_subnormalize(Value, Ternary, Rounding);
}

void SoftToMpfr(mpfr_t To, TSoftExtended A) {
  if (IsNaN(A)) {
    mpfr_set_nan(To);
  } else if (IsInf(A)) {
    mpfr_set_inf(To, Sign(A) ? -1 : 1);
  } else if (IsZero(A)) {
    mpfr_set_zero(To, Sign(A) ? -1 : 1);
  } else {
    const int E = Exponent(A) == 0 ? 1 : Exponent(A);
    mpfr_set_ui_2exp(To, A.Significand, E - ExponentBias - 63, MPFR_RNDN); // exact
    if (Sign(A))
      mpfr_neg(To, To, MPFR_RNDN);
  }
}

TSoftExtended SoftFromMpfr(const mpfr_t From) {
  if (mpfr_nan_p(From))
    return Make(mpfr_signbit(From) != 0, MaxExponent, 0xC000000000000000u);
  const bool Negative = mpfr_signbit(From) != 0;
  if (mpfr_inf_p(From))
    return Infinity(Negative);
  if (mpfr_zero_p(From))
    return Zero(Negative);
  mpfr_t Scaled;
  mpfr_init2(Scaled, TFormatNumber::Precision);
  const mpfr_exp_t E = mpfr_get_exp(From); // |From| in [2^(E-1), 2^E)
  mpfr_abs(Scaled, From, MPFR_RNDN);
  int Biased = static_cast<int>(E) - 1 + ExponentBias;
  // The significand as a whole number: 64 bits, or fewer for a subnormal.
  const int Shift = Biased >= 1 ? 64 - static_cast<int>(E) : 64 - static_cast<int>(E) - (1 - Biased);
  mpfr_mul_2si(Scaled, Scaled, Shift, MPFR_RNDN);
  const auto Significand = static_cast<std::uint64_t>(mpfr_get_ui(Scaled, MPFR_RNDN));
  mpfr_clear(Scaled);
  if (Biased < 1)
    Biased = 0;
  return Make(Negative, Biased, Significand);
}

TSoftExtended SoftLog(TSoftExtended A) {
  TFormatNumber X;
  SoftToMpfr(X.Value, A);
  X.Settle(mpfr_log(X.Value, X.Value, MPFR_RNDN));
  return SoftFromMpfr(X.Value);
}

TSoftExtended SoftFromText(const char* Text, const char** End) {
  TFormatNumber X;
  const char* Start = Text;
  while (std::isspace(static_cast<unsigned char>(*Start)))
    ++Start;
  char* Stop = nullptr;
  X.Settle(mpfr_strtofr(X.Value, Start, &Stop, 0, MPFR_RNDN));
  *End = Stop == Start ? Text : Stop;
  return SoftFromMpfr(X.Value);
}

std::string SoftToDecimal21(TSoftExtended A) {
  TFormatNumber X;
  SoftToMpfr(X.Value, A);
  char Text[64];
  mpfr_snprintf(Text, sizeof Text, "%.21Rg", X.Value);
  return Text;
}
