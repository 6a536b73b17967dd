#pragma once

#include "BoxProof.h"
#include "Extended.h"

#include <atomic>
#include <limits>
#include <cstdint>

// Rations proof attempts of one kind where they keep failing. A failure
// costs a credit, a proof earns some back, and without credit only one
// attempt in RationedTry is granted, so a run that starts where proofs fail
// still tries again later and recovers its credit where they succeed. Which
// attempts are made changes only how fast a frame is, never a count: a
// sample whose proof is not tried is iterated.
//
// Safe to share between threads; the credit is only a heuristic, so races
// between them can cost an attempt more or less, never a wrong result.
class TProofRation {
public:
  static constexpr std::int32_t StartCredit = 8, Reward = 4, MaxCredit = 64, RationedTry = 16;

  bool Grants();
  void Record(bool Proved);

private:
  std::atomic<std::int32_t> FCredit{StartCredit};
  std::atomic<std::uint32_t> FSkipped{0};
};

// The one try, rationed by Ration, at proving that an orbit still inside at
// z = (ZR, ZI), known within Radius, stays inside for ever
// (ProveOrbitStaysInside, with a budget of OrbitProofBudget steps): true
// when it was granted and the proof succeeded.
bool TryOrbitProof(TProofRation& Ration, TExtended X, TExtended Y, TExtended ZR, TExtended ZI,
                   double Radius = 0);

// The one try at an orbit proof that each sample gets, once it has run
// OrbitProofAt iterations (or never, where orbit proofs are off).
class TOrbitProofTry {
public:
  static constexpr std::int32_t Never = std::numeric_limits<std::int32_t>::max();

  TOrbitProofTry() = default;
  explicit TOrbitProofTry(bool Enabled) : FAt(Enabled ? OrbitProofAt : Never) {}

  // The iteration the try is due at.
  std::int32_t At() const { return FAt; }

  // Once the orbit has run N >= At() iterations: the try (TryOrbitProof),
  // made once; true when the orbit is proved to stay inside.
  bool TryAt(std::int32_t N, TProofRation& Ration, TExtended X, TExtended Y, TExtended ZR,
             TExtended ZI, double Radius = 0) {
    if (N < FAt)
      return false;
    FAt = Never;
    return TryOrbitProof(Ration, X, Y, ZR, ZI, Radius);
  }

private:
  std::int32_t FAt = OrbitProofAt;
};

// Rations the bounded double orbits (OrbitBounds.h) where they keep failing
// (slow escapes near the set, whose bound grows too large): the doubles then
// only add to the exact kernel's work. The credit counts the iterations of
// settled orbits (each about half an exact iteration saved) against those of
// undecided ones (each about half an exact iteration spent for nothing).
// Without credit only one sample in RationedTry is tried, and fewer still the
// deeper the debt, so that the credit can come back where the doubles work
// again. Safe to share between threads, like TProofRation: the tile
// prover keeps one for all its probes, which come a few at a time, and
// weighs its tile proofs with two more (the steps of failed proofs against
// the iterations proved tiles save). Which samples or tiles are tried
// changes only the speed, never a count.
class TStepRation {
public:
  static constexpr std::int64_t StartCredit = 1 << 14, MaxCredit = 1 << 20;
  // Each DebtStep of debt halves the share of samples tried, down to one in
  // RationedTry << MaxBackoff.
  static constexpr std::int64_t DebtStep = 1 << 16;
  static constexpr std::int64_t MaxBackoff = 4;
  static constexpr std::uint32_t RationedTry = 16;

  bool Grants();
  void Record(bool Settled, std::int32_t Steps);

private:
  std::atomic<std::int64_t> FCredit{StartCredit};
  std::atomic<std::uint32_t> FSkipped{0};
};
