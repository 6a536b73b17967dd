// The enclosures of the proofs, step by step, for tests that check them
// against the literal loop. Built with -frounding-math, as the proofs are:
// every function sets upward rounding and puts the caller's back.

#include "EnclosureTrace.h"

#include "Enclosure.h"

#include <limits>

using namespace ProofEnclosure;

namespace {

template <class TCentre> TEnclosureState Exported(const TEnclosure<TCentre>& E) {
  return {static_cast<TExtended>(E.ZR), static_cast<TExtended>(E.ZI), E.AR, E.AI, E.BR, E.BI, E.R};
}

template <class TCentre> TEnclosure<TCentre> Imported(const TEnclosureState& S) {
  return {static_cast<TCentre>(S.ZR), static_cast<TCentre>(S.ZI), S.AR, S.AI, S.BR, S.BI, S.R};
}

template <class TProof> TEnclosureTrace Trace(TProof Proof, std::int32_t First, std::int32_t Steps) {
  TEnclosureTrace Result{static_cast<TExtended>(Proof.CentreX()),
                         static_cast<TExtended>(Proof.CentreY()),
                         Proof.HalfWidthX(),
                         Proof.HalfWidthY(),
                         First,
                         {}};
  for (std::int32_t N = 0; N < Steps; ++N) {
    Result.States.push_back(Exported(Proof.Current()));
    if (Proof.Test() != TEscapeVerdict::Inside)
      break;
    Proof.Step();
  }
  return Result;
}

template <class TCentre> TEscapeVerdict StepFrom(const TProofBox& Box, TEnclosureState& State) {
  TOrbitEnclosure<true, TCentre> Proof(Box);
  Proof.Restart(Imported<TCentre>(State));
  const TEscapeVerdict Verdict = Proof.Test();
  if (Verdict != TEscapeVerdict::Inside)
    return Verdict;
  Proof.Step();
  State = Exported(Proof.Current());
  return TEscapeVerdict::Inside;
}

} // namespace

TEnclosureTrace TraceBox(const TProofBox& Box, std::int32_t Steps, bool DoubleCentre) {
  const TRoundUpward Upward;
  if (DoubleCentre)
    return Trace(TOrbitEnclosure<true, double>(Box), 1, Steps);
  return Trace(TOrbitEnclosure<true, TExtended>(Box), 1, Steps);
}

TEnclosureTrace TraceBoxInSoftware(const TProofBox& Box, std::int32_t Steps) {
  const TRoundUpward Upward;
  return Trace(TOrbitEnclosure<true, TUpwardSoftReal>(Box), 1, Steps);
}

TBound EnclosureReach(const TProofBox& Box, bool InSoftware, const TEnclosureState& State,
                      const TEnclosureState& Other) {
  const TRoundUpward Upward;
  const auto Reach = [&](auto Proof) {
    using TCentre = decltype(Proof.CentreX());
    Proof.Restart(Imported<TCentre>(State));
    return Proof.Reach(Imported<TCentre>(Other));
  };
  return InSoftware ? Reach(TOrbitEnclosure<true, TUpwardSoftReal>(Box))
                    : Reach(TOrbitEnclosure<true, TExtended>(Box));
}

TEnclosureTrace TraceOrbit(TExtended X, TExtended Y, TExtended ZR, TExtended ZI,
                           std::int32_t First, std::int32_t Steps) {
  const TRoundUpward Upward;
  return Trace(TOrbitEnclosure<false, double>(X, Y, ZR, ZI, 0), First, Steps);
}

TEscapeVerdict StepEnclosure(const TProofBox& Box, bool DoubleCentre, TEnclosureState& State) {
  const TRoundUpward Upward;
  return DoubleCentre ? StepFrom<double>(Box, State) : StepFrom<TExtendedCentre>(Box, State);
}

bool EnclosureCloses(const TProofBox& Box, bool DoubleCentre, const TEnclosureState& Start,
                     TBound Width, std::int32_t Steps) {
  const TRoundUpward Upward;
  const auto Closes = [&](auto Proof) {
    using TCentre = decltype(Proof.CentreX());
    return Proof.ClosesFrom(Imported<TCentre>(Start), Width, Steps);
  };
  return DoubleCentre ? Closes(TOrbitEnclosure<true, double>(Box))
                      : Closes(TOrbitEnclosure<true, TExtendedCentre>(Box));
}
