#pragma once

// The extended centre of an enclosure where the extended real is computed
// in software. The proofs round upward throughout, so this type does
// nothing else: its rounding is known when it is compiled, and its
// operations are inlined into the enclosure's steps instead of asking the
// thread how to round at each one. It builds everywhere, so that it is
// tested beside the x87 unit.

#include "Extended.h"
#include "ProofBounds.h"
#include "SoftExtended.h"
#include "SoftFast.h"

class TUpwardSoftReal {
public:
  TSoftExtended Bits = SoftExtended::Zero(false);

  constexpr TUpwardSoftReal() = default;
  constexpr TUpwardSoftReal(int V) : Bits(SoftFromInteger(V)) {}
  TUpwardSoftReal(TExtended V) : Bits(ExtendedBits(V)) {}
  static TUpwardSoftReal FromBits(TSoftExtended Bits) {
    TUpwardSoftReal R;
    R.Bits = Bits;
    return R;
  }

  explicit operator TExtended() const { return FromExtendedBits(Bits); }
  // Rounded up.
  explicit operator TBound() const { return SoftFast::ToDouble(Bits, Up); }

  // Inlined, always: called out of line they cost most of the proofs' time.
  [[gnu::always_inline]]
  friend TUpwardSoftReal operator+(TUpwardSoftReal A, TUpwardSoftReal B) {
    return FromBits(SoftFast::Add(A.Bits, B.Bits, Up));
  }
  [[gnu::always_inline]]
  friend TUpwardSoftReal operator-(TUpwardSoftReal A, TUpwardSoftReal B) {
    return FromBits(SoftFast::Subtract(A.Bits, B.Bits, Up));
  }
  [[gnu::always_inline]]
  friend TUpwardSoftReal operator*(TUpwardSoftReal A, TUpwardSoftReal B) {
    return FromBits(SoftFast::Multiply(A.Bits, B.Bits, 0, Up));
  }
  [[gnu::always_inline]]
  friend TUpwardSoftReal operator-(TUpwardSoftReal A) {
    return FromBits(SoftNegate(A.Bits));
  }

  // An upper bound of |V| as a double, and a lower one.
  [[gnu::always_inline]]
  friend TBound AbsUp(TUpwardSoftReal V) {
    return SoftFast::ToDouble(SoftAbs(V.Bits), Up);
  }
  [[gnu::always_inline]]
  friend TBound AbsDown(TUpwardSoftReal V) {
    return -TBound(SoftFast::ToDouble(SoftNegate(SoftAbs(V.Bits)), Up));
  }
  // An upper bound of |A - B| as a double: the larger less the smaller,
  // rounded up twice (which is rounding up once).
  [[gnu::always_inline]]
  friend TBound DiffUp(TUpwardSoftReal A, TUpwardSoftReal B) {
    const bool AFirst = NotBelow(A.Bits, B.Bits);
    const TSoftExtended Larger = AFirst ? A.Bits : B.Bits, Smaller = AFirst ? B.Bits : A.Bits;
    return SoftFast::ToDouble(SoftFast::Subtract(Larger, Smaller, Up), Up);
  }
  // 2 A B: the product rounded, then doubled, as (A * B) * 2.
  [[gnu::always_inline]]
  friend TUpwardSoftReal TwiceProduct(TUpwardSoftReal A, TUpwardSoftReal B) {
    return FromBits(SoftFast::Multiply(A.Bits, B.Bits, 1, Up));
  }

private:
  static constexpr TSoftRounding Up = TSoftRounding::Upward;

  // A >= B, for numbers (no NaN): magnitudes order as their exponent and
  // significand do, both zeros included.
  static bool NotBelow(TSoftExtended A, TSoftExtended B) {
    const auto Magnitude = [](TSoftExtended X) {
      return (static_cast<SoftExtended::TWide>(SoftExtended::Exponent(X)) << 64) | X.Significand;
    };
    const bool NegativeA = SoftExtended::Sign(A), NegativeB = SoftExtended::Sign(B);
    if (NegativeA != NegativeB)
      return NegativeB || (SoftExtended::IsZero(A) && SoftExtended::IsZero(B));
    return NegativeA ? Magnitude(A) <= Magnitude(B) : Magnitude(A) >= Magnitude(B);
  }
};
