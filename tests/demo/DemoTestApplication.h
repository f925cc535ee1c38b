// The widget application the demonstration tests need (offscreen unless the caller chose a platform).
#pragma once

#include <QApplication>
#include <QCoreApplication>

inline void EnsureWidgetApplication() {
  if (qobject_cast<QApplication*>(QCoreApplication::instance())) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int Argc = 1;
  static char Arg0[] = "test_demo";
  static char* Argv[] = {Arg0, nullptr};
  new QApplication(Argc, Argv);  // lives until the process ends
}
