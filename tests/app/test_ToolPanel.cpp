// The tool panel: its place and visibility between runs, option frames, wrapping buttons.
#include "AppFixture.h"

#include "MainForm.h"
#include "Module.h"
#include "QvAbout.h"
#include "QvHelp.h"
#include "QvSystemInfo.h"
#include "QvToolPanel.h"

#include <QCoreApplication>
#include <QDockWidget>
#include <QMenu>
#include <QLabel>
#include <QVBoxLayout>

namespace {

class ToolPanelTest : public AppFixture {};

TEST_F(ToolPanelTest, StartsDockedOnTheRightAndVisible) {
  auto App = StartEditor();
  App->LoadSettings();
  ASSERT_NE(ToolPanelModule, nullptr);
  // The composition root, then the main window, then the modules in creation order.
  ASSERT_EQ(App->ComponentCount(), 6);
  EXPECT_EQ(App->Components(0), Module);
  EXPECT_EQ(App->Components(1), MainForm);
  EXPECT_EQ(App->Components(2), SystemInfoModule);
  EXPECT_EQ(App->Components(3), HelpModule);
  EXPECT_EQ(App->Components(4), AboutModule);
  EXPECT_EQ(App->Components(5), ToolPanelModule);
  EXPECT_EQ(MainForm->dockWidgetArea(ToolPanelModule->Panel), Qt::RightDockWidgetArea);
  EXPECT_TRUE(ToolPanelModule->IsPanelVisible());
  EXPECT_FALSE(ToolPanelModule->Panel->features() & QDockWidget::DockWidgetFloatable);
  // The View item stands before the Toolbars submenu.
  const QList<QAction*> View = MainForm->ViewMenuItem->actions();
  EXPECT_EQ(View.indexOf(ToolPanelModule->VisibleMenuItem) + 1, View.indexOf(MainForm->ToolbarsMenuItem->menuAction()));
}

TEST_F(ToolPanelTest, HiddenPanelStaysHiddenAfterRestart) {
  {
    auto App = StartEditor();
    RunAndClose(*App, [] { ToolPanelModule->VisibleMenuItem->trigger(); });
  }
  auto App = StartEditor();
  bool Visible = true, Checked = true;
  RunAndClose(*App, [&] {
    App->DoIdle();
    Visible = ToolPanelModule->IsPanelVisible();
    Checked = ToolPanelModule->VisibleMenuItem->isChecked();
  });
  EXPECT_FALSE(Visible);
  EXPECT_FALSE(Checked);
}

TEST_F(ToolPanelTest, PanelDockedLeftKeepsSideAndWidth) {
  int Width = 0;
  {
    auto App = StartEditor();
    RunAndClose(*App, [&] {
      MainForm->resize(900, 600);
      MainForm->addDockWidget(Qt::LeftDockWidgetArea, ToolPanelModule->Panel);
      MainForm->resizeDocks({ToolPanelModule->Panel.data()}, {260}, Qt::Horizontal);
      QCoreApplication::processEvents();
      Width = ToolPanelModule->Panel->width();
    });
  }
  ASSERT_GT(Width, 200);
  auto App = StartEditor();
  Qt::DockWidgetArea Area = Qt::NoDockWidgetArea;
  int Restored = 0;
  RunAndClose(*App, [&] {
    QCoreApplication::processEvents();
    Area = MainForm->dockWidgetArea(ToolPanelModule->Panel);
    Restored = ToolPanelModule->Panel->width();
  });
  EXPECT_EQ(Area, Qt::LeftDockWidgetArea);
  EXPECT_EQ(Restored, Width);
}

TEST_F(ToolPanelTest, PositionRecordIsAppliedOnlyWhenItsSizeIs47) {
  TQvPanelPosition Docked;
  Docked.DockSide = TQvPanelPosition::Left;
  Docked.DockedWidth = 230;
  Docked.Visible = false;
  const QByteArray Bytes = Docked.ToBytes();
  ASSERT_EQ(Bytes.size(), 47);
  EXPECT_EQ(Bytes.mid(6, 16), QByteArray(16, '\0'));  // the floating group is not written when docked

  TQvPanelPosition Back;
  ASSERT_TRUE(TQvPanelPosition::FromBytes(Bytes, Back));
  EXPECT_EQ(Back.DockSide, TQvPanelPosition::Left);
  EXPECT_EQ(Back.DockedWidth, 230);
  EXPECT_FALSE(Back.Visible);
  QByteArray WrongField = Bytes;
  WrongField[0] = 46;
  EXPECT_FALSE(TQvPanelPosition::FromBytes(WrongField, Back));
  EXPECT_FALSE(TQvPanelPosition::FromBytes(Bytes.left(46), Back));

  // A side without a dock lets the panel float; a floating record is applied as recorded.
  auto App = StartEditor();
  TQvPanelPosition Odd;
  Odd.DockSide = 7;
  ToolPanelModule->SetPanelPosition(Odd);
  EXPECT_TRUE(ToolPanelModule->Panel->isFloating());
  TQvPanelPosition Floating;
  Floating.Floating = true;
  Floating.FloatingRect = QRect(30, 40, 250, 300);
  ToolPanelModule->SetPanelPosition(Floating);
  EXPECT_TRUE(ToolPanelModule->Panel->isFloating());
  EXPECT_EQ(ToolPanelModule->Panel->size(), QSize(250, 300));
  EXPECT_EQ(ToolPanelModule->GetPanelPosition().FloatingRect.size(), QSize(250, 300));
}

class TOptionFrame : public TQvFrame {
 public:
  explicit TOptionFrame(QWidget* Parent) : TQvFrame(Parent) {
    auto* Layout = new QVBoxLayout(this);
    Layout->addWidget(new QLabel(QStringLiteral("options"), this));
  }
  void Localize() override { ++Localized; }
  int Localized = 0;
};

TEST_F(ToolPanelTest, OptionFramesAreInitialisedAndButtonsWrap) {
  auto App = StartEditor();
  App->LoadSettings();
  TOptionFrame* Frame = nullptr;
  ToolPanelModule->CreateOptionFrame(Frame);
  ASSERT_NE(Frame, nullptr);
  EXPECT_TRUE(Frame->ControlsEnabled());
  EXPECT_EQ(Frame->Localized, 1);
  EXPECT_TRUE(ToolPanelModule->Panel->isAncestorOf(Frame));

  for (int I = 0; I < 12; ++I)
    MainForm->AddToolButton(ToolPanelModule->Toolbar, nullptr, nullptr, QStringLiteral("Tool %1").arg(I), I % 10, {});
  const int OneRow = ToolPanelModule->Toolbar->layout()->heightForWidth(2000);
  const int Narrow = ToolPanelModule->Toolbar->layout()->heightForWidth(60);
  EXPECT_GT(Narrow, 2 * OneRow);

  ToolPanelModule->SetPanelWidth(320);
  EXPECT_EQ(ToolPanelModule->Panel->minimumWidth(), 320);
  EXPECT_EQ(ToolPanelModule->Panel->maximumWidth(), 320);
  ToolPanelModule->SetPanelWidth(100);  // below the minimum: ignored
  EXPECT_EQ(ToolPanelModule->Panel->minimumWidth(), 320);
}

}  // namespace
