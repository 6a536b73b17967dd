// Eight orbits of the software extended real at once, in the 512-bit
// registers of x86-64 processors that have them (AVX-512 with its leading
// zero count). Each vector operation is SoftFast's, lane by lane: the
// significands' product from four 32-bit products, the sum of the aligned
// significands with the shifted-out bits as a sticky bit, normalisation and
// rounding to nearest even without branches, zeros kept apart. They hold
// where operands and results are zeros or normal numbers: at the start of
// each iteration every value is checked to be zero or within 1000 binades
// of 1, which keeps every result of the iteration so, and a lane that is
// not, or whose sum cancels by 63 bits or more (but to zero), is stepped
// again from where it was by SoftStep.

#include "SoftLanes.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace {

constexpr int Values = 6; // ZR, ZI, ZR2, ZI2, CX, CY

TSoftExtended* Fields(TSoftLane& L, int I) {
  TSoftExtended* const All[Values] = {&L.ZR, &L.ZI, &L.ZR2, &L.ZI2, &L.CX, &L.CY};
  return All[I];
}

} // namespace

void TSoftWideLanes::Set(int K, const TSoftLane& Lane) {
  TSoftLane Copy = Lane;
  for (int I = 0; I < Values; ++I) {
    FSig[I][K] = Fields(Copy, I)->Significand;
    FSignExp[I][K] = Fields(Copy, I)->SignExponent;
  }
}

TSoftLane TSoftWideLanes::Get(int K) const {
  TSoftLane Lane;
  for (int I = 0; I < Values; ++I)
    *Fields(Lane, I) = {FSig[I][K], static_cast<std::uint16_t>(FSignExp[I][K])};
  return Lane;
}

#if defined(__x86_64__)

bool TSoftWideLanes::Available() {
  static const bool Has = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512cd");
  return Has;
}

namespace {

// The scalar side, outside the code built for AVX-512: lane K stepped by
// SoftStep.
[[gnu::noinline]] bool StepLane(TSoftWideLanes& Lanes, int K) {
  TSoftLane Lane = Lanes.Get(K);
  const bool Escaped = SoftStep(Lane);
  Lanes.Set(K, Lane);
  return Escaped;
}

} // namespace

// Only what is defined from here on is built for AVX-512, and none of it is
// an inline function of a header, which other code could end up calling.
#pragma GCC push_options
#pragma GCC target("avx512f,avx512cd")
// GCC 12's own AVX-512 intrinsics start from a deliberately undefined
// vector, which its uninitialised-use warning takes for a fault.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

namespace {

using TVector = __m512i;
using TMask = __mmask8;

// A value in each lane, unpacked: significand, biased exponent, sign (0, 1).
struct TWideValue {
  TVector Sig, Exp, Neg;
};

inline TVector Splat(std::uint64_t X) { return _mm512_set1_epi64(static_cast<long long>(X)); }

inline TWideValue Load(const std::uint64_t* Sig, const std::uint64_t* SignExp) {
  const TVector SE = _mm512_load_si512(SignExp);
  return {_mm512_load_si512(Sig), _mm512_and_si512(SE, Splat(SoftExtended::MaxExponent)),
          _mm512_srli_epi64(SE, 15)};
}

inline void Store(const TWideValue& X, std::uint64_t* Sig, std::uint64_t* SignExp, TMask Lanes) {
  _mm512_mask_store_epi64(Sig, Lanes, X.Sig);
  _mm512_mask_store_epi64(SignExp, Lanes, _mm512_or_si512(_mm512_slli_epi64(X.Neg, 15), X.Exp));
}

// Hi:Lo x 2^(E - bias - 127), Hi's top bit set, rounded to nearest even as
// SoftFast::RoundNormal does.
inline TWideValue Round(TVector Hi, TVector Lo, TVector E, TVector Neg) {
  const TVector Half = _mm512_add_epi64(Splat((std::uint64_t{1} << 63) - 1),
                                        _mm512_and_si512(Hi, Splat(1)));
  const TMask Up = _mm512_cmplt_epu64_mask(_mm512_add_epi64(Lo, Half), Lo);
  Hi = _mm512_mask_add_epi64(Hi, Up, Hi, Splat(1));
  const TMask Out = _mm512_cmpeq_epi64_mask(Hi, _mm512_setzero_si512());
  Hi = _mm512_mask_mov_epi64(Hi, Out, Splat(SoftExtended::IntegerBit));
  E = _mm512_mask_add_epi64(E, Out, E, Splat(1));
  return {Hi, E, Neg};
}

// A x B x 2^Scale.
inline TWideValue Multiply(const TWideValue& A, const TWideValue& B, int Scale) {
  const TVector M32 = Splat(0xFFFFFFFFu);
  const TVector AH = _mm512_srli_epi64(A.Sig, 32), BH = _mm512_srli_epi64(B.Sig, 32);
  const TVector LL = _mm512_mul_epu32(A.Sig, B.Sig), LH = _mm512_mul_epu32(A.Sig, BH);
  const TVector HL = _mm512_mul_epu32(AH, B.Sig), HH = _mm512_mul_epu32(AH, BH);
  const TVector Mid = _mm512_add_epi64(_mm512_add_epi64(LH, _mm512_srli_epi64(LL, 32)),
                                       _mm512_and_si512(HL, M32));
  TVector Hi = _mm512_add_epi64(_mm512_add_epi64(HH, _mm512_srli_epi64(HL, 32)),
                                _mm512_srli_epi64(Mid, 32));
  TVector Lo = _mm512_or_si512(_mm512_slli_epi64(Mid, 32), _mm512_and_si512(LL, M32));
  // A product below 2 is shifted up by one (a count of 64 shifts to 0).
  const TVector Top = _mm512_srli_epi64(Hi, 63);
  const TVector Shift = _mm512_sub_epi64(Splat(1), Top);
  Hi = _mm512_or_si512(_mm512_sllv_epi64(Hi, Shift),
                       _mm512_srlv_epi64(Lo, _mm512_sub_epi64(Splat(64), Shift)));
  Lo = _mm512_sllv_epi64(Lo, Shift);
  const TVector E = _mm512_add_epi64(_mm512_add_epi64(A.Exp, B.Exp),
                                     _mm512_add_epi64(Top, Splat(static_cast<std::uint64_t>(
                                                               Scale - SoftExtended::ExponentBias))));
  TWideValue Product = Round(Hi, Lo, E, _mm512_xor_si512(A.Neg, B.Neg));
  // A zero factor gives a zero of the product's sign.
  const TMask Zero = _mm512_cmpeq_epi64_mask(A.Exp, _mm512_setzero_si512()) |
                     _mm512_cmpeq_epi64_mask(B.Exp, _mm512_setzero_si512());
  Product.Sig = _mm512_mask_mov_epi64(Product.Sig, Zero, _mm512_setzero_si512());
  Product.Exp = _mm512_mask_mov_epi64(Product.Exp, Zero, _mm512_setzero_si512());
  return Product;
}

// A + B; lanes whose sum has no bit in its top word but is not zero (a
// cancellation by 63 bits or more) are added to Redo. A zero B leaves A as
// it is, through the same steps.
inline TWideValue Add(const TWideValue& A, const TWideValue& B, TMask& Redo) {
  const TMask Swap = _mm512_cmplt_epu64_mask(A.Exp, B.Exp) |
                     (_mm512_cmpeq_epi64_mask(A.Exp, B.Exp) & _mm512_cmplt_epu64_mask(A.Sig, B.Sig));
  const TWideValue X = {_mm512_mask_blend_epi64(Swap, A.Sig, B.Sig),
                   _mm512_mask_blend_epi64(Swap, A.Exp, B.Exp),
                   _mm512_mask_blend_epi64(Swap, A.Neg, B.Neg)};
  const TWideValue Y = {_mm512_mask_blend_epi64(Swap, B.Sig, A.Sig),
                   _mm512_mask_blend_epi64(Swap, B.Exp, A.Exp),
                   _mm512_mask_blend_epi64(Swap, B.Neg, A.Neg)};
  const TVector Shift = _mm512_min_epu64(_mm512_sub_epi64(X.Exp, Y.Exp), Splat(127));
  // Both significands 63 bits up in 128; Y shifted right by Shift, what it
  // loses kept as a sticky bit. Counts of 64 and more (and negative ones,
  // read as huge) shift everything out.
  const TVector XH = _mm512_srli_epi64(X.Sig, 1), XL = _mm512_slli_epi64(X.Sig, 63);
  const TVector YH0 = _mm512_srli_epi64(Y.Sig, 1), YL0 = _mm512_slli_epi64(Y.Sig, 63);
  const TVector YH = _mm512_srlv_epi64(YH0, Shift);
  TVector YL = _mm512_or_si512(
      _mm512_or_si512(_mm512_srlv_epi64(YL0, Shift),
                      _mm512_sllv_epi64(YH0, _mm512_sub_epi64(Splat(64), Shift))),
      _mm512_srlv_epi64(YH0, _mm512_sub_epi64(Shift, Splat(64))));
  const TMask Lost = _mm512_test_epi64_mask(
      _mm512_sllv_epi64(Y.Sig, _mm512_sub_epi64(Splat(127), Shift)), Splat(~std::uint64_t{0}));
  YL = _mm512_mask_or_epi64(YL, Lost, YL, Splat(1));
  // The sum, or the difference where the signs differ.
  const TMask Differ = _mm512_cmpneq_epi64_mask(X.Neg, Y.Neg);
  const TVector SumL = _mm512_add_epi64(XL, YL);
  const TVector SumH = _mm512_mask_add_epi64(_mm512_add_epi64(XH, YH),
                                             _mm512_cmplt_epu64_mask(SumL, XL),
                                             _mm512_add_epi64(XH, YH), Splat(1));
  const TVector DiffL = _mm512_sub_epi64(XL, YL);
  const TVector DiffH = _mm512_mask_sub_epi64(_mm512_sub_epi64(XH, YH),
                                              _mm512_cmplt_epu64_mask(XL, YL),
                                              _mm512_sub_epi64(XH, YH), Splat(1));
  TVector Hi = _mm512_mask_blend_epi64(Differ, SumH, DiffH);
  TVector Lo = _mm512_mask_blend_epi64(Differ, SumL, DiffL);
  const TMask NoTop = _mm512_cmpeq_epi64_mask(Hi, _mm512_setzero_si512());
  const TMask Zero = NoTop & _mm512_cmpeq_epi64_mask(Lo, _mm512_setzero_si512());
  Redo |= NoTop & ~Zero;
  const TVector Leading = _mm512_lzcnt_epi64(Hi);
  Hi = _mm512_or_si512(_mm512_sllv_epi64(Hi, Leading),
                       _mm512_srlv_epi64(Lo, _mm512_sub_epi64(Splat(64), Leading)));
  Lo = _mm512_sllv_epi64(Lo, Leading);
  const TVector E = _mm512_sub_epi64(_mm512_add_epi64(X.Exp, Splat(1)), Leading);
  TWideValue Sum = Round(Hi, Lo, E, X.Neg);
  // An exact zero is +0, or -0 where both are -0 (rounding to nearest).
  Sum.Sig = _mm512_mask_mov_epi64(Sum.Sig, Zero, _mm512_setzero_si512());
  Sum.Exp = _mm512_mask_mov_epi64(Sum.Exp, Zero, _mm512_setzero_si512());
  Sum.Neg = _mm512_mask_mov_epi64(Sum.Neg, Zero, _mm512_and_si512(X.Neg, Y.Neg));
  return Sum;
}

// Lanes with a value more than 1000 binades from 1 but zero (subnormals
// and specials among them).
inline TMask Outside(const TWideValue& X) {
  constexpr std::uint64_t Low = SoftExtended::ExponentBias - 1000;
  const TVector Bits = _mm512_or_si512(X.Exp, X.Sig);
  return _mm512_cmpgt_epu64_mask(_mm512_sub_epi64(X.Exp, Splat(Low)), Splat(2000)) &
         _mm512_test_epi64_mask(Bits, Bits);
}

} // namespace

std::int32_t TSoftWideLanes::Run(std::int32_t Steps, unsigned& Escaped) {
  enum { ZR, ZI, ZR2, ZI2, CX, CY };
  TWideValue R = Load(FSig[ZR], FSignExp[ZR]), I = Load(FSig[ZI], FSignExp[ZI]);
  TWideValue R2 = Load(FSig[ZR2], FSignExp[ZR2]), I2 = Load(FSig[ZI2], FSignExp[ZI2]);
  const TWideValue X = Load(FSig[CX], FSignExp[CX]), Y = Load(FSig[CY], FSignExp[CY]);
  const TMask OutsideC = Outside(X) | Outside(Y);
  const TVector Two = Splat(SoftExtended::ExponentBias + 1);  // exponent of [2, 4)
  const TVector Four = Splat(SoftExtended::ExponentBias + 2); // exponent of [4, 8)
  const auto StoreAll = [&](TMask Lanes) {
    Store(R, FSig[ZR], FSignExp[ZR], Lanes);
    Store(I, FSig[ZI], FSignExp[ZI], Lanes);
    Store(R2, FSig[ZR2], FSignExp[ZR2], Lanes);
    Store(I2, FSig[ZI2], FSignExp[ZI2], Lanes);
  };
  for (std::int32_t Done = 1; Done <= Steps; ++Done) {
    TMask Redo = OutsideC | Outside(R) | Outside(I) | Outside(R2) | Outside(I2);
    const TWideValue T0 = Add(R2, {I2.Sig, I2.Exp, _mm512_xor_si512(I2.Neg, Splat(1))}, Redo);
    const TWideValue T1 = Multiply(I, R, 1);
    const TWideValue NewR = Add(T0, X, Redo), NewI = Add(T1, Y, Redo);
    const TWideValue NewR2 = Multiply(NewR, NewR, 0), NewI2 = Multiply(NewI, NewI, 0);
    const TMask Near = _mm512_cmpge_epu64_mask(NewR2.Exp, Two) |
                       _mm512_cmpge_epu64_mask(NewI2.Exp, Two);
    if ((Redo | Near) == 0) [[likely]] {
      R = NewR, I = NewI, R2 = NewR2, I2 = NewI2;
      continue;
    }
    // Lanes whose squares may sum beyond 4 are tested exactly: the sum
    // (of two normal numbers, never cancelling) compared with 4 = 1 x 2^2.
    unsigned Escapes = 0;
    if ((Near & ~Redo) != 0) {
      TMask Ignored = 0;
      const TWideValue Sum = Add(NewR2, NewI2, Ignored);
      const TMask Beyond = _mm512_cmpgt_epu64_mask(Sum.Exp, Four) |
                           (_mm512_cmpeq_epi64_mask(Sum.Exp, Four) &
                            _mm512_cmpgt_epu64_mask(Sum.Sig, Splat(SoftExtended::IntegerBit)));
      Escapes = Near & ~Redo & Beyond;
    }
    // Lanes to redo are stepped by SoftStep from where they were; the
    // others take the new values.
    if (Redo != 0) {
      StoreAll(Redo);
      for (int K = 0; K < LaneCount; ++K)
        if ((Redo >> K) & 1)
          Escapes |= static_cast<unsigned>(StepLane(*this, K)) << K;
      R = NewR, I = NewI, R2 = NewR2, I2 = NewI2;
      StoreAll(static_cast<TMask>(~Redo));
      R = Load(FSig[ZR], FSignExp[ZR]), I = Load(FSig[ZI], FSignExp[ZI]);
      R2 = Load(FSig[ZR2], FSignExp[ZR2]), I2 = Load(FSig[ZI2], FSignExp[ZI2]);
    } else {
      R = NewR, I = NewI, R2 = NewR2, I2 = NewI2;
    }
    if (Escapes != 0) {
      StoreAll(0xFF);
      Escaped = Escapes;
      return Done;
    }
  }
  StoreAll(0xFF);
  Escaped = 0;
  return Steps;
}

#pragma GCC diagnostic pop
#pragma GCC pop_options

#else

bool TSoftWideLanes::Available() { return false; }

std::int32_t TSoftWideLanes::Run(std::int32_t, unsigned& Escaped) {
  Escaped = 0;
  return 0;
}

#endif
