#include "Module.h"

#include "MainForm.h"
#include "QvAbout.h"
#include "QvHelp.h"
#include "QvSystemInfo.h"
#include "QvApplication.h"
#include "QvCursors.h"
#include "QvLocalizer.h"
#include "QvToolPanel.h"

TModule* Module = nullptr;
TModule::TComposition TModule::Composition = nullptr;

void QvUnitStartup() {
  Localizer().Load(Application ? Application->DataFolder(QStringLiteral("Languages")) : QString(),
                   QStringLiteral(":/Languages/English.ini"));
  // The help viewer, the lossless JPEG engine and the printer wrapper are set up here, after the
  // localizer and before the cursors.
  RegisterCustomCursors();
}

TModule::TModule() {
  setObjectName(QStringLiteral("Module"));
  try {
    Compose();
  } catch (const std::exception& E) {
    if (Application) Application->ShowException(E);
  } catch (...) {
    if (Application) Application->ShowException(QStringLiteral("Unknown error"));
  }
}

TModule::~TModule() {
  if (Module == this) Module = nullptr;
  if (Application) Application->RemoveComponent(this);
}

void TModule::Compose() {
  if (Composition) {
    Composition(*this);
    return;
  }
  ComposeShell(*this);
}

void ComposeShell(TModule&) {
  // 1. The graphics editor, whose constructor creates the main window as the first form. Until the
  //    editor exists, the main window is created here in its place.
  Application->CreateForm(MainForm);
  // 2. The graphics editor's images folder: ExecutableFolder() + "Images/".
  // 3. System information.
  Application->CreateModule(SystemInfoModule);
  // 4. Printing.
  // 5. Help.
  Application->CreateModule(HelpModule);
  // 6. Demonstrations (their folder is the images folder; shown at start-up unless the settings say no).
  // 7. The demo editor.
  // 8. About, with the program's about box.
  Application->CreateModule(AboutModule);
  AboutModule->SetContent(QvProgramAboutItems, 8, QStringLiteral("About"));
  // 9. The tool panel.
  Application->CreateModule(ToolPanelModule);
  // 10. A separator on the graphics editor's standard toolbar, after the buttons made so far:
  //     ToolbarSeparator.
  // 11. The tools, in button order: original image, red eye, gleam, brightness and contrast,
  //     undo brush, rotate, resize, crop, text.
  // 12. The red-eye tool becomes the graphics editor's default tool.
}
