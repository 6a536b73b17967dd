#pragma once

#include "Extended.h"
#include "ProofBounds.h"
#include "BoxProof.h"

#include <cstdint>
#include <vector>

// The enclosure itself, for tests that check it against the literal loop:
// at iteration n, the orbit point z_n of every point c = (CX + RX a,
// CY + RY b) of the box, a and b in [-1, 1], lies within R of
// Z + A a + B b. For a single orbit A and B are 0 and c need not be C.
struct TEnclosureState {
  TExtended ZR = 0, ZI = 0;
  double AR = 0, AI = 0, BR = 0, BI = 0;
  TBound R = 0;
};
struct TEnclosureTrace {
  TExtended CX = 0, CY = 0;
  TBound RX = 0, RY = 0;
  // The enclosures of z_First, z_First+1, ..., up to Steps of them, as long
  // as the escape test passes for every point (then the next one holds too).
  std::int32_t First = 1;
  std::vector<TEnclosureState> States;
};
TEnclosureTrace TraceBox(const TProofBox& Box, std::int32_t Steps, bool DoubleCentre);
// TraceBox's extended centre is the build's extended real. The proofs'
// own, where that is computed in software, is a type that rounds upward
// only; this is the trace with it, in any build, which must agree with
// TraceBox's bit for bit.
TEnclosureTrace TraceBoxInSoftware(const TProofBox& Box, std::int32_t Steps);
// How far the box's enclosure State reaches beyond Other's centre (the
// distance that closes a proof early), with TraceBox's centre or with the
// software one.
TBound EnclosureReach(const TProofBox& Box, bool InSoftware, const TEnclosureState& State,
                      const TEnclosureState& Other);
// The same for the single orbit of (X, Y) from the literal loop's z_First.
TEnclosureTrace TraceOrbit(TExtended X, TExtended Y, TExtended ZR, TExtended ZI,
                           std::int32_t First, std::int32_t Steps);
// The verdict on the box's enclosure in any State and, where it is Inside,
// the enclosure one iteration on, in State.
TEscapeVerdict StepEnclosure(const TProofBox& Box, bool DoubleCentre, TEnclosureState& State);
// Whether the box's enclosure Start, widened to the radius Width, is found
// to come back inside itself after Steps iterations, each tested inside:
// the claim that closes a proof of 0 early.
bool EnclosureCloses(const TProofBox& Box, bool DoubleCentre, const TEnclosureState& Start,
                     TBound Width, std::int32_t Steps);
