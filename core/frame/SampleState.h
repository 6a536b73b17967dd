#pragma once

#include <cstdint>

// What a sample of the grid is, once the proofs are through with it.
// Pending: a probe run to a shorter limit without escaping, whose count is
// not known; the kernels treat it as Open. Iterated: a probe run to the
// limit, its count exact. Proved: its count settled by a tile's proof.
enum class TSampleState : std::uint8_t { Open, Pending, Iterated, Proved };

// Whether the sample's count is known before the kernels run.
inline bool Settled(TSampleState State) {
  return State == TSampleState::Iterated || State == TSampleState::Proved;
}
