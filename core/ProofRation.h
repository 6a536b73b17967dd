#pragma once

#include <atomic>
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
  bool Grants();
  void Record(bool Proved);

private:
  static constexpr std::int32_t StartCredit = 8, Reward = 4, MaxCredit = 64, RationedTry = 16;
  std::atomic<std::int32_t> FCredit{StartCredit};
  std::atomic<std::uint32_t> FSkipped{0};
};
