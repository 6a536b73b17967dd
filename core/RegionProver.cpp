#include "RegionProver.h"

#include "Kernel.h"
#include "TileProof.h"

#include <algorithm>
#include <cmath>

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
    if (!std::isfinite(V))
      return false;
    Low = std::min(Low, V);
    High = std::max(High, V);
  }
  return true;
}

} // namespace

TRegionProver::TRegionProver(const std::vector<TExtended>& X,
                             const std::vector<std::int32_t>& Columns,
                             const std::vector<TExtended>& Y, const std::vector<std::int32_t>& Rows,
                             std::int32_t Limit, TCountGrid& Grid,
                             std::vector<TSampleState>& States, const TProofOptions& Options)
    : FX(X), FColumns(Columns), FY(Y), FRows(Rows), FLimit(Limit), FGrid(Grid), FStates(States),
      FOptions(Options), FTileSize(std::max(2, Options.TileSize)),
      FTilesDown(TilesAlong(static_cast<std::int32_t>(Rows.size()), FTileSize)),
      FTileCount(TilesAlong(static_cast<std::int32_t>(Columns.size()), FTileSize) * FTilesDown) {}

bool TRegionProver::SettleNextTile() {
  const std::int32_t Number = FNext.fetch_add(1, std::memory_order_relaxed);
  if (Number >= FTileCount)
    return false;
  // First tiles do not overlap, so no two threads ever touch one sample.
  const std::int32_t I0 = Number / FTilesDown * FTileSize, J0 = Number % FTilesDown * FTileSize;
  Settle({I0, std::min<std::int32_t>(I0 + FTileSize, FColumns.size()) - 1, J0,
          std::min<std::int32_t>(J0 + FTileSize, FRows.size()) - 1});
  return true;
}

// Children share their middle row and column, so the corners probed for one
// level serve the next.
void TRegionProver::Settle(const TTile& Tile) {
  const std::int32_t Corner = Probe(Tile.I0, Tile.J0);
  const bool Agree = Probe(Tile.I1, Tile.J0) == Corner && Probe(Tile.I0, Tile.J1) == Corner &&
                     Probe(Tile.I1, Tile.J1) == Corner;
  const bool MoreThanCorners = Tile.I1 - Tile.I0 > 1 || Tile.J1 - Tile.J0 > 1;
  if (Agree && MoreThanCorners && TryProof(Tile, Corner))
    return;
  const std::int32_t MinSide = std::max(2, FOptions.MinTileSize);
  const bool SplitI = Tile.I1 - Tile.I0 + 1 >= 2 * MinSide;
  const bool SplitJ = Tile.J1 - Tile.J0 + 1 >= 2 * MinSide;
  const std::int32_t IM = SplitI ? Tile.I0 + (Tile.I1 - Tile.I0) / 2 : Tile.I1;
  const std::int32_t JM = SplitJ ? Tile.J0 + (Tile.J1 - Tile.J0) / 2 : Tile.J1;
  if (!SplitI && !SplitJ)
    return; // what is left goes to the kernels
  Settle({Tile.I0, IM, Tile.J0, JM});
  if (SplitI)
    Settle({IM, Tile.I1, Tile.J0, JM});
  if (SplitJ)
    Settle({Tile.I0, IM, JM, Tile.J1});
  if (SplitI && SplitJ)
    Settle({IM, Tile.I1, JM, Tile.J1});
}

bool TRegionProver::TryProof(const TTile& Tile, std::int32_t Count) {
  TProofBox Box;
  if (!Span(FX, FColumns, Tile.I0, Tile.I1, Box.XMin, Box.XMax) ||
      !Span(FY, FRows, Tile.J0, Tile.J1, Box.YMin, Box.YMax))
    return false;
  if (!ProveBox(Box, FLimit, Count).Proved)
    return false;
  for (std::int32_t I = Tile.I0; I <= Tile.I1; ++I)
    for (std::int32_t J = Tile.J0; J <= Tile.J1; ++J) {
      FGrid.At(Column(I), Row(J)) = Count;
      State(I, J) = TSampleState::Proved;
    }
  return true;
}

// A probe is a sample iterated exactly; its count stands in the grid.
std::int32_t TRegionProver::Probe(std::int32_t I, std::int32_t J) {
  TSampleState& Sample = State(I, J);
  std::int32_t& Count = FGrid.At(Column(I), Row(J));
  if (Sample == TSampleState::Open) {
    Count = EscapeCount(FX[static_cast<std::size_t>(Column(I))],
                        FY[static_cast<std::size_t>(Row(J))], FLimit);
    Sample = TSampleState::Probed;
  }
  return Count;
}
