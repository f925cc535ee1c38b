// The editor's command line: one optional file to open, and the options that start a
// demonstration: "--demo NAME" plays the named demonstration after start-up instead of showing
// the browser; "--demo-speed FACTOR" (for tests) runs the demonstrations' clock that much faster.
#pragma once

#include <QString>
#include <QStringList>

struct TQvCommandLine {
  QString FileName;  // the first argument that is not an option; empty when none
  QString Demo;
  double DemoSpeed = 0;  // 0 when not given

  // Arguments without the program name. An option without its value is ignored.
  static TQvCommandLine Parse(const QStringList& Arguments);
  // The running program's own command line.
  static TQvCommandLine Program();
};
