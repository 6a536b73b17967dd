#pragma once

#include "Bitmap.h"
#include "InputRule.h"
#include "ZoomView.h"

#include <cstdint>
#include <string>
#include <vector>

// The page's viewer, as the window is one: the view, its image and the zoom
// history, changed by the input rule; the page's script carries events in
// and the picture out, and its workers compute each frame in pieces.
class TWebViewer {
public:
  // How held input bears on the running render's picture.
  enum class THeld { Undecided = 0, NeedsPicture = 1, DiscardsPicture = 2 };

  // Opens the view in an address fragment at an image size; where it holds
  // none, the start view, and Message says why. Forgets the history.
  // Returns whether the address was read.
  bool Open(const std::string& Fragment, std::int32_t Width, std::int32_t Height);

  // What a refused address was refused for.
  const std::string& Message() const { return FMessage; }

  // The view's corners (left, top, right, bottom) for the workers, and the
  // buffer for the frame's counts, (Height + 1) rows of Width + 1, which
  // they fill.
  const TExtended* Corners() const { return FCorners; }
  std::int32_t* Counts() { return FCounts.data(); }
  // Paints the filled counts: the view's picture, shown.
  void Paint();
  // What to show, opaque RGBA (Width x Height).
  const std::uint32_t* Pixels();

  // An input event, by the window's rule: the drag state changes, a band is
  // drawn or wiped, a zoom takes the new view (whose counts the page then
  // computes). Going back is left to the page's history (Back); closing
  // does nothing to a page.
  TInputEffect Input(const TWindowInput& Event);
  // Goes back one view, showing the rectangle that led away from it; false
  // at the first view.
  bool Back();
  std::size_t Depth() const { return FHistory.size(); }

  // While a render runs: Hold starts replaying input in the head, and Held
  // says what each event, in order, would do to the picture once shown.
  void Hold() { FHeldState = FDrag; }
  THeld Held(const TWindowInput& Event);
  // The render was stopped: its view stays, without a picture.
  void Abandon() { FBitmap = TBitmap(); }

  // The literal loop's iterations for the frame's counts (the limit for
  // each sample that does not escape), for the benchmark's figures.
  double Iterations() const;

  std::string Address() const;
  std::string Command() const;

private:
  void SetView(const TViewEdges& View);

  std::int32_t FWidth = 1, FHeight = 1;
  TViewEdges FView;
  TExtended FCorners[4] = {};
  std::vector<std::int32_t> FCounts;
  TBitmap FBitmap; // the view's picture, never with an overlay
  TBitmap FShown;  // what is shown: the picture, or a framed copy
  std::vector<std::uint32_t> FPixels;
  std::vector<TBitmapDetail> FHistory;
  TDragState FDrag, FHeldState;
  std::string FMessage;
};
