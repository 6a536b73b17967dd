#pragma once

#include "Bitmap.h"
#include "Extended.h"
#include "Image.h"
#include "InputRule.h"
#include "RenderMandelbrot.h"
#include "RenderWait.h"
#include "View.h"
#include "ZoomView.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <stop_token>
#include <vector>

// What a render gets besides its view: a stop token (once it is triggered
// the renderer may throw TRenderStopped) and the progress to keep.
struct TRenderControl {
  std::stop_token Stop;
  TRenderProgress* Progress = nullptr;
};

// Renders a view (top-left and bottom-right corners) at a size in pixels.
using TRenderer = std::function<TBitmap(const TExtPoint&, const TExtPoint&, std::int32_t,
                                        std::int32_t, const TRenderControl&)>;

// Told of every view the window shows: its edges and the image size.
using TViewListener =
    std::function<void(TExtended Top, TExtended Left, TExtended Bottom, std::int32_t, std::int32_t)>;

// The main window: the current view and its image, zooming by a dragged
// rectangle, going back through the zoom history, Esc. Its drag state
// (Selecting, StartX, ...) is a TDragState, which the input rule changes.
class TMainForm : public QWidget, private TDragState {
  Q_OBJECT

public:
  // The layout at 96 pixels per inch; Qt scales it on other screens.
  static constexpr int ClientWidth = 592, ClientHeight = 367;
  static constexpr int ImageLeft = 8, ImageTop = 8;
  static constexpr int ImageWidth = DefaultImageWidth, ImageHeight = DefaultImageHeight;

  // Renders the start view before the window is shown. Throws when that
  // render fails: there is no sensible window to show without an image.
  // Tests pass their own renderer and a smaller image area. OnView, when
  // given, hears of the start view, each zoom and each return.
  explicit TMainForm(TRenderer Renderer = DefaultRenderer(),
                     QSize ImageSize = {ImageWidth, ImageHeight}, TViewListener OnView = {});

  static TRenderer DefaultRenderer();

  // Returns to the view before the last zoom; does nothing at the start view.
  void GoBack();

protected:
  void keyPressEvent(QKeyEvent* Event) override;

private slots:
  void Image1MouseDown(TMouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
  void Image1MouseMove(Qt::KeyboardModifiers Shift, int X, int Y);
  void Image1MouseUp(TMouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);

private:
  friend class TMainFormTest;
  friend class TRenderWaitTest;
  friend class TRandomEventSequence;
  friend class TInputReplayTest;

  void FormCreate();
  void FormKeyDown(int Key, Qt::KeyboardModifiers Shift);
  TBitmap RenderView(TExtended Top, TExtended Left, TExtended Bottom,
                     const TInputWatch& Watch = {});
  // Does what the input rule said an event calls for.
  void Perform(TInputEffect Effect);
  void Zoom();
  void RestoreLastView();
  void ViewShown() const;

  TImage* Image1 = nullptr; // owned by this window (Qt parent-child)
  // Declared in this order, they are released as the window goes: the
  // current image first, then the history from its oldest entry.
  std::vector<TBitmapDetail> History;
  TBitmap Bitmap; // the current view's image, never with an overlay
  TExtended ViewTop = 0;
  TExtended ViewLeft = 0;
  TExtended ViewBottom = 0;

  TRenderer FRenderer;
  TViewListener FOnView;
};
