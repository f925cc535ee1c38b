// The editor's composition: every module of the program, created once and in this order. Creation
// order is menu and toolbar order and the order of every registry walk, so a new module takes its
// numbered place here.
#include "Model.h"

#include "MainForm.h"
#include "Module.h"
#include "QvApplication.h"
#include "QvCrop2Tool.h"
#include "QvDemonstration.h"
#include "QvGraphicsEditor.h"
#include "QvOriginalImageTool.h"
#include "QvRedEyeTool.h"
#include "QvResizeTool.h"
#include "QvRotateTool.h"
#include "QvToolPanel.h"

#include <QToolBar>

void ComposeEditor(TModule& Root) {
  // 1. The graphics editor; its constructor creates the main window as the first form and the
  //    scroll (hand) tool after it.
  Application->CreateModule(GraphicsEditor);
  // 2. The images folder (demonstration scripts and their pictures) beside the executable.
  GraphicsEditor->SetImagesFolder(Application->DataFolder(QStringLiteral("Images")));
  // 3. System information.
  // 4. Printing.
  // 5. Help.
  // 6. Demonstrations: their folder is the images folder, and they are shown at start-up unless the
  //    settings say otherwise.
  Application->CreateModule(DemonstrationModule);
  DemonstrationModule->SetDemoFolder(GraphicsEditor->ImagesFolder());
  DemonstrationModule->SetShowAtStartup(true);
  // 7. The demo editor.
  // 8. About.
  // 9. The tool panel.
  Application->CreateModule(ToolPanelModule);
  // 10. A separator on the standard toolbar after the buttons made so far; the tools' buttons follow.
  Root.ToolbarSeparator = GraphicsEditor->StandardToolbar->addSeparator();
  // 11. The tools, in button order: original image, red eye, gleam, brightness and contrast,
  //     undo brush, rotate, resize, crop, text.
  Application->CreateModule(OriginalImageTool);
  Application->CreateModule(RedEyeTool);
  //     Gleam, brightness and contrast and the undo brush come here.
  Application->CreateModule(RotateTool);
  Application->CreateModule(ResizeTool);
  Application->CreateModule(Crop2Tool);
  //     Text follows here.
  // 12. The red-eye tool becomes the graphics editor's default tool.
  GraphicsEditor->SetDefaultTool(RedEyeTool);
}
