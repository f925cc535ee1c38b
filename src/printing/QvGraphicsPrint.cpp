#include "QvGraphicsPrint.h"

#include "MainForm.h"
#include "QvGraphicsEditor.h"
#include "QvGraphicsPrintForm.h"
#include "QvLocalizer.h"
#include "QvPrinter.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QToolBar>

#include <stdexcept>

TQvGraphicsPrintModule* GraphicsPrintModule = nullptr;

namespace {
QString PrintCaption() { return GetLocalString(21, QStringLiteral("Print")); }
}  // namespace

TQvGraphicsPrintModule::TQvGraphicsPrintModule()
    : AddPrinter([this] { return StartPrinterSettings(); }), FPrinter(std::make_unique<TQvPrinter>()) {
  TMainForm* F = MainForm;
  if (!F || !GraphicsEditor) throw std::runtime_error("Printing needs the main window and the graphics editor.");
  PrintMenuSeparator = F->AddSeparator(F->FileMenuItem, F->FileMenuSeparator);
  PrintMenuItem = F->AddMenuItem(QString(), QKeySequence(Qt::CTRL | Qt::Key_P), F->FileMenuSeparator, F->FileMenuItem,
                                 3, [this] { PrintCommand(this); });
  PrintMenuItem->setObjectName(QStringLiteral("PrintMenuItem"));
  PrintToolButton = F->AddToolButton(GraphicsEditor->StandardToolbar, nullptr, GraphicsEditor->EditToolbarSeparator,
                                     QString(), 3, [this] { PrintCommand(this); });
  PrintToolButton->setObjectName(QStringLiteral("PrintToolButton"));
}

TQvGraphicsPrintModule::~TQvGraphicsPrintModule() {
  if (GraphicsPrintModule == this) GraphicsPrintModule = nullptr;
}

void TQvGraphicsPrintModule::Localize() {
  const QString Caption = PrintCaption() + QStringLiteral("...");
  PrintMenuItem->setText(Caption);
  PrintToolButton->setText(Caption);
  QString Hint = Caption;
  PrintToolButton->setToolTip(Hint.remove(QLatin1Char('&')));
}

void TQvGraphicsPrintModule::UpdateControls() {
  const bool Plugin = GraphicsEditor && GraphicsEditor->PluginMode;
  const bool Enabled = GraphicsEditor && GraphicsEditor->SaveAsMenuItem && GraphicsEditor->SaveAsMenuItem->isEnabled() &&
                       !Plugin;
  PrintMenuItem->setEnabled(Enabled);
  PrintToolButton->setEnabled(Enabled);
  PrintToolButton->setVisible(!Plugin);
}

void TQvGraphicsPrintModule::PrintCommand(QObject*) {
  TQvGraphicsDocument* Doc = GraphicsEditor ? GraphicsEditor->ActiveDocument() : nullptr;
  if (TQvPrinter::HasPrinters()) {
    if (!Doc) return;
    std::unique_ptr<TQvGraphicsPrintForm> Form(CreateInitialized<TQvGraphicsPrintForm>(MainForm, FPrinter.get()));
    Form->SetDocument(Doc);
    Form->exec();
    return;
  }
  const QString Question = GetLocalString(170, QStringLiteral("No printer is installed.")) + QLatin1Char(' ') +
                           GetLocalString(171, QStringLiteral("Do you want to add a printer now?"));
  if (Application->MessageBox(Question, PrintCaption(), QvMB::MB_YESNO | QvMB::MB_ICONQUESTION) != QvMB::IDYES) return;
  if (AddPrinter && AddPrinter()) return;
  Application->MessageBox(
      GetLocalString(5403, QStringLiteral("No program for printer settings was found. Add a printer in your "
                                          "desktop's settings (Printers), or install \"system-config-printer\", "
                                          "or ask your administrator to set one up; then choose Print again.")),
      PrintCaption(), QvMB::MB_OK | QvMB::MB_ICONINFORMATION);
}

QString TQvGraphicsPrintModule::FindPrinterSettings() {
  for (const char* Program : PrinterSettingsPrograms) {
    const QString Path = QStandardPaths::findExecutable(QLatin1String(Program));
    if (!Path.isEmpty()) return Path;
  }
  return QString();
}

bool TQvGraphicsPrintModule::StartPrinterSettings() {
  const QString Program = FindPrinterSettings();
  if (Program.isEmpty()) return false;
  // The desktop's own settings open on their printer page.
  QStringList Arguments;
  if (Program.endsWith(QLatin1String("gnome-control-center"))) Arguments << QStringLiteral("printers");
  if (Program.endsWith(QLatin1String("systemsettings"))) Arguments << QStringLiteral("kcm_printer_manager");
  return QProcess::startDetached(Program, Arguments);
}
