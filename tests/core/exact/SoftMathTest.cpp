// What the software extended real takes from MPFR, against the C library
// on x86-64: reading numbers as strtold reads them, printing them as printf
// prints "%La" and "%.21Lg", and a logarithm that leaves every grey level
// of every palette as glibc's logl leaves it.

#include "Palette.h"
#include "SoftMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

#if __LDBL_MANT_DIG__ == 64

std::string Printed(const char* Format, long double Value) {
  char Text[128];
  std::snprintf(Text, sizeof Text, Format, Value);
  return Text;
}

// Random bit patterns of the format, every exponent, subnormals included.
long double RandomValue(std::mt19937_64& Random) {
  TSoftExtended Soft{Random(), static_cast<std::uint16_t>(Random() % 0x7FFF)};
  if (Random() % 4 == 0)
    Soft.SignExponent = static_cast<std::uint16_t>(SoftExtended::ExponentBias - 40 + Random() % 80);
  if (SoftExtended::Exponent(Soft) != 0)
    Soft.Significand |= SoftExtended::IntegerBit;
  else
    Soft.Significand = (Soft.Significand & ~SoftExtended::IntegerBit) >> (Random() % 64);
  Soft.SignExponent = static_cast<std::uint16_t>(Soft.SignExponent | ((Random() & 1) << 15));
  return SoftToX87(Soft);
}

void ExpectReadAsStrtold(const std::string& Text) {
  char* WantEnd = nullptr;
  const long double Want = std::strtold(Text.c_str(), &WantEnd);
  const char* GotEnd = nullptr;
  const TSoftExtended Got = SoftFromText(Text.c_str(), &GotEnd);
  ASSERT_EQ(GotEnd - Text.c_str(), WantEnd - Text.c_str()) << Text;
  if (!std::isnan(Want)) {
    ASSERT_TRUE(Got == SoftFromX87(Want)) << Text;
  }
}

TEST(SoftMathTest, PrintsAndReadsAsTheCLibrary) {
  std::mt19937_64 Random(42);
  for (int K = 0; K < 20000; ++K) {
    const long double Value = RandomValue(Random);
    const std::string Hex = Printed("%La", Value), Decimal = Printed("%.21Lg", Value);
    ASSERT_EQ(SoftToHexFloat(SoftFromX87(Value)), Hex);
    ASSERT_EQ(SoftToDecimal21(SoftFromX87(Value)), Decimal);
    ExpectReadAsStrtold(Hex);
    ExpectReadAsStrtold(Decimal);
    // Decimals of every length, ties and halfway cases among them.
    std::string Digits = std::to_string(Random() % 1000000000) + std::to_string(Random());
    Digits.resize(1 + Random() % Digits.size());
    ExpectReadAsStrtold("-0." + Digits + "e" + std::to_string(static_cast<int>(Random() % 9900) - 4950));
    ExpectReadAsStrtold(Digits + "5e-" + std::to_string(Random() % 30));
  }
  for (const char* Text : {"0", "-0", "1e-4951", "1e-4952", "3.6e-4951", "1.18973149535723176502e4932",
                           "1.2e4932", "0x1p-16445", "0x1.8p-16446", "inf", "-2.5", "1.25abc",
                           " 7", "x", ".", "1e", "0x", "nan"})
    ExpectReadAsStrtold(Text);
}

// ln sqrt(n) for the arguments a palette takes, by glibc's logl (not
// correctly rounded) and by the correctly rounded logarithm.
struct THalfLogs {
  std::vector<long double> Glibc, Rounded;
};

THalfLogs HalfLogs() {
  THalfLogs Logs;
  for (int N = 0; N <= MaxIterationLimit + 1; ++N) {
    const long double Root = std::sqrt(static_cast<long double>(N));
    Logs.Glibc.push_back(std::log(Root));
    Logs.Rounded.push_back(SoftToX87(SoftLog(SoftFromX87(Root))));
  }
  return Logs;
}

// The two logarithms differ on about a fifth of the arguments, yet over
// every pair of count and count range of every frame the grey level is the
// same: the palette may take either.
TEST(SoftMathTest, EveryGreyLevelTheSameWithACorrectlyRoundedLog) {
  const THalfLogs Logs = HalfLogs();
  int Differing = 0;
  for (int N = 2; N <= MaxIterationLimit + 1; ++N) {
    Differing += Logs.Glibc[N] != Logs.Rounded[N];
    ASSERT_LE(std::fabs(Logs.Glibc[N] - Logs.Rounded[N]), 0x1p-63L * Logs.Rounded[N]) << N;
  }
  EXPECT_GT(Differing, 0);
  for (int Range = 0; Range < MaxIterationLimit; ++Range) {
    const int B = Range + 2;
    for (int Offset = 0; Offset <= Range; ++Offset) {
      const int A = Offset + 2;
      if (Logs.Glibc[A] == Logs.Rounded[A] && Logs.Glibc[B] == Logs.Rounded[B])
        continue;
      ASSERT_EQ(GreyLevel(Logs.Glibc[A], Logs.Glibc[B]), GreyLevel(Logs.Rounded[A], Logs.Rounded[B]))
          << "count " << Offset << " of a range of " << Range;
    }
  }
}

#endif

} // namespace
