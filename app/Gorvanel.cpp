// gorvanel: the Mandelbrot set viewer.

#include "Image.h"
#include "Main.h"
#include "RenderMandelbrot.h"
#include "ViewCommand.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>
#include <QtGlobal>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr char Usage[] =
    "Usage: gorvanel [--print-views] [Qt options]\n"
    "       gorvanel --help | --version\n"
    "Shows the Mandelbrot set in a window, exactly, in 80-bit extended precision.\n"
    "\n"
    "  Left drag     zoom into the rectangle\n"
    "  Right click   go back one view\n"
    "  Esc           cancel a drag, or close the window\n"
    "\n"
    "  --print-views  for every view shown, print the gorvanel-render command\n"
    "                 line that renders it exactly\n"
    "\n"
    "Qt's standard options (-platform, -display, ...) work as in any Qt program;\n"
    "other arguments are ignored. gorvanel-render renders views to files.\n";

// --help and --version answer without opening a window (or needing a display).
bool AnswersInfoOption(int argc, char** argv) {
  for (int K = 1; K < argc; ++K) {
    if (std::strcmp(argv[K], "--help") == 0) {
      std::fputs(Usage, stdout);
      return true;
    }
    if (std::strcmp(argv[K], "--version") == 0) {
      std::printf("gorvanel %s\n", GORVANEL_VERSION);
      return true;
    }
  }
  return false;
}

// While the application starts, Qt's messages are held back. Without a
// display Qt ends in a fatal message and abort(); this says so in one line
// and exits with status 1 instead. Once started, the held messages go out
// as Qt would have written them.
class TStartupMessages {
public:
  TStartupMessages() { FPrevious = qInstallMessageHandler(&Hold); }
  ~TStartupMessages() {
    qInstallMessageHandler(FPrevious);
    for (const auto& [Type, Text] : FHeld)
      if (FPrevious)
        FPrevious(Type, QMessageLogContext(), Text);
    FHeld.clear();
  }
  TStartupMessages(const TStartupMessages&) = delete;
  TStartupMessages& operator=(const TStartupMessages&) = delete;

private:
  static void Hold(QtMsgType Type, const QMessageLogContext&, const QString& Text) {
    if (Type == QtFatalMsg) {
      std::fprintf(stderr, "gorvanel: cannot open a display: %s\n", FirstLine(Text).c_str());
      std::_Exit(1);
    }
    FHeld.emplace_back(Type, Text);
  }
  static std::string FirstLine(const QString& Text) {
    // Qt's own explanation goes on for several lines; its first sentence
    // names the platform that failed.
    for (const auto& [Type, Held] : FHeld)
      if (Held.contains(QLatin1String("display")))
        return Named(Held.section(QLatin1Char('\n'), 0, 0).trimmed()).toStdString();
    return Text.section(QLatin1Char('\n'), 0, 0).toStdString();
  }
  // Qt names the display it could not reach; with none set, the name is
  // empty, and the message says why instead.
  static QString Named(const QString& Line) {
    if (Line.endsWith(QLatin1String("display")) && qEnvironmentVariableIsEmpty("DISPLAY"))
      return Line + QLatin1String(": DISPLAY is not set");
    return Line;
  }

  static inline QtMessageHandler FPrevious = nullptr;
  static inline std::vector<std::pair<QtMsgType, QString>> FHeld;
};

// The window icon: the view the installed icons show, rendered at their
// sizes (a few milliseconds), so the binary carries no image data.
QIcon WindowIcon() {
  constexpr TExtended View[] = {GORVANEL_ICON_VIEW}; // left, top, right, bottom
  QIcon Icon;
  for (const int Size : {GORVANEL_ICON_SIZES})
    Icon.addPixmap(QPixmap::fromImage(
        ToQImage(RenderMandelbrot({View[0], View[1]}, {View[2], View[3]}, Size, Size))));
  return Icon;
}

} // namespace

int main(int argc, char** argv) {
  if (AnswersInfoOption(argc, argv))
    return 0;
  // The desktop entry's name: the Wayland app id, and what desktops match
  // the X11 window class against.
  QGuiApplication::setDesktopFileName(QStringLiteral(GORVANEL_APP_ID));
  std::unique_ptr<TStartupMessages> Startup = std::make_unique<TStartupMessages>();
  QApplication Application(argc, argv);
  Startup.reset();
  QApplication::setWindowIcon(WindowIcon());
  TViewListener PrintView;
  for (int K = 1; K < argc; ++K)
    if (std::strcmp(argv[K], "--print-views") == 0)
      PrintView = [](TExtended Top, TExtended Left, TExtended Bottom, std::int32_t Width,
                     std::int32_t Height) {
        std::printf("%s\n", RenderCommand(Top, Left, Bottom, Width, Height).c_str());
        std::fflush(stdout);
      };
  std::unique_ptr<TMainForm> MainForm;
  try {
    MainForm = std::make_unique<TMainForm>(TMainForm::DefaultRenderer(),
                                           QSize(TMainForm::ImageWidth, TMainForm::ImageHeight),
                                           PrintView);
  } catch (const std::exception& Error) {
    // Without its first image the window has nothing to show.
    std::fprintf(stderr, "gorvanel: cannot render the start view: %s\n", Error.what());
    return 1;
  }
  MainForm->show();
  return QApplication::exec();
}
