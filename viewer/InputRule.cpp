#include "InputRule.h"

#include <cstdlib>
#include <utility>

namespace {

// A drag must exceed this many pixels in x or y to zoom; less is a click.
constexpr std::int64_t DragThreshold = 5;

TInputEffect MouseUp(TDragState& State, std::int32_t X, std::int32_t Y) {
  if (!State.Selecting)
    return TInputEffect::None;
  State.EndX = X;
  State.EndY = Y;
  State.Selecting = false;
  if (std::llabs(std::int64_t{State.EndX} - State.StartX) <= DragThreshold &&
      std::llabs(std::int64_t{State.EndY} - State.StartY) <= DragThreshold)
    return TInputEffect::WipeBand;
  if (State.StartX > State.EndX)
    std::swap(State.StartX, State.EndX);
  if (State.StartY > State.EndY)
    std::swap(State.StartY, State.EndY);
  return TInputEffect::Zoom;
}

} // namespace

TInputEffect ApplyInput(TDragState& State, const TWindowInput& Input) {
  switch (Input.Kind) {
  case TWindowInput::TKind::MouseDown:
    if (Input.Button == TMouseButton::mbRight)
      return TInputEffect::GoBack;
    if (Input.Button == TMouseButton::mbLeft) {
      State.Selecting = true;
      State.StartX = Input.X;
      State.StartY = Input.Y;
    }
    return TInputEffect::None;
  case TWindowInput::TKind::MouseMove:
    // A band is drawn only where it moved: the same band again would show
    // nothing new.
    if (!State.Selecting || (Input.X == State.LastX && Input.Y == State.LastY))
      return TInputEffect::None;
    State.LastX = Input.X;
    State.LastY = Input.Y;
    return TInputEffect::DrawBand;
  case TWindowInput::TKind::MouseUp:
    return MouseUp(State, Input.X, Input.Y);
  case TWindowInput::TKind::Key:
    if (Input.Key != EscapeKey)
      return TInputEffect::None;
    if (!State.Selecting)
      return TInputEffect::Close;
    State.Selecting = false;
    return TInputEffect::WipeBand;
  case TWindowInput::TKind::Close:
    return TInputEffect::Close;
  }
  return TInputEffect::None;
}
