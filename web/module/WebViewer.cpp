#include "WebViewer.h"

#include "Address.h"
#include "FrameBands.h"
#include "IterationLimit.h"
#include "View.h"
#include "ViewCommand.h"

#include <algorithm>
#include <utility>

bool TWebViewer::Open(const std::string& Fragment, std::int32_t Width, std::int32_t Height) {
  FWidth = std::max(Width, 1);
  FHeight = std::max(Height, 1);
  FMessage.clear();
  std::optional<TViewEdges> View = ReadAddress(Fragment, FWidth, FHeight, FMessage);
  FHistory.clear();
  FDrag = {};
  FCounts.assign(static_cast<std::size_t>(FWidth + 1) * (FHeight + 1), 0);
  SetView(View.value_or(TViewEdges{StartViewTop, StartViewLeft, StartViewBottom}));
  return View.has_value();
}

void TWebViewer::SetView(const TViewEdges& View) {
  FView = View;
  FCorners[0] = View.Left;
  FCorners[1] = View.Top;
  FCorners[2] = ViewRight(View.Top, View.Left, View.Bottom, FWidth, FHeight);
  FCorners[3] = View.Bottom;
}

void TWebViewer::Paint() {
  FBitmap = PaintCounts(FCounts.data(), FWidth, FHeight);
  FShown = FBitmap;
}

const std::uint32_t* TWebViewer::Pixels() {
  // The picture's fourth byte is 0; a canvas wants it opaque.
  FPixels.resize(static_cast<std::size_t>(FShown.Width()) * FShown.Height());
  std::transform(FShown.Bits(), FShown.Bits() + FPixels.size(), FPixels.begin(),
                 [](TColor C) { return C | 0xFF000000u; });
  return FPixels.data();
}

TInputEffect TWebViewer::Input(const TWindowInput& Event) {
  const TInputEffect Effect = ApplyInput(FDrag, Event);
  const TDragState& D = FDrag;
  switch (Effect) {
  case TInputEffect::DrawBand:
    FShown = WithWhiteFrame(FBitmap, std::min(D.StartX, D.LastX), std::min(D.StartY, D.LastY),
                            std::max(D.StartX, D.LastX), std::max(D.StartY, D.LastY));
    break;
  case TInputEffect::WipeBand:
    FShown = FBitmap;
    break;
  case TInputEffect::Zoom:
    FHistory.push_back({FView.Top, FView.Left, FView.Bottom, std::move(FBitmap), D.StartX,
                        D.StartY, D.EndX, D.EndY});
    FBitmap = TBitmap();
    SetView(ZoomedView(FView, FHeight, D.StartX, D.StartY, D.EndY));
    break;
  case TInputEffect::None:
  case TInputEffect::GoBack:
  case TInputEffect::Close:
    break;
  }
  return Effect;
}

bool TWebViewer::Back() {
  if (FHistory.empty())
    return false;
  TBitmapDetail Entry = std::move(FHistory.back());
  FHistory.pop_back();
  FShown = WithWhiteFrame(Entry.Bitmap, Entry.StartX, Entry.StartY, Entry.EndX, Entry.EndY);
  FBitmap = std::move(Entry.Bitmap);
  SetView({Entry.ViewTop, Entry.ViewLeft, Entry.ViewBottom});
  return true;
}

TWebViewer::THeld TWebViewer::Held(const TWindowInput& Event) {
  switch (ApplyInput(FHeldState, Event)) {
  case TInputEffect::None:
  case TInputEffect::Close: // a page is not closed by Esc
    return THeld::Undecided;
  case TInputEffect::GoBack:
    return FHistory.empty() ? THeld::Undecided : THeld::DiscardsPicture;
  default:
    return THeld::NeedsPicture;
  }
}

double TWebViewer::Iterations() const {
  const std::int32_t Limit = IterationLimit(FCorners[1] - FCorners[3]);
  double Total = 0;
  for (const std::int32_t Count : FCounts)
    Total += Count != 0 ? Count : Limit;
  return Total;
}

std::string TWebViewer::Address() const { return AddressOf(FView); }

std::string TWebViewer::Command() const {
  return RenderCommand(FView.Top, FView.Left, FView.Bottom, FWidth, FHeight);
}
