// The rations of proof attempts: where tries keep failing only one in a
// fixed share is granted, a success earns the credit back, and threads that
// share a ration never drive it past its bounds.

#include "ProofRation.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

template <class TRation> int Granted(TRation& Ration, int Tries) {
  int Count = 0;
  for (int K = 0; K < Tries; ++K)
    Count += Ration.Grants();
  return Count;
}

TEST(ProofRationTest, FailuresLeaveOneTryInRationedTry) {
  constexpr int Tries = 4 * TProofRation::RationedTry;
  // Alone: a thread that starts among hopeless orbits spends its credit,
  // then still tries now and then.
  TProofRation Ration;
  for (int K = 0; K < Tries; ++K)
    if (Ration.Grants())
      Ration.Record(false);
  EXPECT_EQ(Granted(Ration, Tries), Tries / TProofRation::RationedTry);
  Ration.Record(true);
  EXPECT_EQ(Granted(Ration, TProofRation::Reward), TProofRation::Reward);

  // Shared: failures recorded at once by several threads never drive the
  // credit below nothing, so one proof restores it.
  TProofRation Shared;
  {
    std::vector<std::jthread> Threads;
    for (int T = 0; T < 4; ++T)
      Threads.emplace_back([&Shared] {
        for (int K = 0; K < 5000; ++K)
          Shared.Record(false);
      });
  }
  EXPECT_EQ(Granted(Shared, Tries), Tries / TProofRation::RationedTry);
  Shared.Record(true);
  EXPECT_TRUE(Shared.Grants() && Shared.Grants());
}

// The ration of double orbits weighs iterations: deep in debt it tries one
// sample in RationedTry << MaxBackoff; the debt is bounded, so a settled run
// of MaxCredit iterations pays it back, from any number of threads.
TEST(ProofRationTest, StepDebtBacksOffAndIsBounded) {
  TStepRation Steps;
  EXPECT_TRUE(Steps.Grants());
  {
    std::vector<std::jthread> Threads;
    for (int T = 0; T < 4; ++T)
      Threads.emplace_back([&Steps] {
        for (int K = 0; K < 100; ++K)
          Steps.Record(false, 1 << 20);
      });
  }
  constexpr auto Deepest = TStepRation::RationedTry << TStepRation::MaxBackoff;
  EXPECT_EQ(Granted(Steps, 4 * Deepest), 4);
  Steps.Record(true, static_cast<std::int32_t>(TStepRation::MaxCredit) + 1);
  EXPECT_TRUE(Steps.Grants() && Steps.Grants());
}

} // namespace
