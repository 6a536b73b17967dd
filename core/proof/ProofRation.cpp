#include "ProofRation.h"

#include "BoxProof.h"

#include <algorithm>

bool TProofRation::Grants() {
  if (FCredit.load(std::memory_order_relaxed) > 0)
    return true;
  return (FSkipped.fetch_add(1, std::memory_order_relaxed) + 1) % RationedTry == 0;
}

void TProofRation::Record(bool Proved) {
  std::int32_t Credit = FCredit.load(std::memory_order_relaxed);
  if (Proved) {
    while (Credit < MaxCredit &&
           !FCredit.compare_exchange_weak(Credit, std::min(Credit + Reward, MaxCredit),
                                          std::memory_order_relaxed)) {
    }
  } else {
    while (Credit > 0 &&
           !FCredit.compare_exchange_weak(Credit, Credit - 1, std::memory_order_relaxed)) {
    }
  }
}

bool TStepRation::Grants() {
  const std::int64_t Credit = FCredit.load(std::memory_order_relaxed);
  if (Credit > 0)
    return true;
  const auto Backoff = static_cast<int>(std::min(MaxBackoff, -Credit / DebtStep));
  return (FSkipped.fetch_add(1, std::memory_order_relaxed) + 1) % (RationedTry << Backoff) == 0;
}

void TStepRation::Record(bool Settled, std::int32_t Steps) {
  std::int64_t Credit = FCredit.load(std::memory_order_relaxed);
  while (!FCredit.compare_exchange_weak(
      Credit, std::clamp<std::int64_t>(Credit + (Settled ? Steps : -Steps), -MaxCredit, MaxCredit),
      std::memory_order_relaxed)) {
  }
}

bool TryOrbitProof(TProofRation& Ration, TExtended X, TExtended Y, TExtended ZR, TExtended ZI,
                   double Radius) {
  if (!Ration.Grants())
    return false;
  const bool Proved = ProveOrbitStaysInside(X, Y, ZR, ZI, OrbitProofBudget, Radius);
  Ration.Record(Proved);
  return Proved;
}
