// The editor composed as the program composes it, once for the whole test program: its data
// folders are the ones the build copies beside the executables, its settings folder is private,
// and every message box is kept and answered by the test instead of being shown.
#pragma once

#include "QvApplication.h"

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <vector>

struct TShownBox {
  QString Text;
  int Flags = 0;
  bool IsError() const { return (Flags & QvMB::MB_ICONMASK) == QvMB::MB_ICONERROR; }
  bool IsQuestion() const { return (Flags & QvMB::MB_ICONMASK) == QvMB::MB_ICONQUESTION; }
};

class TEditorProcess {
 public:
  // Starts the editor on first use: composition, settings, initialisation and start of every
  // module, the main window shown. The start-up browser stays closed.
  static TEditorProcess& Get();

  TQvApplication& App() { return *FApp; }
  // The folder of the shipped tutorials and their pictures, with a trailing "/".
  QString DemoFolder() const;
  // The names (file names without ".dsc") of the tutorials found there, sorted.
  QStringList TutorialNames() const;

  // Runs the event loop as the program's own does (it waits for events, so the idle refresh of the
  // menus, buttons and tool frames happens) until Done or TimeoutMs have passed; returns Done().
  static bool RunUntil(const std::function<bool()>& Done, int TimeoutMs);

  // Every box shown, in order; Answer gives each one's result (Yes to questions, OK otherwise).
  std::vector<TShownBox> Boxes;
  std::function<int(const TShownBox&)> Answer;

 private:
  TEditorProcess();

  QTemporaryDir FConfig;
  std::unique_ptr<TQvApplication> FApp;
};
