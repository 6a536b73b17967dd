#include "Exports.h"

#include "FrameBands.h"
#include "WebViewer.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

TWebViewer Viewer;
std::string Text; // the last text handed out
std::vector<std::int32_t> Piece;
std::vector<std::uint32_t> Axes;

const char* Hand(std::string Value) {
  Text = std::move(Value);
  return Text.c_str();
}

TWindowInput Event(int Kind, int Button, int Key, std::int32_t X, std::int32_t Y) {
  return {static_cast<TWindowInput::TKind>(Kind), static_cast<TMouseButton>(Button), Key, X, Y};
}

} // namespace

void* gv_alloc(std::size_t Bytes) { return std::malloc(Bytes); }
void gv_free(void* Block) { std::free(Block); }
int gv_open(const char* Fragment, std::int32_t Width, std::int32_t Height) {
  return Viewer.Open(Fragment, Width, Height);
}
const char* gv_message() { return Viewer.Message().c_str(); }
const TExtended* gv_corners() { return Viewer.Corners(); }
std::size_t gv_corners_size() { return 4 * sizeof(TExtended); }
std::int32_t* gv_counts() { return Viewer.Counts(); }
void gv_paint() { Viewer.Paint(); }
const std::uint32_t* gv_pixels() { return Viewer.Pixels(); }
int gv_input(int Kind, int Button, int Key, std::int32_t X, std::int32_t Y) {
  return static_cast<int>(Viewer.Input(Event(Kind, Button, Key, X, Y)));
}
int gv_back() { return Viewer.Back(); }
int gv_depth() { return static_cast<int>(Viewer.Depth()); }
void gv_hold() { Viewer.Hold(); }
int gv_held(int Kind, int Button, int Key, std::int32_t X, std::int32_t Y) {
  return static_cast<int>(Viewer.Held(Event(Kind, Button, Key, X, Y)));
}
void gv_abandon() { Viewer.Abandon(); }
double gv_iterations() { return Viewer.Iterations(); }
const char* gv_address() { return Hand(Viewer.Address()); }
const char* gv_command() { return Hand(Viewer.Command()); }

const std::int32_t* gv_piece(const TExtended* Corners, std::int32_t Width, std::int32_t Height,
                             std::int32_t FirstColumn, std::int32_t Columns, std::int32_t FirstRow,
                             std::int32_t Rows, int Flags) {
  TRenderOptions Options;
  Options.LeaveOpen = (Flags & PieceLeavesOpen) != 0;
  if ((Flags & PieceChecked) != 0) {
    Options.Proof = {4, 2, true};
    Options.CheckProofs = true;
  }
  Piece = RenderCountPiece({Corners[0], Corners[1]}, {Corners[2], Corners[3]}, Width, Height,
                           {FirstColumn, Columns, FirstRow, Rows}, Options);
  return Piece.data();
}

const std::uint32_t* gv_axes(const TExtended* Corners, std::int32_t Width, std::int32_t Height) {
  const TFrameAxes Frame = FrameAxes({Corners[0], Corners[1]}, {Corners[2], Corners[3]}, Width, Height);
  Axes.assign({static_cast<std::uint32_t>(Frame.Limit), 0, 0, 0});
  for (const std::vector<TExtended>* Values : {&Frame.X, &Frame.Y})
    for (const TExtended V : *Values) {
      const TSoftExtended Bits = ExtendedBits(V);
      Axes.insert(Axes.end(), {static_cast<std::uint32_t>(Bits.Significand),
                               static_cast<std::uint32_t>(Bits.Significand >> 32),
                               Bits.SignExponent, 0});
    }
  return Axes.data();
}
