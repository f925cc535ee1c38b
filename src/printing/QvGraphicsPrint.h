// The print module: Print on the File menu and the standard toolbar, the program's printer, and
// the question that comes instead of the dialog when no printer is set up.
#pragma once

#include "QvModules.h"

#include <QString>

#include <functional>
#include <memory>

class QAction;
class TQvPrinter;

class TQvGraphicsPrintModule : public TQvModuleWithControls {
  Q_OBJECT

 public:
  // The desktop's printer settings, when one of them is installed.
  static constexpr const char* PrinterSettingsPrograms[] = {"system-config-printer", "gnome-control-center",
                                                            "systemsettings"};

  TQvGraphicsPrintModule();
  ~TQvGraphicsPrintModule() override;

  void Localize() override;
  void UpdateControls() override;

  // With printers: the Print dialog for the active document. Without: the question whether to add
  // one, and on Yes the desktop's printer settings (or how to find them).
  virtual void PrintCommand(QObject* Sender = nullptr);

  // The program's printer, made at start-up.
  TQvPrinter& Printer() { return *FPrinter; }

  // Starts the printer settings program; replaced in tests. Returns false when none could start.
  std::function<bool()> AddPrinter;
  // The first printer settings program found on the search path; empty when there is none.
  static QString FindPrinterSettings();

  QAction* PrintMenuSeparator = nullptr;
  QAction* PrintMenuItem = nullptr;
  QAction* PrintToolButton = nullptr;

 private:
  bool StartPrinterSettings();

  std::unique_ptr<TQvPrinter> FPrinter;
};

extern TQvGraphicsPrintModule* GraphicsPrintModule;
