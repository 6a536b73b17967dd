#pragma once

#include "CountGrid.h"
#include "Extended.h"
#include "Kernel.h"
#include "ProofOptions.h"
#include "ProofRation.h"
#include "Sample.h"
#include "SampleState.h"

#include <atomic>
#include <cstdint>
#include <vector>

// The samples a prover settles: the coordinates of every grid column and
// row, the columns and rows it works over, in order (a frame lists each
// distinct coordinate once), and where their counts and states go.
struct TTileGrid {
  const std::vector<TExtended>& X;
  const std::vector<std::int32_t>& Columns;
  const std::vector<TExtended>& Y;
  const std::vector<std::int32_t>& Rows;
  TCountGrid& Counts;
  std::vector<TSampleState>& States;
};

// Settles whole tiles of a count grid without iterating their samples: the
// corners of a tile are iterated exactly (they are probes, and their counts
// are kept; where the set is likely, they first run briefly and are Pending
// until known); where they agree, a proof (ProveBox) may settle the whole
// tile with their count; where it cannot, the tile is split in four, down to
// MinTileSize, unless the proof failed by the rounding of the orbits, which
// no smaller tile escapes. Whatever stays Open or Pending is left to the
// kernels. Tiles run over the listed columns and rows only (a frame lists
// each distinct coordinate once). First tiles are claimed one at a time, so
// any number of threads may share one prover; every count it writes is the
// literal loop's, so the result never depends on the split.
class TTileProver {
public:
  // Exact iterates the probes that the doubles leave undecided.
  TTileProver(const TTileGrid& Grid, std::int32_t Limit, TExactKernel Exact,
              const TProofOptions& Options);

  // Claims the next first tile and settles what it can of it; false when no
  // tile is left.
  bool ProveNextTile();

private:
  struct TTile {
    std::int32_t I0, I1, J0, J1; // inclusive ranges of listed columns and rows
  };

  struct TPlace {
    std::int32_t I, J; // a listed column and row
  };
  // One level of a first tile: its tiles, and the corners to probe before
  // they are tried, to the full limit or briefly. The corners of one level
  // serve the next (children share their middle row and column).
  struct TLevel {
    std::vector<TTile> Tiles;
    std::vector<TPlace> Full, Brief;
  };

  void ProveTile(const TTile& First);
  // Tries a proof of Tile; where none settles it, adds its children and
  // their corners to Next.
  void ProveOrSplit(const TTile& Tile, TLevel& Next);
  // What a try at a tile came to. Hopeless: its proof failed by rounding,
  // which its children would share; they are not tried, nor probed.
  enum class TTry { Proved, Failed, Hopeless };
  TTry TryProof(const TTile& Tile, std::int32_t Count);
  // Iterates the places still open (and, unless Brief, those pending)
  // together. Brief probes run to a BriefProbeShare of the limit, and only
  // where that is at least MinBriefProbe iterations: below, too many samples
  // outside the set are still inside when they stop, and a proof is tried
  // on them in vain.
  static constexpr std::int32_t BriefProbeShare = 16;
  static constexpr std::int32_t MinBriefProbe = 256;
  // What a batch of probes needs, kept by the caller from one to the next.
  struct TProbeBatch {
    std::vector<TPlace> Order;
    std::vector<TSample> Samples;
    std::vector<TSampleState*> Taken;
  };
  void Probe(const std::vector<TPlace>& Places, bool Brief, TProbeBatch& Batch);
  bool InSetForCertain(std::int32_t I, std::int32_t J) {
    return CountAt(I, J) == 0 &&
           Settled(State(I, J));
  }
  std::int32_t CountAt(std::int32_t I, std::int32_t J) const {
    return FGrid.At(Column(I), Row(J));
  }
  // The grid column and row of a listed column and row.
  std::int32_t Column(std::int32_t I) const { return FColumns[static_cast<std::size_t>(I)]; }
  std::int32_t Row(std::int32_t J) const { return FRows[static_cast<std::size_t>(J)]; }
  TSampleState& State(std::int32_t I, std::int32_t J) {
    return FStates[FGrid.Index(Column(I), Row(J))];
  }

  const std::vector<TExtended>& FX;
  const std::vector<std::int32_t>& FColumns;
  const std::vector<TExtended>& FY;
  const std::vector<std::int32_t>& FRows;
  const std::int32_t FLimit;
  TCountGrid& FGrid;
  std::vector<TSampleState>& FStates;
  const TExactKernel FExact;
  const TProofOptions FOptions;
  const std::int32_t FTileSize;
  const std::int32_t FTilesDown;
  const std::int32_t FTileCount;
  std::atomic<std::int32_t> FNext{0};
  // Proofs of 0 and of escape counts fail in different places and are
  // rationed apart (FastPaths.md, Rations); a failure's step costs about
  // ProofStepCost exact iterations.
  static constexpr std::int32_t ProofStepCost = 8;
  TStepRation FZeroRation;
  TStepRation FEscapeRation;
  // One ration of the doubles for all the probes, which come a few at a time.
  TStepRation FOrbitRation;
};
