// gorvanel: the Mandelbrot set viewer.

#include "Main.h"

#include <QApplication>

#include <cstdio>
#include <cstring>
#include <exception>
#include <memory>

namespace {

constexpr char Usage[] =
    "Usage: gorvanel [--help] [--version] [Qt options]\n"
    "Shows the Mandelbrot set in a window, exactly, in 80-bit extended precision.\n"
    "\n"
    "  Left drag     zoom into the rectangle\n"
    "  Right click   go back one view\n"
    "  Esc           cancel a drag, or close the window\n"
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

} // namespace

int main(int argc, char** argv) {
  if (AnswersInfoOption(argc, argv))
    return 0;
  QApplication Application(argc, argv);
  std::unique_ptr<TMainForm> MainForm;
  try {
    MainForm = std::make_unique<TMainForm>();
  } catch (const std::exception& Error) {
    // Without its first image the window has nothing to show.
    std::fprintf(stderr, "gorvanel: cannot render the start view: %s\n", Error.what());
    return 1;
  }
  MainForm->show();
  return QApplication::exec();
}
