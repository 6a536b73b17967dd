#pragma once

#include "ProofRation.h"
#include "Sample.h"

#include <cstdint>

// What a lane pool keeps of a lane between blocks: whether it holds a
// sample, how many iterations that sample has run (what N means at a
// block's end is the block's to say), and its one orbit-proof try.
struct TLaneBook {
  bool Active = false;
  std::int32_t N = 0;
  TSample Sample;
  TOrbitProofTry Proof;
};
