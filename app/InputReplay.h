#pragma once

#include "Image.h"
#include "RenderWait.h"

// Replays in the head the input held while a zoom renders, from the state
// the window will be in when the render ends, to tell whether the new image
// will ever be shown. It will not when the first event that acts on the
// window is a right press on the image (going back discards the image), Esc
// with no drag (it closes the window) or a close request. It will when that
// event is a move to a new place during a drag, a release that ends a drag
// or Esc during a drag. Nothing else acts: moves and releases with no drag,
// a left press (it anchors a drag and draws nothing), a move to where the
// last rubber band was drawn, other buttons, other keys. Input it cannot
// place is taken to need the image, which is never wrong, only slower.
class TInputReplay {
public:
  // Image: the window's image control, a direct child of the window.
  // Selecting, LastX and LastY: the window's drag state.
  TInputReplay(const TImage& Image, bool Selecting, int LastX, int LastY);

  THeldInput Next(QObject* Receiver, const QEvent& Event);

private:
  // The widget a mouse event reaches: none, the image, the window around
  // it, or one this cannot tell.
  enum class TTarget { None, Image, Window, Unknown };

  THeldInput Mouse(QObject* Receiver, const QEvent& Event);
  THeldInput Key(const QEvent& Event) const;
  // Where the window system's mouse event goes, as Qt routes it: a press
  // with no button held before goes to the widget under it, which then
  // has every mouse event until the last button is let go; a drag or a
  // release that no press started goes nowhere.
  TTarget Route(const QEvent& Event, bool OnImage);

  const TImage* FImage;
  bool FSelecting;
  int FLastX, FLastY;
  TTarget FGrab; // the widget that has the mouse while buttons are held, if any
};
