#include "TileProver.h"

#include "BoxProof.h"
#include "Kernel.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

namespace {

std::int32_t TilesAlong(std::int32_t Samples, std::int32_t TileSize) {
  return (Samples + TileSize - 1) / TileSize;
}

// The smallest and largest of the listed Values[Index[From..To]]; false when
// one is not finite (an overflowing view), where no box can be trusted.
bool Span(const std::vector<TExtended>& Values, const std::vector<std::int32_t>& Index,
          std::int32_t From, std::int32_t To, TExtended& Low, TExtended& High) {
  Low = High = Values[static_cast<std::size_t>(Index[static_cast<std::size_t>(From)])];
  for (std::int32_t K = From; K <= To; ++K) {
    const TExtended V = Values[static_cast<std::size_t>(Index[static_cast<std::size_t>(K)])];
    if (!IsFinite(V))
      return false;
    Low = std::min(Low, V);
    High = std::max(High, V);
  }
  return true;
}

} // namespace

TTileProver::TTileProver(const TTileGrid& Grid, std::int32_t Limit, TExactKernel Exact,
                         const TProofOptions& Options)
    : FX(Grid.X), FColumns(Grid.Columns), FY(Grid.Y), FRows(Grid.Rows), FLimit(Limit),
      FGrid(Grid.Counts), FStates(Grid.States), FExact(Exact), FOptions(Options),
      FTileSize(std::max(2, Options.TileSize)),
      FTilesDown(TilesAlong(static_cast<std::int32_t>(FRows.size()), FTileSize)),
      FTileCount(TilesAlong(static_cast<std::int32_t>(FColumns.size()), FTileSize) * FTilesDown) {}

bool TTileProver::ProveNextTile() {
  const std::int32_t Number = FNext.fetch_add(1, std::memory_order_relaxed);
  if (Number >= FTileCount)
    return false;
  // First tiles do not overlap, so no two threads ever touch one sample.
  const std::int32_t I0 = Number / FTilesDown * FTileSize, J0 = Number % FTilesDown * FTileSize;
  const TTile Tile{I0, std::min<std::int32_t>(I0 + FTileSize, FColumns.size()) - 1, J0,
                   std::min<std::int32_t>(J0 + FTileSize, FRows.size()) - 1};
  ProveTile(Tile);
  return true;
}

// Level by level: the corners of a level are probed together, which keeps
// the kernel's lanes busy, then its tiles are tried. The levels' lists are
// kept for the whole tile, so that their memory is reused.
void TTileProver::ProveTile(const TTile& First) {
  TLevel Level{{First}, {}, {{First.I0, First.J0}, {First.I0, First.J1}, {First.I1, First.J0},
                             {First.I1, First.J1}}};
  TLevel Next;
  TProbeBatch Batch;
  while (!Level.Tiles.empty()) {
    Probe(Level.Full, false, Batch);
    Probe(Level.Brief, true, Batch);
    Next.Tiles.clear();
    Next.Full.clear();
    Next.Brief.clear();
    for (const TTile& Tile : Level.Tiles)
      ProveOrSplit(Tile, Next);
    std::swap(Level, Next);
  }
}

void TTileProver::ProveOrSplit(const TTile& Tile, TLevel& Next) {
  const std::int32_t Corner = CountAt(Tile.I0, Tile.J0);
  const bool Agree = CountAt(Tile.I1, Tile.J0) == Corner && CountAt(Tile.I0, Tile.J1) == Corner &&
                     CountAt(Tile.I1, Tile.J1) == Corner;
  const bool MoreThanCorners = Tile.I1 - Tile.I0 > 1 || Tile.J1 - Tile.J0 > 1;
  // A proved tile is done; a hopeless one goes whole to the kernels, since
  // probing its children buys nothing.
  if (Agree && MoreThanCorners && TryProof(Tile, Corner) != TTry::Failed)
    return;
  const std::int32_t MinSide = std::max(2, FOptions.MinTileSize);
  const bool SplitI = Tile.I1 - Tile.I0 + 1 >= 2 * MinSide;
  const bool SplitJ = Tile.J1 - Tile.J0 + 1 >= 2 * MinSide;
  if (!SplitI && !SplitJ)
    return; // what is left goes to the kernels
  const std::int32_t IM = SplitI ? Tile.I0 + (Tile.I1 - Tile.I0) / 2 : Tile.I1;
  const std::int32_t JM = SplitJ ? Tile.J0 + (Tile.J1 - Tile.J0) / 2 : Tile.J1;
  // The set is likely where the corners are in it for certain. Pending ones
  // (counted as 0) are as often outside it, slow to escape, and a proof of 0
  // would be tried on them again in vain: the children get them exactly,
  // with the new corners. Where a side is not split, some of these places
  // are the same, and they are probed once.
  const bool InSet = InSetForCertain(Tile.I0, Tile.J0) && InSetForCertain(Tile.I1, Tile.J0) &&
                     InSetForCertain(Tile.I0, Tile.J1) && InSetForCertain(Tile.I1, Tile.J1);
  std::vector<TPlace>& Corners = InSet ? Next.Brief : Next.Full;
  Corners.insert(Corners.end(), {{Tile.I0, Tile.J0}, {Tile.I0, JM}, {Tile.I0, Tile.J1},
                                 {IM, Tile.J0}, {IM, JM}, {IM, Tile.J1},
                                 {Tile.I1, Tile.J0}, {Tile.I1, JM}, {Tile.I1, Tile.J1}});
  Next.Tiles.push_back({Tile.I0, IM, Tile.J0, JM});
  if (SplitI)
    Next.Tiles.push_back({IM, Tile.I1, Tile.J0, JM});
  if (SplitJ)
    Next.Tiles.push_back({Tile.I0, IM, JM, Tile.J1});
  if (SplitI && SplitJ)
    Next.Tiles.push_back({IM, Tile.I1, JM, Tile.J1});
}

TTileProver::TTry TTileProver::TryProof(const TTile& Tile, std::int32_t Count) {
  TProofBox Box;
  if (!Span(FX, FColumns, Tile.I0, Tile.I1, Box.XMin, Box.XMax) ||
      !Span(FY, FRows, Tile.J0, Tile.J1, Box.YMin, Box.YMax))
    return TTry::Failed;
  TStepRation& Ration = Count == 0 ? FZeroRation : FEscapeRation;
  if (!Ration.Grants())
    return TTry::Failed;
  const TProofResult Result = ProveBox(Box, FLimit, Count);
  const std::int64_t Samples =
      static_cast<std::int64_t>(Tile.I1 - Tile.I0 + 1) * (Tile.J1 - Tile.J0 + 1);
  const std::int64_t Weight = Result.Proved ? Samples * (Count == 0 ? FLimit : Count)
                                            : std::int64_t{ProofStepCost} * Result.Steps;
  Ration.Record(Result.Proved,
                static_cast<std::int32_t>(std::min<std::int64_t>(Weight, INT32_MAX)));
  if (!Result.Proved)
    return Result.Rounding ? TTry::Hopeless : TTry::Failed;
  for (std::int32_t I = Tile.I0; I <= Tile.I1; ++I)
    for (std::int32_t J = Tile.J0; J <= Tile.J1; ++J) {
      FGrid.At(Column(I), Row(J)) = Count;
      State(I, J) = TSampleState::Proved;
    }
  return TTry::Proved;
}

// Probes are samples iterated exactly; their counts stand in the grid. They
// go to the kernel together, so that several are in flight at once.
//
// Where the set is likely (Brief), a probe runs only to a share of the
// limit: a sample that has not escaped by then is Pending, its count taken
// as 0 for choosing a proof. If a proof settles it with its tile, the rest
// of the probe's iterations are saved; if not, it is iterated again to the
// full limit, with the next corners or by the kernels.
void TTileProver::Probe(const std::vector<TPlace>& Places, bool Brief, TProbeBatch& Batch) {
  const std::int32_t Limit =
      Brief && FLimit / BriefProbeShare >= MinBriefProbe ? FLimit / BriefProbeShare : FLimit;
  std::vector<TPlace>& Order = Batch.Order;
  std::vector<TSample>& Samples = Batch.Samples;
  std::vector<TSampleState*>& Taken = Batch.Taken;
  Order.assign(Places.begin(), Places.end());
  Samples.clear();
  Taken.clear();
  // A column at a time, so that the lanes mostly share their real part.
  std::sort(Order.begin(), Order.end(),
            [](const TPlace& A, const TPlace& B) { return A.I != B.I ? A.I < B.I : A.J < B.J; });
  for (const TPlace& Place : Order) {
    TSampleState& Sample = State(Place.I, Place.J);
    if (Sample != TSampleState::Open && !(Sample == TSampleState::Pending && !Brief))
      continue;
    Sample = TSampleState::Iterated; // listed once, however often named
    Taken.push_back(&Sample);
    Samples.push_back({FX[static_cast<std::size_t>(Column(Place.I))],
                       FY[static_cast<std::size_t>(Row(Place.J))],
                       &FGrid.At(Column(Place.I), Row(Place.J))});
  }
  TListFeed Feed(Samples);
  IterateSamplesBounded(Feed, Limit, FExact, FOrbitRation);
  // An escape within the shorter limit is the same escape under the frame's.
  if (Limit < FLimit)
    for (std::size_t K = 0; K < Samples.size(); ++K)
      if (*Samples[K].Count == 0)
        *Taken[K] = TSampleState::Pending;
}
