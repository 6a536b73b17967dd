#pragma once

#include "SoftExtended.h"
#include "SoftFast.h"

#include <cstdint>

// The software extended real's kernel state and step, shared by its lanes:
// one orbit's z, its squares and c, and one literal iteration in
// TSoftExtended, rounded to nearest, so z is the same bits as the x87
// unit's.
struct TSoftLane {
  TSoftExtended ZR, ZI, ZR2, ZI2, CX, CY;
};

// |z|^2 = XX + YY certainly at most 4 (no escape), from the exponents
// alone: each square below 2 keeps the sum below 4 whatever its rounding.
inline bool SquaresBelowTwo(TSoftExtended XX, TSoftExtended YY) {
  constexpr int Two = SoftExtended::ExponentBias + 1; // exponent of [2, 4)
  return SoftExtended::Exponent(XX) < Two && SoftExtended::Exponent(YY) < Two;
}

// The literal escape test, made exactly where the exponents cannot rule it
// out (a NaN compares unordered and never escapes).
inline bool SoftEscaped(TSoftExtended XX, TSoftExtended YY) {
  return !SquaresBelowTwo(XX, YY) &&
         SoftCompare(SoftAdd(XX, YY, SoftFast::Nearest), SoftFromInteger(4)) == 1;
}

// One literal iteration, each operation checking its operands; true when
// the new z escaped.
inline bool SoftStepChecked(TSoftLane& L) {
  const TSoftExtended T0 = SoftFast::Subtract(L.ZR2, L.ZI2);
  const TSoftExtended T1 = SoftFast::Multiply(L.ZI, L.ZR, 1);
  L.ZR = SoftFast::Add(T0, L.CX);
  L.ZI = SoftFast::Add(T1, L.CY);
  L.ZR2 = SoftFast::Multiply(L.ZR, L.ZR);
  L.ZI2 = SoftFast::Multiply(L.ZI, L.ZI);
  return SoftEscaped(L.ZR2, L.ZI2);
}

// The same, out of line, for the step below: it has no calls in its way.
[[gnu::noinline]] inline bool SoftStepOutOfLine(TSoftLane& L) { return SoftStepChecked(L); }

// A number within 2000 binades of 1. Products of two stay within 4001, and
// sums of those with such a number are normal or an exact zero, whose
// square is normal again: a step from such a z and c needs no check.
inline bool Narrow(TSoftExtended X) {
  constexpr int Low = SoftExtended::ExponentBias - 2000;
  return static_cast<unsigned>(SoftExtended::Exponent(X) - Low) <= 4000u;
}

// X^2 for a normal X, or an exact zero.
inline TSoftExtended SquareOrZero(TSoftExtended X) {
  const TSoftExtended Square = SoftFast::MultiplyModerate(X, X);
  return SoftExtended::IsZero(X) ? SoftExtended::Zero(false) : Square;
}

// Whether a step from L may skip the checks of each operation's operands.
inline bool CheckedOnceFits(const TSoftLane& L) {
  return Narrow(L.ZR) && Narrow(L.ZI) && Narrow(L.CX) && Narrow(L.CY) &&
         SoftFast::Moderate(L.ZR2) && SoftFast::Moderate(L.ZI2);
}

// One literal iteration of each of N lanes, their inputs checked once
// instead of each operation's operands; bit K of the result is set where
// lane K escaped. The lanes go operation by operation, each operation for
// all of them in turn, so that the processor overlaps their independent
// chains of dependent operations (a step alone is one long chain).
template <int N> inline unsigned SoftStepsCheckedOnce(TSoftLane* L) {
  bool Fit = true;
  for (int K = 0; K < N; ++K)
    Fit = Fit && CheckedOnceFits(L[K]);
  unsigned Escaped = 0;
  if (!Fit) [[unlikely]] {
    for (int K = 0; K < N; ++K)
      Escaped |= static_cast<unsigned>(SoftStepOutOfLine(L[K])) << K;
    return Escaped;
  }
  TSoftExtended T0[N], T1[N];
  for (int K = 0; K < N; ++K)
    T0[K] = SoftFast::AddModerate(L[K].ZR2, SoftNegate(L[K].ZI2));
  for (int K = 0; K < N; ++K)
    T1[K] = SoftFast::MultiplyModerate(L[K].ZI, L[K].ZR, 1);
  for (int K = 0; K < N; ++K)
    L[K].ZR = SoftFast::AddModerate(T0[K], L[K].CX);
  for (int K = 0; K < N; ++K)
    L[K].ZI = SoftFast::AddModerate(T1[K], L[K].CY);
  for (int K = 0; K < N; ++K)
    L[K].ZR2 = SquareOrZero(L[K].ZR);
  for (int K = 0; K < N; ++K)
    L[K].ZI2 = SquareOrZero(L[K].ZI);
  for (int K = 0; K < N; ++K)
    Escaped |= static_cast<unsigned>(SoftEscaped(L[K].ZR2, L[K].ZI2)) << K;
  return Escaped;
}

inline bool SoftStepCheckedOnce(TSoftLane& L) { return SoftStepsCheckedOnce<1>(&L) != 0; }

// One literal iteration; true when the new z escaped. WebAssembly's
// compiler keeps a step without calls in registers and one with them in
// memory, so there the inputs are checked once (a tenth faster, and the
// kernel's lanes step together, 5 to 13% faster again); a processor
// predicts each operation's check, and the step that makes them is a tenth
// faster natively.
inline bool SoftStep(TSoftLane& L) {
#ifdef __wasm__
  return SoftStepCheckedOnce(L);
#else
  return SoftStepChecked(L);
#endif
}

// Eight lanes in the 512-bit registers of x86-64 processors that have them
// (SoftWideLanes.cpp): the same operations on eight orbits at once, each
// lane's result the bits SoftStep gives. Lanes whose values leave the range
// where the vector operations hold, or that may have escaped, are stepped
// or tested by the scalar operations.
class TSoftWideLanes {
public:
  static constexpr int LaneCount = 8;

  // Whether this processor (and its system) runs them.
  static bool Available();

  void Set(int K, const TSoftLane& Lane);
  TSoftLane Get(int K) const;
  // Steps every lane until one escapes or Steps are done; returns the steps
  // done and sets Escaped to the lanes that escaped at the last.
  std::int32_t Run(std::int32_t Steps, unsigned& Escaped);

private:
  // Significands and sign-exponents of ZR, ZI, ZR2, ZI2, CX, CY, lane by lane.
  alignas(64) std::uint64_t FSig[6][LaneCount] = {};
  alignas(64) std::uint64_t FSignExp[6][LaneCount] = {};
};
