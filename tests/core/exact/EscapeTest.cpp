#include "ExtendedMath.h"
#include "IsInSet.h"
#include "IterationLimit.h"

#include "ParamName.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct TEscapeCase {
  const char* Name;
  TExtended X, Y;
  std::int32_t Limit;
  bool InSet;
  std::int32_t Count; // when it escapes
};

// Counts known independently of this code (worked by hand or published).
const TEscapeCase EscapeCases[] = {
    {"start view corner", -2.5L, 1.25L, 50, false, 1},
    {"modulus exactly 4 does not escape", 2.0L, 0.0L, 50, false, 2},
    {"z bounces on |z|^2 = 4 forever", -2.0L, 0.0L, 10000, true, 0},
    {"origin", 0.0L, 0.0L, 10000, true, 0},
    {"cusp of the cardioid", 0.25L, 0.0L, 10000, true, 0},
    {"just right of the cusp", 0.26L, 0.0L, 1000, false, 30},
    {"half", 0.5L, 0.0L, 50, false, 5},
    {"near the neck", -0.75L, 0.1L, 1000, false, 33},
    {"one plus i", 1.0L, 1.0L, 50, false, 2},
    {"limit below the escape", 0.5L, 0.0L, 4, true, 0},
    {"limit equal to the escape", 0.5L, 0.0L, 5, false, 5},
    {"limit zero", -2.5L, 1.25L, 0, true, 0},
    {"negative limit", -2.5L, 1.25L, -7, true, 0},
    // In 64-bit doubles this point escapes at 126: only carrying every
    // intermediate at 80 bits gives 125, so this pins that nothing is
    // narrowed (by the compiler, an SSE code path, or a changed x87 mode).
    {"80-bit differs from double", 258.0L / 1024, 590.0L / 1024, 200, false, 125},
};

class EscapeTest : public testing::TestWithParam<TEscapeCase> {};

TEST_P(EscapeTest, CountsAsTheLiteralLoop) {
  const TEscapeCase& Case = GetParam();
  constexpr std::int32_t Untouched = -12345;
  std::int32_t Count = Untouched;
  EXPECT_EQ(IsInSet({Case.X, Case.Y}, Case.Limit, Count), Case.InSet);
  EXPECT_EQ(Count, Case.InSet ? Untouched : Case.Count);
}

INSTANTIATE_TEST_SUITE_P(KnownPoints, EscapeTest, testing::ValuesIn(EscapeCases), TParamName());

TEST(IterationLimitTest, TableBoundaries) {
  const TExtended Above = std::numeric_limits<TExtended>::infinity();
  struct TRow {
    TExtended Height;
    std::int32_t Limit;
  } Rows[] = {
      {2.5L, 50},
      {nextafter(1.0L, Above), 50},
      {1.0L, 1000}, // the first threshold is exactly 1, compared strictly
      {0.5L, 1000},
      {nextafter(1e-2L, Above), 1000},
      {1e-2L, 2000},
      {0.005L, 2000},
      {1e-3L, 3000},
      {1e-4L, 4000},
      {1e-5L, 5000},
      {1e-6L, 6000},
      {1e-7L, 7000},
      {1e-8L, 8000},
      {1e-9L, 9000},
      {nextafter(1e-10L, Above), 9000},
      {1e-10L, 10000},
      {1e-11L, 10000},
      {0.0L, 10000},
      {-1.0L, 10000},
      {std::numeric_limits<TExtended>::quiet_NaN(), 10000},
  };
  for (const TRow& Row : Rows)
    EXPECT_EQ(IterationLimit(Row.Height), Row.Limit) << "height " << static_cast<double>(Row.Height);
}

} // namespace
