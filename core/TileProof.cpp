// Proofs that a whole box of points has one escape count, by an enclosure of
// all their orbits at once. FastPaths.md derives every bound used here.
//
// Everything in this file runs with upward rounding, so that each sum and
// product of non-negative bounds rounds up. It is built with -frounding-math,
// which keeps the compiler from folding or moving floating-point operations
// as if rounding were to nearest; ProveBox sets the mode and checks it.

#include "TileProof.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <stdexcept>

namespace {

// The literal loop rounds to nearest (relative error 2^-64); the centre orbit
// here rounds upward (below 2^-63). Step error of both orbits together, per
// unit of (4 + |cx| + |cy|); see FastPaths.md.
constexpr double OrbitError = 12 * 0x1p-63;
// Error of the linear coefficients in doubles, relative to |Z| |A| + r.
constexpr double LinearError = 0x1p-48;
// Covers every underflow of an 80-bit or a double operation in one step, many
// times over; it is kept a normal double, since arithmetic on subnormal
// operands is slow.
constexpr double Tiny = 0x1p-1000;
// The escape test fl(fl(zr^2) + fl(zi^2)) > 4 surely fails below the first
// bound on |z|^2 and surely passes at or above the square of the second.
constexpr double SurelyInside = 4 - 0x1p-50;
constexpr double SurelyOutside = 2 + 0x1p-50;
// The enclosure is widened by this factor where a later one may close on it.
constexpr double Widening = 2;
constexpr std::int32_t FirstCheckpoint = 8;

// An upper bound of |V| as a double (the conversion rounds up).
double AbsUp(TExtended V) { return static_cast<double>(std::fabs(V)); }
// A lower bound of |V| as a double.
double AbsDown(TExtended V) { return -static_cast<double>(-std::fabs(V)); }
// Upper bounds of |A - B|: an upward difference bounds the exact one from
// above only in its own order, so both orders are taken.
double DiffUp(TExtended A, TExtended B) { return static_cast<double>(std::max(A - B, B - A)); }
double DiffUp(double A, double B) { return std::max(A - B, B - A); }
double HypotUp(double A, double B) { return std::sqrt(A * A + B * B); }

// The orbits of all points c = C0 + (RX a, RY b), a and b in [-1, 1], at one
// iteration: each lies in the disk of radius R around Z + A a + B b.
struct TEnclosure {
  TExtended ZR = 0, ZI = 0;
  double AR = 0, AI = 0, BR = 0, BI = 0;
  double R = 0;
};

enum class TVerdict { Inside, Outside, Undecided };

class TBoxProof {
public:
  explicit TBoxProof(const TProofBox& Box) {
    CX = Box.XMin + (Box.XMax - Box.XMin) / 2;
    CY = Box.YMin + (Box.YMax - Box.YMin) / 2;
    RX = std::max(static_cast<double>(Box.XMax - CX), static_cast<double>(CX - Box.XMin));
    RY = std::max(static_cast<double>(Box.YMax - CY), static_cast<double>(CY - Box.YMin));
    StepError = OrbitError * (4 + (AbsUp(CX) + RX + AbsUp(CY) + RY)) + Tiny;
    // The first iterate is c itself, exactly.
    E = {CX, CY, RX, 0, 0, RY, 0};
  }

  // What the escape test does at the current iteration for every point.
  TVerdict Test() {
    AbsZ = HypotUp(AbsUp(E.ZR), AbsUp(E.ZI));
    NormA = HypotUp(E.AR, E.AI);
    NormB = HypotUp(E.BR, E.BI);
    Spread = NormA + NormB + E.R;
    const double Outer = AbsZ + Spread;
    if (Outer * Outer <= SurelyInside)
      return TVerdict::Inside;
    // Lower bound of |Z|^2, from rounded-up negatives.
    const double LowR = AbsDown(E.ZR), LowI = AbsDown(E.ZI);
    const double LowZ2 = -((-LowR) * LowR + (-LowI) * LowI);
    const double Inner = Spread + SurelyOutside;
    if (LowZ2 >= Inner * Inner)
      return TVerdict::Outside;
    return TVerdict::Undecided;
  }

  // Advances the enclosure by one iteration; Test() must have said Inside.
  void Step() {
    const double ZR = static_cast<double>(E.ZR), ZI = static_cast<double>(E.ZI);
    TEnclosure N;
    N.AR = 2 * (ZR * E.AR - ZI * E.AI) + RX;
    N.AI = 2 * (ZR * E.AI + ZI * E.AR);
    N.BR = 2 * (ZR * E.BR - ZI * E.BI);
    N.BI = 2 * (ZR * E.BI + ZI * E.BR) + RY;
    const double ErrorA = LinearError * (AbsZ * NormA + RX) + Tiny * (NormA + 1);
    const double ErrorB = LinearError * (AbsZ * NormB + RY) + Tiny * (NormB + 1);
    N.R = 2 * AbsZ * E.R + Spread * Spread + StepError + ErrorA + ErrorB;
    const TExtended T0 = E.ZR * E.ZR - E.ZI * E.ZI;
    const TExtended T1 = (E.ZI * E.ZR) * 2;
    N.ZR = T0 + CX;
    N.ZI = T1 + CY;
    E = N;
  }

  // Widens the current enclosure (still an enclosure) and keeps it, so that
  // a later one that falls inside it closes the proof.
  void Checkpoint() {
    E.R = Widening * E.R + StepError;
    Saved = E;
  }

  // Whether every later orbit point lies in enclosures already tested: the
  // current one lies inside the saved one for every a and b. The distances
  // are bounded by |re| + |im|, which is cheaper than a root and loses little,
  // since they are small beside the radius.
  bool Closed() const {
    const double DZ = DiffUp(E.ZR, Saved.ZR) + DiffUp(E.ZI, Saved.ZI);
    const double DA = DiffUp(E.AR, Saved.AR) + DiffUp(E.AI, Saved.AI);
    const double DB = DiffUp(E.BR, Saved.BR) + DiffUp(E.BI, Saved.BI);
    return DZ + DA + DB + E.R <= Saved.R;
  }

private:
  TExtended CX = 0, CY = 0;
  double RX = 0, RY = 0;
  double StepError = 0;
  TEnclosure E, Saved;
  // Bounds of the current enclosure, from Test() for Step().
  double AbsZ = 0, NormA = 0, NormB = 0, Spread = 0;
};

// Sets upward rounding for its lifetime and puts the caller's mode back.
class TRoundUpward {
public:
  TRoundUpward() : FOld(std::fegetround()) {
    if (std::fesetround(FE_UPWARD) != 0 || std::fegetround() != FE_UPWARD)
      throw std::runtime_error("cannot round upward for a proof");
  }
  ~TRoundUpward() { std::fesetround(FOld); }
  TRoundUpward(const TRoundUpward&) = delete;
  TRoundUpward& operator=(const TRoundUpward&) = delete;

private:
  int FOld;
};

TProofResult Prove(const TProofBox& Box, std::int32_t Limit, std::int32_t Expected) {
  const std::int32_t Last = Expected == 0 ? Limit : Expected;
  TBoxProof Proof(Box);
  std::int32_t NextCheckpoint = FirstCheckpoint;
  for (std::int32_t N = 1; N <= Last; ++N) {
    // Only proofs that nothing escapes can close early.
    const bool Checked = Expected == 0 && N == NextCheckpoint;
    if (Checked) {
      Proof.Checkpoint();
      NextCheckpoint *= 2;
    }
    const TVerdict Verdict = Proof.Test();
    if (N == Expected)
      return {Verdict == TVerdict::Outside, N};
    if (Verdict != TVerdict::Inside)
      return {false, N};
    // Every point stays inside up to here; an enclosure inside the saved one
    // repeats tested ones forever, so no point escapes at any limit.
    if (Expected == 0 && !Checked && N > FirstCheckpoint && Proof.Closed())
      return {true, N};
    Proof.Step();
  }
  return {Expected == 0, Last};
}

} // namespace

TProofResult ProveBox(const TProofBox& Box, std::int32_t Limit, std::int32_t Expected) {
  if (Expected < 0 || Expected > Limit || Limit < 1)
    return {};
  const TRoundUpward Upward;
  return Prove(Box, Limit, Expected);
}
