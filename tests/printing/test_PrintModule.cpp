// The print module in the main window: its menu item and button, when they are enabled, and what
// Print does when no printer is set up (this test program sees no spooler at all).
#include "PrintFixture.h"

#include "MainForm.h"
#include "QvGraphicsEditor.h"
#include "QvGraphicsPrint.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>

namespace {

class PrintModuleWorld : public PrintWorld {
 protected:
  void SetUp() override {
    PrintWorld::SetUp();
    App->CreateModule(GraphicsEditor);
    App->CreateModule(GraphicsPrintModule);
    App->LoadSettings();
  }
  void TearDown() override {
    PrintWorld::TearDown();
    GraphicsEditor = nullptr;
    GraphicsPrintModule = nullptr;
  }
};

QString Sample() { return QStringLiteral(OCUVANE_SOURCE_DIR "/data/Images/red-eyes.jpg"); }

}  // namespace

TEST_F(PrintModuleWorld, PrintSitsInTheFileMenuAndOnTheStandardToolbar) {
  const QList<QAction*> File = MainForm->FileMenuItem->actions();
  const qsizetype Item = File.indexOf(GraphicsPrintModule->PrintMenuItem);
  ASSERT_GT(Item, 0);
  EXPECT_EQ(File[Item - 1], GraphicsPrintModule->PrintMenuSeparator);
  EXPECT_TRUE(GraphicsPrintModule->PrintMenuSeparator->isSeparator());
  EXPECT_EQ(File[Item + 1], MainForm->FileMenuSeparator);
  EXPECT_EQ(GraphicsPrintModule->PrintMenuItem->text(), QStringLiteral("Print..."));
  EXPECT_EQ(GraphicsPrintModule->PrintMenuItem->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
  const QList<QAction*> Tools = GraphicsEditor->StandardToolbar->actions();
  const qsizetype Button = Tools.indexOf(GraphicsPrintModule->PrintToolButton);
  ASSERT_GE(Button, 0);
  EXPECT_EQ(Tools.value(Button + 1), GraphicsEditor->EditToolbarSeparator);
  EXPECT_EQ(GraphicsPrintModule->PrintToolButton->toolTip(), QStringLiteral("Print..."));
}

TEST_F(PrintModuleWorld, EnabledWithADocumentAndNeverInPluginMode) {
  App->DoIdle();
  EXPECT_FALSE(GraphicsPrintModule->PrintMenuItem->isEnabled());
  EXPECT_FALSE(GraphicsPrintModule->PrintToolButton->isEnabled());
  TQvDocument* Doc = nullptr;
  ASSERT_TRUE(GraphicsEditor->OpenFile(Sample(), Doc, false));
  App->DoIdle();
  EXPECT_TRUE(GraphicsPrintModule->PrintMenuItem->isEnabled());
  EXPECT_TRUE(GraphicsPrintModule->PrintToolButton->isEnabled());
  EXPECT_TRUE(GraphicsPrintModule->PrintToolButton->isVisible());
  GraphicsEditor->SetPluginMode(true);
  App->DoIdle();
  EXPECT_FALSE(GraphicsPrintModule->PrintMenuItem->isEnabled());
  EXPECT_FALSE(GraphicsPrintModule->PrintToolButton->isEnabled());
  EXPECT_FALSE(GraphicsPrintModule->PrintToolButton->isVisible());
}

TEST_F(PrintModuleWorld, WithoutAPrinterPrintOffersToAddOne) {
  ASSERT_FALSE(TQvPrinter::HasPrinters());
  TQvDocument* Doc = nullptr;
  ASSERT_TRUE(GraphicsEditor->OpenFile(Sample(), Doc, false));
  int Started = 0;
  bool Starts = false;
  GraphicsPrintModule->AddPrinter = [&] {
    ++Started;
    return Starts;
  };
  const QString Question = QStringLiteral("No printer is installed. Do you want to add a printer now?");

  Answer = QvMB::IDNO;
  GraphicsPrintModule->PrintCommand();
  ASSERT_EQ(Asked.size(), 1u);
  EXPECT_EQ(Asked[0].Text, Question);
  EXPECT_EQ(Asked[0].Caption, QStringLiteral("Print"));
  EXPECT_EQ(Asked[0].Flags, QvMB::MB_YESNO | QvMB::MB_ICONQUESTION);
  EXPECT_EQ(Started, 0);

  // Yes starts the desktop's printer settings...
  Answer = QvMB::IDYES;
  Starts = true;
  GraphicsPrintModule->PrintCommand();
  EXPECT_EQ(Started, 1);
  EXPECT_EQ(Asked.size(), 2u);
  // ...and without any, says how to add a printer.
  Starts = false;
  GraphicsPrintModule->PrintCommand();
  EXPECT_EQ(Started, 2);
  ASSERT_EQ(Asked.size(), 4u);
  EXPECT_EQ(Asked[3].Flags, QvMB::MB_OK | QvMB::MB_ICONINFORMATION);
  EXPECT_TRUE(Asked[3].Text.contains(QStringLiteral("system-config-printer")));
}
