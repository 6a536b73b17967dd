#include "BitmapTest.h"
#include "ServicesTest.h"

#include <QApplication>
#include <QTest>

int main(int argc, char** argv) {
  QApplication Application(argc, argv);
  int Failures = 0;
  TBitmapTest Bitmap;
  Failures += QTest::qExec(&Bitmap, argc, argv);
  TServicesTest Services;
  Failures += QTest::qExec(&Services, argc, argv);
  return Failures == 0 ? 0 : 1;
}
