// gorvanel: the Mandelbrot set viewer.

#include "Main.h"

#include <QApplication>

#include <cstdio>
#include <exception>
#include <memory>

int main(int argc, char** argv) {
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
