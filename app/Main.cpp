#include "Main.h"

#include "BusyCursor.h"
#include "InputReplay.h"
#include "TaskBarProgress.h"
#include "ThreadPriority.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

static_assert(EscapeKey == Qt::Key_Escape);

#include <cstdio>
#include <algorithm>
#include <exception>
#include <utility>

namespace {

constexpr char Caption[] = "Gorvanel - The Mandelbrot Set";

// Event handlers must not let exceptions into Qt's event loop: report the
// failure on stderr and carry on with the window as it is.
template <class TAction> void Guarded(const char* What, TAction Action) {
  try {
    Action();
  } catch (const std::exception& Error) {
    std::fprintf(stderr, "gorvanel: %s failed: %s\n", What, Error.what());
  }
}

} // namespace

TRenderer TMainForm::DefaultRenderer() {
  return [](const TExtPoint& TopLeft, const TExtPoint& BottomRight, std::int32_t Width,
            std::int32_t Height, const TRenderControl& Control) {
    TRenderOptions Options;
    Options.Stop = Control.Stop;
    Options.Progress = Control.Progress;
    return RenderFrame(TopLeft, BottomRight, Width, Height, Options).Image;
  };
}

TMainForm::TMainForm(TRenderer Renderer, QSize ImageSize, TViewListener OnView)
    : FRenderer(std::move(Renderer)), FOnView(std::move(OnView)) {
  setWindowTitle(Caption);
  // A normal application window (so task bars and switchers list it) of a
  // fixed size, with a close box and no minimise or maximise box where the
  // window manager honours such hints.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);
  const QSize Client(ImageSize.width() + ClientWidth - ImageWidth,
                     ImageSize.height() + ClientHeight - ImageHeight);
  setFixedSize(Client);
  setBackgroundRole(QPalette::Window);
  setAutoFillBackground(true);
  setFocusPolicy(Qt::StrongFocus);

  Image1 = new TImage(this);
  Image1->setGeometry(ImageLeft, ImageTop, ImageSize.width(), ImageSize.height());
  connect(Image1, &TImage::MouseDown, this, &TMainForm::Image1MouseDown);
  connect(Image1, &TImage::MouseMove, this, &TMainForm::Image1MouseMove);
  connect(Image1, &TImage::MouseUp, this, &TMainForm::Image1MouseUp);

  if (const QScreen* Screen = QGuiApplication::primaryScreen()) {
    QRect Frame(QPoint(), Client);
    Frame.moveCenter(Screen->availableGeometry().center());
    setGeometry(Frame);
  }
  FormCreate();
}

void TMainForm::FormCreate() {
  ViewTop = StartViewTop;
  ViewLeft = StartViewLeft;
  ViewBottom = StartViewBottom;
  Bitmap = RenderView(ViewTop, ViewLeft, ViewBottom);
  Image1->Draw(Bitmap);
  History.clear();
  ViewShown();
}

void TMainForm::ViewShown() const {
  if (FOnView)
    FOnView(ViewTop, ViewLeft, ViewBottom, Image1->PixelWidth(), Image1->PixelHeight());
}

TBitmap TMainForm::RenderView(TExtended Top, TExtended Left, TExtended Bottom,
                              const TInputWatch& Watch) {
  const std::int32_t Width = Image1->PixelWidth(), Height = Image1->PixelHeight();
  const TExtended Right = ViewRight(Top, Left, Bottom, Width, Height);
  const TBusyCursor Cursor;
  TRenderProgress Progress;
  const TTaskBarProgress TaskBar(Progress);
  // The render runs on threads of its own while this thread answers the
  // window system; input waits. Only the render's threads run at the lowered
  // priority (its helpers inherit it): a waiting thread at that priority
  // would not take the processor from them when the window system calls.
  TBitmap Image;
  RunAnswering(
      *this,
      [&](std::stop_token Stop) {
        const TBelowNormalPriority Priority;
        Image = FRenderer({Left, Top}, {Right, Bottom}, Width, Height, {Stop, &Progress});
      },
      Watch);
  return Image;
}

void TMainForm::keyPressEvent(QKeyEvent* Event) {
  FormKeyDown(Event->key(), Event->modifiers());
  if (Event->key() != Qt::Key_Escape)
    QWidget::keyPressEvent(Event); // other keys pass on unchanged
}

void TMainForm::FormKeyDown(int Key, Qt::KeyboardModifiers) {
  Perform(ApplyInput(*this, {TWindowInput::TKind::Key, TMouseButton::mbLeft, Key}));
}

void TMainForm::Image1MouseDown(TMouseButton Button, Qt::KeyboardModifiers, int X, int Y) {
  Perform(ApplyInput(*this, {TWindowInput::TKind::MouseDown, Button, 0, X, Y}));
}

void TMainForm::Image1MouseMove(Qt::KeyboardModifiers, int X, int Y) {
  Perform(ApplyInput(*this, {TWindowInput::TKind::MouseMove, TMouseButton::mbLeft, 0, X, Y}));
}

void TMainForm::Image1MouseUp(TMouseButton Button, Qt::KeyboardModifiers, int X, int Y) {
  Perform(ApplyInput(*this, {TWindowInput::TKind::MouseUp, Button, 0, X, Y}));
}

void TMainForm::Perform(TInputEffect Effect) {
  switch (Effect) {
  case TInputEffect::None:
    break;
  case TInputEffect::DrawBand:
    Guarded("drawing the selection", [&] {
      Image1->Draw(WithWhiteFrame(Bitmap, std::min(StartX, LastX), std::min(StartY, LastY),
                                  std::max(StartX, LastX), std::max(StartY, LastY)));
    });
    break;
  case TInputEffect::WipeBand:
    Image1->Draw(Bitmap);
    break;
  case TInputEffect::Zoom:
    Zoom();
    break;
  case TInputEffect::GoBack:
    GoBack();
    break;
  case TInputEffect::Close:
    close();
    break;
  }
}

void TMainForm::GoBack() {
  if (History.empty())
    return;
  Guarded("going back", [this] {
    // The framed copy is made first, so a failure leaves everything as it was.
    TBitmapDetail& Entry = History.back();
    const TBitmap Framed =
        WithWhiteFrame(Entry.Bitmap, Entry.StartX, Entry.StartY, Entry.EndX, Entry.EndY);
    RestoreLastView();
    Image1->Draw(Framed);
    ViewShown();
  });
}

// The last history entry becomes the current view again, with its image.
void TMainForm::RestoreLastView() {
  TBitmapDetail& Entry = History.back();
  ViewTop = Entry.ViewTop;
  ViewLeft = Entry.ViewLeft;
  ViewBottom = Entry.ViewBottom;
  Bitmap = std::move(Entry.Bitmap);
  History.pop_back();
}

// Pushes the current view and zooms into the selected rectangle: its rows
// give the new top and bottom, its left column the new left edge; the right
// edge follows from the image's aspect ratio.
void TMainForm::Zoom() {
  bool Abandoned = false;
  Guarded("zooming", [&] {
    History.emplace_back(); // the only step that may fail before anything changed
    History.back() = {ViewTop, ViewLeft, ViewBottom, std::move(Bitmap), StartX, StartY, EndX, EndY};
    const TViewEdges View =
        ZoomedView({ViewTop, ViewLeft, ViewBottom}, Image1->PixelHeight(), StartX, StartY, EndY);
    ViewTop = View.Top;
    ViewLeft = View.Left;
    ViewBottom = View.Bottom;
    // Input held during the render may go back past the new view or close
    // the window before its image would ever be shown: the render then
    // stops. The view stays, unshown and without an image, for that input
    // to leave as it would have left the finished one.
    const auto Replay = [Replay = TInputReplay(*Image1, *this)](
                            QObject* Receiver, const QEvent& Event) mutable {
      return Replay.Next(Receiver, Event);
    };
    try {
      Bitmap = RenderView(ViewTop, ViewLeft, ViewBottom, Replay);
    } catch (const TRenderStopped&) {
      Bitmap = TBitmap();
      Abandoned = true;
      return;
    } catch (const std::exception&) {
      RestoreLastView(); // back to the view the zoom started from
      throw;
    }
    ViewShown();
  });
  if (!Abandoned)
    Image1->Draw(Bitmap);
}
