#pragma once

#include <cstdint>

// How tiles are proved. The defaults suit frames; tests force tiny tiles.
struct TProofOptions {
  std::int32_t TileSize = 64;   // samples along each side of a first tile
  std::int32_t MinTileSize = 4; // tiles are split no further than this
  bool Always = false;          // try proofs also where they rarely pay
};
