// The kernels against the literal loop, sample by sample: every lane, the
// escape watch around |z| = 2, counts under rationed orbit proofs, and
// which kernel iterates what.

#include "ExtendedMath.h"
#include "IsInSet.h"
#include "Kernel.h"
#include "RenderMandelbrot.h"
#include "SoftExtended.h"
#include "SoftFast.h"
#include "SoftLanes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <random>
#include <thread>
#include <vector>

namespace {

// A boundary point in the valley between the cardioid and the period-2 bulb.
constexpr TExtended SeaX = -0.743643887037158704752L;
constexpr TExtended SeaY = 0.131825904205311970493L;

const TExactKernel Kernels[] = {TExactKernel::Default, TExactKernel::Portable, TExactKernel::Soft};

TEST(KernelTest, KnownCountsInEveryLane) {
  // Known counts, fed so that escapes land in different lanes at different
  // times, with the limit cutting some off; 0 means "did not escape".
  struct TCase {
    TExtended X, Y;
    std::int32_t Limit, Count;
  } Cases[] = {{-2.5L, 1.25L, 50, 1},  {2.0L, 0.0L, 50, 2},     {-2.0L, 0.0L, 10000, 0},
               {0.26L, 0.0L, 1000, 30}, {0.5L, 0.0L, 4, 0},      {-0.75L, 0.1L, 1000, 33},
               {1.0L, 1.0L, 50, 2},     {0.25L, 0.0L, 10000, 0}, {0.5L, 0.0L, 5, 5},
               {258.0L / 1024, 590.0L / 1024, 200, 125},
               {std::numeric_limits<TExtended>::quiet_NaN(), 0.0L, 50, 0}}; // never passes the test
  for (const TExactKernel Kernel : Kernels)
    for (const TCase& Case : Cases) {
      // Surround each point by others so the lanes fill and drain unevenly.
      std::vector<std::int32_t> Counts(4, -1);
      std::vector<TSample> Samples = {{0.3L, 0.0L, &Counts[0]},
                                      {Case.X, Case.Y, &Counts[1]},
                                      {-0.75L, 0.1L, &Counts[2]},
                                      {Case.X, Case.Y, &Counts[3]}};
      TListFeed Feed(Samples);
      IterateExactly(Feed, Case.Limit, Kernel);
      EXPECT_EQ(Counts[1], Case.Count) << static_cast<double>(Case.X) << " limit " << Case.Limit;
      EXPECT_EQ(Counts[3], Case.Count) << static_cast<double>(Case.X) << " limit " << Case.Limit;
    }
}

// Counts from both kernels for one point under many limits, against the
// literal loop.
void ExpectLiteralCounts(TExtended X, TExtended Y, std::int32_t FirstLimit, std::int32_t LastLimit) {
  for (std::int32_t Limit = FirstLimit; Limit <= LastLimit; ++Limit) {
    const std::int32_t Literal = LiteralCount(X, Y, Limit);
    for (const TExactKernel Kernel : Kernels) {
      std::int32_t Count = -1;
      const std::vector<TSample> Samples{{X, Y, &Count}};
      TListFeed Feed(Samples);
      IterateExactly(Feed, Limit, Kernel);
      ASSERT_EQ(Count, Literal) << "kernel " << static_cast<int>(Kernel) << " at (-2, 2^"
                                << ilogb(Y) << ") limit " << Limit;
    }
  }
}

TEST(KernelTest, EscapesOnTheCircleAreFoundExactly) {
  // For c = -2 + i y with tiny y, zr stays exactly 2 while zi grows fourfold
  // an iteration; the orbit escapes when zi^2 outgrows the rounding of 4,
  // and |z|^2 then stays within a hair of 4 for several iterations. An
  // escape there must be found to the iteration whatever block, window or
  // limit it falls in, and a state whose real part repeats is no cycle.
  for (int K = 240; K <= 520; K += 7) {
    const TExtended Y = std::ldexp(1.0L, -K);
    std::int32_t Count = 0;
    ASSERT_FALSE(IsInSet({-2, Y}, 10000, Count));
    ExpectLiteralCounts(-2, Y, Count - 3, Count + 40);
  }
}

// The counts stay the literal loop's whichever orbit proofs the ration lets
// through.
TEST(KernelTest, CountsExactWhicheverProofsAreTried) {
  // Orbits that escape after the try (past 512 iterations, near the cusp)
  // use up the credit, then attracted ones and more late escapers follow.
  std::vector<TExtPoint> Points;
  for (int K = 0; K < 60; ++K)
    Points.push_back({0.25L + (1 + K % 20) * 5e-7L, K * 1e-9L});
  for (int K = 0; K < 30; ++K)
    Points.push_back({-0.1L + K * 1e-3L, 0.1L});
  for (int K = 0; K < 30; ++K)
    Points.push_back({0.25L + (1 + K) * 5e-7L, 0});
  constexpr std::int32_t Limit = 3000;
  for (const TExactKernel Kernel : Kernels) {
    std::vector<std::int32_t> Counts(Points.size(), -1);
    std::vector<TSample> Samples;
    for (std::size_t K = 0; K < Points.size(); ++K)
      Samples.push_back({Points[K].X, Points[K].Y, &Counts[K]});
    TListFeed Feed(Samples);
    IterateExactly(Feed, Limit, Kernel);
    for (std::size_t K = 0; K < Points.size(); ++K)
      EXPECT_EQ(Counts[K], LiteralCount(Points[K].X, Points[K].Y, Limit)) << K;
  }
}

// Deep in the main cardioid nothing comes near |z| = 2: lanes that iterate
// there to the limit are never reported. Around the boundary, escapes past
// the first iterations are.
TEST(KernelTest, WatchReportsEscapesOnly) {
  if (!HasX87Kernel())
    GTEST_SKIP() << "no x87 kernel here";
  std::vector<std::int32_t> Counts(60);
  std::vector<TSample> Inside;
  for (std::size_t K = 0; K < Counts.size(); ++K)
    Inside.push_back({-0.3L + K * 1e-3L, 0.1L + K * 1e-3L, &Counts[K]});
  const std::int64_t Before = X87WatchReports(), LoadedBefore = X87LanesLoaded();
  TListFeed Feed(Inside);
  IterateSamples(Feed, 3000, false);
  EXPECT_EQ(X87WatchReports(), Before);
  EXPECT_EQ(X87LanesLoaded() - LoadedBefore, static_cast<std::int64_t>(Inside.size()));
  EXPECT_EQ(std::count(Counts.begin(), Counts.end(), 0), static_cast<long>(Counts.size()));
  RenderFrame({SeaX, SeaY}, {SeaX + 1e-4L, SeaY - 6e-5L}, 40, 24);
  EXPECT_GT(X87WatchReports(), Before);
}

// The portable loop, once chosen, iterates every sample that is iterated
// exactly: the frame's and the proofs' probes of tile corners alike.
TEST(KernelTest, PortableKernelGovernsEveryExactIteration) {
  TRenderOptions Portable;
  Portable.Kernel = TExactKernel::Portable;
  const TExtPoint TopLeft{SeaX, SeaY}, BottomRight{SeaX + 2e-4L, SeaY - 1.2e-4L};
  std::int64_t Before = X87LanesLoaded();
  const TFrame ByPortable = RenderFrame(TopLeft, BottomRight, 100, 80, Portable);
  EXPECT_EQ(X87LanesLoaded(), Before);
  EXPECT_GT(ByPortable.ProvedSamples, 0); // the proofs ran, and probed
  Before = X87LanesLoaded();
  const TFrame ByX87 = RenderFrame(TopLeft, BottomRight, 100, 80);
  EXPECT_EQ(X87LanesLoaded() > Before, HasX87Kernel());
  EXPECT_TRUE(ByPortable.Image == ByX87.Image);
}

} // namespace

// The soft kernel's and the proofs' shortcuts give what the full
// operations give, in every rounding, on operands where every shortcut is
// taken: exponents a shift of 60 to 68 apart (where the aligned operand's
// last bits decide ties), cancellation, significands of long runs of ones
// and at powers of two; and zeros of either sign, beside such operands or
// each other.
TEST(KernelTest, SoftShortcutsAsTheFullOperations) {
  std::mt19937_64 Random(5);
  const auto Operand = [&Random](int Exponent) {
    std::uint64_t Significand = Random() | SoftExtended::IntegerBit;
    if (Random() % 3 == 0)
      Significand |= (std::uint64_t{1} << (Random() % 64)) - 1;
    else if (Random() % 3 == 0)
      Significand = SoftExtended::IntegerBit + Random() % 4; // at a power of two
    return SoftExtended::Make((Random() & 1) != 0, Exponent, Significand);
  };
  for (int K = 0; K < 200000; ++K) {
    const int E = SoftExtended::ExponentBias - 8 + static_cast<int>(Random() % 16);
    TSoftExtended A = Operand(E);
    const int Apart = K % 4 == 0 ? static_cast<int>(Random() % 3) : 60 + static_cast<int>(Random() % 9);
    TSoftExtended B = Operand(E - Apart);
    if (K % 8 == 0)
      B.Significand = (A.Significand ^ (Random() >> (Random() % 64))) | SoftExtended::IntegerBit;
    if (K % 16 == 1 || K % 16 == 3)
      B = SoftExtended::Zero((Random() & 1) != 0);
    if (K % 16 == 2 || K % 16 == 3)
      A = SoftExtended::Zero((Random() & 1) != 0);
    for (const TSoftRounding Mode : {TSoftRounding::Nearest, TSoftRounding::Upward,
                                     TSoftRounding::Downward, TSoftRounding::TowardZero}) {
      ASSERT_TRUE(SoftFast::Add(A, B, Mode) == SoftAdd(A, B, Mode)) << K;
      ASSERT_TRUE(SoftFast::Subtract(A, B, Mode) == SoftSubtract(A, B, Mode)) << K;
      const TSoftExtended Product = SoftMultiply(A, B, Mode);
      ASSERT_TRUE(SoftFast::Multiply(A, B, 0, Mode) == Product) << K;
      ASSERT_TRUE(SoftFast::Multiply(A, B, 1, Mode) == SoftAdd(Product, Product, Mode)) << K;
      // To double, also at the ends of the double's range.
      const int EdgeExponent = K % 2 == 0 ? 1022 : -1024;
      const TSoftExtended Edge =
          Operand(SoftExtended::ExponentBias + EdgeExponent + static_cast<int>(Random() % 4));
      for (const TSoftExtended V : {A, Edge})
        ASSERT_EQ(SoftFast::ToDouble(V, Mode), SoftToDouble(V, Mode)) << K;
    }
  }
}

// The scalar step, checking each operation's operands or its inputs once,
// steps as the full operations do, and so do four lanes stepped together:
// values across the range where it needs no other check and far beyond,
// zeros, squares that cancel, and escapes.
TEST(KernelTest, ScalarStepAsTheFullOperations) {
  std::mt19937_64 Random(9);
  const auto Value = [&Random](int Spread) {
    const int Exponent = std::clamp(
        SoftExtended::ExponentBias + Spread / 2 - static_cast<int>(Random() % Spread), 1, 0x7FFE);
    return SoftExtended::Make((Random() & 1) != 0, Exponent, Random() | SoftExtended::IntegerBit);
  };
  constexpr TSoftRounding Nearest = TSoftRounding::Nearest;
  // Lanes stepped four together, one group for each spread, so that each
  // goes some way without the operations' checks: where each lane goes,
  // and whether it escapes.
  std::array<std::array<TSoftLane, 4>, 4> Group, Expected;
  std::array<unsigned, 4> GroupEscapes{};
  for (int K = 0; K < 200000; ++K) {
    const int Spread = K % 4 == 0 ? 30000 : K % 4 == 1 ? 4 : 4200;
    TSoftLane Lane = {Value(Spread), Value(Spread), SoftAbs(Value(2 * Spread)),
                      SoftAbs(Value(2 * Spread)), Value(Spread), Value(Spread)};
    if (K % 5 == 0)
      Lane.ZI2 = Lane.ZR2;
    if (K % 7 == 0)
      Lane.CX = SoftNegate(SoftSubtract(Lane.ZR2, Lane.ZI2, Nearest)); // z's real part 0
    if (K % 11 == 0)
      Lane.ZI = Lane.CY = SoftExtended::Zero(K % 2 == 0);
    const TSoftExtended T0 = SoftSubtract(Lane.ZR2, Lane.ZI2, Nearest);
    const TSoftExtended P = SoftMultiply(Lane.ZI, Lane.ZR, Nearest);
    const TSoftExtended ZR = SoftAdd(T0, Lane.CX, Nearest);
    const TSoftExtended ZI = SoftAdd(SoftAdd(P, P, Nearest), Lane.CY, Nearest);
    const TSoftExtended ZR2 = SoftMultiply(ZR, ZR, Nearest), ZI2 = SoftMultiply(ZI, ZI, Nearest);
    const bool Escaped = SoftCompare(SoftAdd(ZR2, ZI2, Nearest), SoftFromInteger(4)) == 1;
    for (const auto Step : {SoftStepChecked, SoftStepCheckedOnce}) {
      TSoftLane Stepped = Lane;
      ASSERT_EQ(Step(Stepped), Escaped) << K;
      ASSERT_TRUE(Stepped.ZR == ZR && Stepped.ZI == ZI && Stepped.ZR2 == ZR2 && Stepped.ZI2 == ZI2)
          << K;
    }
    const auto C = static_cast<std::size_t>(K % 4), L = static_cast<std::size_t>(K / 4 % 4);
    Group[C][L] = Lane;
    Expected[C][L] = {ZR, ZI, ZR2, ZI2, Lane.CX, Lane.CY};
    GroupEscapes[C] = (GroupEscapes[C] & ~(1u << L)) | (static_cast<unsigned>(Escaped) << L);
    if (L == 3) {
      ASSERT_EQ(SoftStepsCheckedOnce<4>(Group[C].data()), GroupEscapes[C]) << K;
      for (std::size_t G = 0; G < 4; ++G) {
        const TSoftLane &Got = Group[C][G], &Want = Expected[C][G];
        ASSERT_TRUE(Got.ZR == Want.ZR && Got.ZI == Want.ZI && Got.ZR2 == Want.ZR2 &&
                    Got.ZI2 == Want.ZI2)
            << K << " lane " << G;
      }
    }
  }
}

// The eight vector lanes step as SoftStep steps, lane by lane: values from
// near 1 to 70 binades below, at powers of two, squares that cancel
// exactly or nearly, zeros, tiny values beyond the lanes' range, and
// escapes.
TEST(KernelTest, WideLanesStepAsTheScalarStep) {
  if (!TSoftWideLanes::Available())
    GTEST_SKIP() << "no 512-bit vectors here";
  std::mt19937_64 Random(8);
  const auto Value = [&Random](int Spread) {
    std::uint64_t Significand = Random() | SoftExtended::IntegerBit;
    if (Random() % 4 == 0)
      Significand = SoftExtended::IntegerBit + Random() % 4;
    const int Exponent = SoftExtended::ExponentBias + 1 - static_cast<int>(Random() % Spread);
    return SoftExtended::Make((Random() & 1) != 0, Exponent, Significand);
  };
  for (int K = 0; K < 20000; ++K) {
    TSoftWideLanes Wide;
    std::array<TSoftLane, TSoftWideLanes::LaneCount> Scalar;
    for (int L = 0; L < TSoftWideLanes::LaneCount; ++L) {
      const int Spread = K % 3 == 0 ? 70 : 4;
      TSoftLane& Lane = Scalar[static_cast<std::size_t>(L)];
      Lane = {Value(Spread), Value(Spread), SoftAbs(Value(Spread)), SoftAbs(Value(Spread)),
              Value(Spread), Value(Spread)};
      if (K % 5 == 0)
        Lane.ZI2 = Lane.ZR2;
      else if (K % 7 == 0)
        Lane.ZI2.Significand = (Lane.ZR2.Significand ^ (Random() >> (Random() % 64))) |
                               SoftExtended::IntegerBit;
      if (K % 13 == 0 && L < 3) { // on the real axis, or at the start
        Lane.ZI = Lane.ZI2 = Lane.CY = SoftExtended::Zero(L == 1);
        if (L == 2)
          Lane.ZR = Lane.ZR2 = SoftExtended::Zero(false);
      }
      if (K % 11 == 0 && L == 3) { // tiny values: squares that underflow
        Lane.CY = SoftExtended::Make(false, 1 + static_cast<int>(Random() % 8000),
                                     Random() | SoftExtended::IntegerBit);
        Lane.ZI = Lane.CY;
      }
      Wide.Set(L, Lane);
    }
    unsigned Escaped = 0;
    ASSERT_EQ(Wide.Run(1, Escaped), 1);
    for (int L = 0; L < TSoftWideLanes::LaneCount; ++L) {
      TSoftLane Want = Scalar[static_cast<std::size_t>(L)];
      ASSERT_EQ(SoftStep(Want), ((Escaped >> L) & 1) != 0) << K << " lane " << L;
      const TSoftLane Got = Wide.Get(L);
      ASSERT_TRUE(Want.ZR == Got.ZR && Want.ZI == Got.ZI && Want.ZR2 == Got.ZR2 &&
                  Want.ZI2 == Got.ZI2)
          << K << " lane " << L;
    }
  }
}
