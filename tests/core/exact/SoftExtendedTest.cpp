// The software extended real against the x87 unit, bit for bit, and
// against MPFR at 64 bits (on every machine): random operands spread over
// every exponent, and the cases that break emulations (ties to even,
// carries out of the significand, cancellation, the extreme exponents,
// subnormal results, both zeros, infinities), in each rounding mode the
// program uses and the two others.

#include "SoftExtended.h"
#include "SoftMpfr.h"

#include "HardwareRounding.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#define GORVANEL_HAS_X87 1
#endif

namespace {

using namespace SoftExtended;

TSoftExtended Software(TOperation Operation, TSoftExtended A, TSoftExtended B,
                       TSoftRounding Mode) {
  switch (Operation) {
  case TOperation::Add: return SoftAdd(A, B, Mode);
  case TOperation::Subtract: return SoftSubtract(A, B, Mode);
  case TOperation::Multiply: return SoftMultiply(A, B, Mode);
  case TOperation::Divide: return SoftDivide(A, B, Mode);
  case TOperation::Sqrt: return SoftSqrt(A, Mode);
  }
  return {};
}

// A random operand: any sign, a significand of random bits (sometimes
// with long runs of ones or zeros, where carries and ties live), and an
// exponent drawn mostly near the middle and sometimes at the extremes.
class TOperands {
public:
  explicit TOperands(std::uint64_t Seed) : FRandom(Seed) {}

  TSoftExtended Next() {
    std::uint64_t Significand = FRandom();
    switch (FRandom() % 6) {
    case 0: Significand |= (std::uint64_t{1} << (FRandom() % 64)) - 1; break; // ones below
    case 1: Significand &= ~((std::uint64_t{1} << (FRandom() % 64)) - 1); break; // zeros below
    case 2: Significand = IntegerBit + FRandom() % 4; break; // at a power of two
    default: break;
    }
    int Exponent = 0;
    switch (FRandom() % 8) {
    case 0: Exponent = static_cast<int>(FRandom() % 70); break; // subnormal and tiny
    case 1: Exponent = MaxExponent - 1 - static_cast<int>(FRandom() % 70); break; // huge
    case 2: Exponent = static_cast<int>(FRandom() % MaxExponent); break;
    default: Exponent = ExponentBias - 70 + static_cast<int>(FRandom() % 140); break;
    }
    if (Exponent != 0)
      Significand |= IntegerBit;
    else
      Significand &= ~IntegerBit;
    return Make((FRandom() & 1) != 0, Exponent, Significand);
  }

  // A second operand 60 to 68 binades below the first: its last bits,
  // shifted out, decide ties.
  TSoftExtended Below(TSoftExtended A) {
    const int E = Exponent(A) - 60 - static_cast<int>(FRandom() % 9);
    const TSoftExtended B = Next();
    return E > 0 ? Make(Sign(B), E, B.Significand | IntegerBit) : B;
  }

  // A second operand near the first (cancellation, equal exponents).
  TSoftExtended Near(TSoftExtended A) {
    A.Significand ^= FRandom() >> (FRandom() % 64);
    if (Exponent(A) != 0)
      A.Significand |= IntegerBit;
    A.SignExponent = static_cast<std::uint16_t>(A.SignExponent ^ ((FRandom() & 1) << 15));
    return A;
  }

private:
  std::mt19937_64 FRandom;
};

// MPFR at 64 bits over the format's exponent range, in the same rounding.
TSoftExtended ByMpfr(TOperation Operation, TSoftExtended A, TSoftExtended B, TSoftRounding Mode) {
  constexpr mpfr_rnd_t Roundings[] = {MPFR_RNDN, MPFR_RNDU, MPFR_RNDD, MPFR_RNDZ};
  const mpfr_rnd_t Rounding = Roundings[static_cast<int>(Mode)];
  TFormatNumber X, Y;
  SoftToMpfr(X.Value, A);
  SoftToMpfr(Y.Value, B);
  int Ternary = 0;
  switch (Operation) {
  case TOperation::Add: Ternary = mpfr_add(X.Value, X.Value, Y.Value, Rounding); break;
  case TOperation::Subtract: Ternary = mpfr_sub(X.Value, X.Value, Y.Value, Rounding); break;
  case TOperation::Multiply: Ternary = mpfr_mul(X.Value, X.Value, Y.Value, Rounding); break;
  case TOperation::Divide: Ternary = mpfr_div(X.Value, X.Value, Y.Value, Rounding); break;
  case TOperation::Sqrt: Ternary = mpfr_sqrt(X.Value, X.Value, Rounding); break;
  }
  X.Settle(Ternary, Rounding);
  return SoftFromMpfr(X.Value);
}

// Random operands, and a subtraction whose shifted-out bits decide a tie
// (1 - (1 + 2^-63) x 2^-65 is 1 - 2^-64, not 1), in every rounding; a NaN
// is checked as a NaN (MPFR's have no payload).
TEST(SoftExtendedTest, RandomOperandsAsMpfr) {
  TOperands Operands(1210);
  const TSoftExtended One = Make(false, ExponentBias, IntegerBit);
  const TSoftExtended Tie = Make(true, ExponentBias - 65, IntegerBit + 1);
  for (int K = -1; K < 20000; ++K) {
    const TSoftExtended A = K < 0 ? One : Operands.Next();
    const TSoftExtended B = K < 0        ? Tie
                            : K % 3 == 0 ? Operands.Near(A)
                            : K % 3 == 1 ? Operands.Below(A)
                                         : Operands.Next();
    for (const TSoftRounding Mode : {TSoftRounding::Nearest, TSoftRounding::Upward,
                                     TSoftRounding::Downward, TSoftRounding::TowardZero})
      for (const TOperation Operation : {TOperation::Add, TOperation::Subtract,
                                         TOperation::Multiply, TOperation::Divide, TOperation::Sqrt}) {
        const TSoftExtended First = Operation == TOperation::Sqrt ? SoftAbs(A) : A;
        const TSoftExtended Want = ByMpfr(Operation, First, B, Mode);
        const TSoftExtended Got = Software(Operation, First, B, Mode);
        ASSERT_TRUE(IsNaN(Want) ? IsNaN(Got) : Want == Got)
            << "operation " << static_cast<int>(Operation) << " mode " << static_cast<int>(Mode)
            << std::hex << " of " << A.SignExponent << ":" << A.Significand << " and "
            << B.SignExponent << ":" << B.Significand << ": MPFR " << Want.SignExponent << ":"
            << Want.Significand << ", soft " << Got.SignExponent << ":" << Got.Significand;
      }
  }
}

#ifdef GORVANEL_HAS_X87
TSoftExtended FromHardware(long double Value) { return SoftFromX87(Value); }
long double ToHardware(TSoftExtended Soft) { return SoftToX87(Soft); }

struct TMode {
  TSoftRounding Soft;
  int Hardware;
  const char* Name;
};
const TMode Modes[] = {{TSoftRounding::Nearest, FE_TONEAREST, "nearest"},
                       {TSoftRounding::Upward, FE_UPWARD, "upward"},
                       {TSoftRounding::Downward, FE_DOWNWARD, "downward"},
                       {TSoftRounding::TowardZero, FE_TOWARDZERO, "toward zero"}};

// Same bits; NaNs compare as NaNs of the same sign and payload.
::testing::AssertionResult SameBits(long double Expected, TSoftExtended Got) {
  const TSoftExtended Want = FromHardware(Expected);
  if (Want == Got)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << std::hex << "x87 " << Want.SignExponent << ":" << Want.Significand << ", soft "
         << Got.SignExponent << ":" << Got.Significand;
}

void ExpectAllModes(TOperation Operation, long double A, long double B) {
  for (const TMode& Mode : Modes) {
    const long double Want = Hardware(Operation, A, B, Mode.Hardware);
    const TSoftExtended Got = Software(Operation, FromHardware(A), FromHardware(B), Mode.Soft);
    ASSERT_TRUE(SameBits(Want, Got)) << "operation " << static_cast<int>(Operation) << " "
                                     << Mode.Name << " of " << std::hexfloat << A << " and "
                                     << B;
  }
}

TEST(SoftExtendedTest, RandomOperandsAsTheX87Unit) {
  TOperands Operands(20261210);
  for (int K = 0; K < 60000; ++K) {
    const TSoftExtended A = Operands.Next();
    const TSoftExtended B = K % 3 == 0   ? Operands.Near(A)
                            : K % 3 == 1 ? Operands.Below(A)
                                         : Operands.Next();
    for (const TOperation Operation : {TOperation::Add, TOperation::Subtract,
                                       TOperation::Multiply, TOperation::Divide})
      ExpectAllModes(Operation, ToHardware(A), ToHardware(B));
    ExpectAllModes(TOperation::Sqrt, ToHardware(SoftAbs(A)), 0);
    if (HasFatalFailure())
      return;
  }
}

TEST(SoftExtendedTest, EdgeCasesAsTheX87Unit) {
  const long double Inf = std::numeric_limits<long double>::infinity();
  const long double Max = std::numeric_limits<long double>::max();
  const long double Min = std::numeric_limits<long double>::min();
  const long double Tiny = std::numeric_limits<long double>::denorm_min();
  const long double Ulp = std::numeric_limits<long double>::epsilon(); // 2^-63
  const long double Values[] = {0.0L, -0.0L, 1.0L, -1.0L, 2.0L, 4.0L, 0.5L, 3.0L,
                                1 + Ulp, 1 - Ulp / 2, 1 + Ulp / 2, 2 - Ulp, Ulp / 2, Ulp / 4,
                                Max, -Max, Min, -Min, Min / 2, Min - Tiny, Tiny, -Tiny,
                                3 * Tiny, Inf, -Inf, std::numeric_limits<long double>::quiet_NaN(),
                                0x1.fffffffffffffffep16383L, 0x1p-16382L, 0x1.8p-16440L,
                                1e300L, 1e-300L, 0.1L, -2.5L, 1.25L,
                                // NaNs of equal significands and either sign,
                                // signalling and quiet: the x87 unit gives the
                                // positive one of a pair, quieted.
                                ToHardware(Make(false, MaxExponent, 0x8000000000000001u)),
                                ToHardware(Make(true, MaxExponent, 0x8000000000000001u)),
                                ToHardware(Make(false, MaxExponent, 0xFFFFFFFFFFFFFFFFu)),
                                ToHardware(Make(true, MaxExponent, 0xFFFFFFFFFFFFFFFFu)),
                                ToHardware(Make(true, MaxExponent, 0xFFFFFFFFFFFFFFFEu)),
                                ToHardware(Make(false, MaxExponent, 0xFFFFFFFFFFFFFFFEu))};
  for (const long double A : Values) {
    for (const long double B : Values)
      for (const TOperation Operation : {TOperation::Add, TOperation::Subtract,
                                         TOperation::Multiply, TOperation::Divide})
        ExpectAllModes(Operation, A, B);
    ExpectAllModes(TOperation::Sqrt, A, 0);
  }
}

TEST(SoftExtendedTest, ConversionsAndComparisonsAsTheX87Unit) {
  TOperands Operands(7);
  std::mt19937_64 Random(11);
  for (int K = 0; K < 20000; ++K) {
    const TSoftExtended A = Operands.Next(), B = K % 2 ? Operands.Near(A) : Operands.Next();
    const long double X = ToHardware(A), Y = ToHardware(B);
    const int Order = SoftCompare(A, B);
    EXPECT_EQ(Order == -1, X < Y);
    EXPECT_EQ(Order == 0, X == Y);
    EXPECT_EQ(Order == 1, X > Y);
    EXPECT_EQ(Order == 2, std::isunordered(X, Y));
    for (const TMode& Mode : Modes) {
      std::fesetround(Mode.Hardware);
      volatile long double Source = X;
      volatile double Narrowed = static_cast<double>(Source);
      std::fesetround(FE_TONEAREST);
      const double Got = SoftToDouble(A, Mode.Soft);
      ASSERT_EQ(std::memcmp(&Got, const_cast<const double*>(&Narrowed), sizeof Got), 0)
          << Mode.Name << " " << std::hexfloat << X;
    }
    std::uint64_t Bits = Random();
    double D = 0;
    std::memcpy(&D, &Bits, sizeof D);
    if (!std::isnan(D)) {
      ASSERT_TRUE(SameBits(static_cast<long double>(D), SoftFromDouble(D))) << std::hexfloat << D;
    }
    const auto Integer = static_cast<std::int64_t>(Random() >> (Random() % 64));
    for (const std::int64_t I : {Integer, -Integer}) {
      ASSERT_TRUE(SameBits(static_cast<long double>(I), SoftFromInteger(I))) << I;
    }
  }
  ASSERT_TRUE(SameBits(static_cast<long double>(std::numeric_limits<std::int64_t>::min()),
                       SoftFromInteger(std::numeric_limits<std::int64_t>::min())));
}

#endif

} // namespace
