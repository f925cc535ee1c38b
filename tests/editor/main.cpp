// One GoogleTest main for every editor test: widgets need a QApplication, offscreen by default.
#include <gtest/gtest.h>

#include "QvLTBitmap.h"

#include <QApplication>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Documents keep large photos in shareable memory; every image of these tests goes there too.
  TQvLTBitmap::SharedBlockThreshold = 0;
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
