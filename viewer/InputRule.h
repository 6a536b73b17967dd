#pragma once

#include <cstdint>

// Mouse buttons as the viewer's handlers see them.
enum class TMouseButton { mbLeft = 0, mbRight = 1, mbMiddle = 2 };

// The key code of Esc, the one key the viewer handles: the value of
// Qt::Key_Escape, which the window passes on as Qt gives it.
inline constexpr int EscapeKey = 0x01000000;

// The window's drag state: what its input handlers read and change.
struct TDragState {
  bool Selecting = false;                // a zoom rectangle is being dragged
  std::int32_t StartX = 0, StartY = 0;   // where the drag began
  std::int32_t EndX = 0, EndY = 0;       // where it ended (normalised on a zoom)
  std::int32_t LastX = 0, LastY = 0;     // where the last rubber band was drawn
};

// One input event as the window's handlers take it: a mouse event on the
// image (in image pixels), a key, or a request to close the window.
struct TWindowInput {
  enum class TKind { MouseDown, MouseMove, MouseUp, Key, Close };
  TKind Kind;
  TMouseButton Button = TMouseButton::mbLeft; // MouseDown and MouseUp
  int Key = 0;                                // Key: EscapeKey or any other
  std::int32_t X = 0, Y = 0;                  // the mouse events
};

// What the window does about an event, besides changing its drag state:
// nothing, draw the rubber band from the drag's start to (LastX, LastY),
// wipe it (show the image as it is), zoom into (StartX, StartY)-(EndX,
// EndY), go back one view, or close.
enum class TInputEffect { None, DrawBand, WipeBand, Zoom, GoBack, Close };

// The window's one rule for its input: the new drag state, and the effect.
// The handlers perform the effect; the replay of input held during a render
// asks the same rule whether the render's image would ever be shown.
TInputEffect ApplyInput(TDragState& State, const TWindowInput& Input);

// Whether an effect shows or keeps the current image: going back discards
// it and closing ends the window; the rest draw it or put it in the history.
inline bool UsesImage(TInputEffect Effect) {
  return Effect != TInputEffect::None && Effect != TInputEffect::GoBack &&
         Effect != TInputEffect::Close;
}
