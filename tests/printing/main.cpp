// One GoogleTest main for the printing tests: widgets need a QApplication (offscreen by default),
// and the printers are the spooler's that CUPS_SERVER names. Without one the tests see no printer
// at all, whatever the machine has set up.
#include "QvGraphicsPrintForm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("CUPS_SERVER")) qputenv("CUPS_SERVER", "/nonexistent/ocuvane-test-cups.sock");
  QApplication app(argc, argv);
  QLocale::setDefault(QLocale::c());
  TQvGraphicsPrintForm::MeasurementSystem = [] { return QLocale::MetricSystem; };
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
