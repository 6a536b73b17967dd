#pragma once

#include "BoxProof.h"
#include "Extended.h"

#include <atomic>
#include <cstdint>
#include <limits>

// Rations the orbit-proof tries where they keep failing (FastPaths.md,
// Rations). Safe to share between threads.
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

// Rations the bounded double orbits and the tile proofs by the iterations
// they save against those they spend (FastPaths.md, Rations). Safe to
// share between threads.
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
