// The composition root: creates every module of the program once, in a fixed order. Creation order
// is menu and toolbar order, and the order of every registry walk (settings, Initialize, Start).
#pragma once

#include "QvImageList.h"

#include <QObject>
#include <QPointer>

class QAction;

class TModule : public QObject {
  Q_OBJECT

 public:
  // Runs the composition. A module whose constructor throws is shown in an error box; the steps
  // after it are skipped and start-up goes on with the modules that exist.
  TModule();
  ~TModule() override;

  // The composition itself lives with the executable, the one place that sees every subsystem;
  // it runs the numbered steps below. Without it only the main window and the tool panel exist.
  using TComposition = void (*)(TModule& Root);
  static TComposition Composition;

  // Small glyphs for the tools' option frames; it exists before any tool is created.
  TQvImageList SmallImages;
  // The separator after the buttons that exist before the tools add theirs to the standard toolbar.
  QPointer<QAction> ToolbarSeparator;

 private:
  void Compose();
};

// The steps of the composition that the application shell can take by itself.
void ComposeShell(TModule& Root);

extern TModule* Module;

// Process-wide set-up before the composition: the localizer (language folder beside the executable,
// the compiled-in English as the base when that folder gives no language) and the cursors.
void QvUnitStartup();
