#pragma once

#include "Image.h"
#include "InputRule.h"
#include "RenderWait.h"

// Replays in the head the input held while a zoom renders, from the state
// the window will be in when the render ends, to tell whether the new image
// will ever be shown: each event goes where Qt would deliver it, and the
// window's own input rule (ApplyInput) says what it would do there. The
// image is never shown when the first event that does anything goes back or
// closes the window; it is when that event draws or wipes a rubber band or
// zooms. Input it cannot place is taken to need the image, which is never
// wrong, only slower.
class TInputReplay {
public:
  // Image: the window's image control, a direct child of the window.
  // State: the window's drag state.
  TInputReplay(const TImage& Image, const TDragState& State);

  THeldInput Next(QObject* Receiver, const QEvent& Event);

private:
  // The widget a mouse event reaches: none, the image, the window around
  // it, or one this cannot tell.
  enum class TTarget { None, Image, Window, Unknown };

  THeldInput Mouse(QObject* Receiver, const QEvent& Event);
  THeldInput Apply(const TWindowInput& Input);
  // Where the window system's mouse event goes, as Qt routes it: a press
  // with no button held before goes to the widget under it, which then
  // has every mouse event until the last button is let go; a drag or a
  // release that no press started goes nowhere.
  TTarget Route(const QEvent& Event, bool OnImage);

  const TImage* FImage;
  TDragState FState;
  TTarget FGrab; // the widget that has the mouse while buttons are held, if any
};
