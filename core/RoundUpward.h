#pragma once

#include <cfenv>
#include <stdexcept>

// Sets upward rounding for its lifetime and puts the caller's mode back, so
// that sums and products of non-negative bounds round up. Only code built
// with -frounding-math may compute under it.
class TRoundUpward {
public:
  TRoundUpward() : FOld(std::fegetround()) {
    if (std::fesetround(FE_UPWARD) != 0 || std::fegetround() != FE_UPWARD)
      throw std::runtime_error("cannot round upward for a proof");
  }
  ~TRoundUpward() { std::fesetround(FOld); }
  TRoundUpward(const TRoundUpward&) = delete;
  TRoundUpward& operator=(const TRoundUpward&) = delete;

private:
  int FOld;
};
