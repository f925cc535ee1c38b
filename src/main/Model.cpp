// The editor's composition: every module of the program, created once and in this order. Creation
// order is menu and toolbar order and the order of every registry walk, so a new module takes its
// numbered place here.
#include "Model.h"

#include "MainForm.h"
#include "Module.h"
#include "QvAbout.h"
#include "QvApplication.h"
#include "QvBrightnessContrastTool.h"
#include "QvCrop2Tool.h"
#include "QvDemoEditor.h"
#include "QvDemoPlayback.h"
#include "QvDemonstration.h"
#include "QvGlareTool.h"
#include "QvGraphicsEditor.h"
#include "QvGraphicsPrint.h"
#include "QvHelp.h"
#include "QvOriginalImageTool.h"
#include "QvRedEyeTool.h"
#include "QvResizeTool.h"
#include "QvRotateTool.h"
#include "QvSystemInfo.h"
#include "QvTWAIN.h"
#include "QvTextTool.h"
#include "QvToolPanel.h"
#include "QvUndoBrushTool.h"

#include <QToolBar>

void ComposeEditor(TModule& Root) {
  // 1. The graphics editor; its constructor creates the main window as the first form and the
  //    scroll (hand) tool after it.
  Application->CreateModule(GraphicsEditor);
  //    The editor's scanner component, right behind it; the editor takes over its events.
  Application->CreateModule(TWAINComponent);
  GraphicsEditor->SetScanner(TWAINComponent, TWAINComponent);
  // 2. The images folder (demonstration scripts and their pictures) beside the executable.
  GraphicsEditor->SetImagesFolder(Application->DataFolder(QStringLiteral("Images")));
  // 3. System information.
  Application->CreateModule(SystemInfoModule);
  // 4. Printing.
  Application->CreateModule(GraphicsPrintModule);
  // 5. Help.
  Application->CreateModule(HelpModule);
  // 6. Demonstrations: their folder is the images folder, and they are shown at start-up unless the
  //    settings say otherwise.
  Application->CreateModule(DemonstrationModule);
  DemonstrationModule->SetDemoFolder(GraphicsEditor->ImagesFolder());
  DemonstrationModule->SetShowAtStartup(true);
  //    The editor's script errors (an image a script cannot open) stop the playback like any other.
  GraphicsEditor->DemoErrorReporter = [](TQvDemoPlayback* Playback, const QString& Message) {
    if (Playback) Playback->Error(Message);
  };
  // 7. The demo editor: its hidden File item opens the window that records and plays scripts.
  Application->CreateModule(DemoEditorModule);
  // 8. About, with the program's about box.
  Application->CreateModule(AboutModule);
  AboutModule->SetContent(QvProgramAboutItems, 8, QStringLiteral("About"));
  // 9. The tool panel.
  Application->CreateModule(ToolPanelModule);
  // 10. A separator on the standard toolbar after the buttons made so far; the tools' buttons follow.
  Root.ToolbarSeparator = GraphicsEditor->StandardToolbar->addSeparator();
  // 11. The tools, in button order: original image, red eye, gleam, brightness and contrast,
  //     undo brush, rotate, resize, crop, text.
  Application->CreateModule(OriginalImageTool);
  Application->CreateModule(RedEyeTool);
  Application->CreateModule(GlareTool);
  Application->CreateModule(BrightnessContrastTool);
  Application->CreateModule(UndoBrushTool);
  Application->CreateModule(RotateTool);
  Application->CreateModule(ResizeTool);
  Application->CreateModule(Crop2Tool);
  Application->CreateModule(TextTool);
  // 12. The red-eye tool becomes the graphics editor's default tool.
  GraphicsEditor->SetDefaultTool(RedEyeTool);
}
