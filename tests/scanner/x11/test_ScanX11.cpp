// File › Import › the test device › Scan worked through the X server with the real pointer
// (XTest): the status bar follows the pointer while the scan runs, the picture opens untitled, and
// a click with the red-eye tool corrects a red patch of it. Runs under Xvfb (label x11).

#include "MainForm.h"
#include "QvApplication.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsEditor.h"
#include "QvRedEyeTool.h"
#include "QvScanDialog.h"
#include "QvScrollTool.h"
#include "QvTWAIN.h"
#include "QvToolPanel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

// After GoogleTest and Qt: Xlib's macros would otherwise rename their identifiers.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#undef Bool
#undef Status
#undef None

namespace {

// Byte offsets of the channels in a 24-bit pixel.
constexpr int BlueByte = 0;
constexpr int GreenByte = 1;
constexpr int RedByte = 2;

class TPointer {
 public:
  TPointer() : FDisplay(XOpenDisplay(nullptr)) {}
  ~TPointer() {
    if (FDisplay) XCloseDisplay(FDisplay);
  }
  bool Valid() const { return FDisplay != nullptr; }
  void MoveTo(const QPoint& Global) {
    XTestFakeMotionEvent(FDisplay, -1, Global.x(), Global.y(), 0);
    XFlush(FDisplay);
  }
  void Click(const QPoint& Global) {
    MoveTo(Global);
    XTestFakeButtonEvent(FDisplay, 1, 1, 0);
    XTestFakeButtonEvent(FDisplay, 1, 0, 0);
    XFlush(FDisplay);
  }
  void Click(QWidget* Widget, const QRect& Local) { Click(Widget->mapToGlobal(Local.center())); }

 private:
  Display* FDisplay;
};

}  // namespace

TEST(ScanUnderX11, ImportScanOpensThePictureWhileTheWindowRespondsAndRedEyeWorksOnIt) {
  if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X server";
  TPointer Pointer;
  ASSERT_TRUE(Pointer.Valid());
  // The test backend, slowed down so the scan lasts a couple of seconds.
  QTemporaryDir Config;
  {
    QFile Dll(QDir(Config.path()).filePath(QStringLiteral("dll.conf")));
    ASSERT_TRUE(Dll.open(QIODevice::WriteOnly));
    Dll.write("test\n");
    QFile Test(QDir(Config.path()).filePath(QStringLiteral("test.conf")));
    ASSERT_TRUE(Test.open(QIODevice::WriteOnly));
    Test.write("number_of_devices 1\nmode Color\ntest-picture \"Color pattern\"\nresolution 150\n"
               "read-limit true\nread-limit-size 2000\nread-delay true\nread-delay-duration 200000\n");
  }
  qputenv("SANE_CONFIG_DIR", QFile::encodeName(Config.path()));
  QTemporaryDir Transfer;

  auto App = std::make_unique<TQvApplication>();
  QStringList Messages;
  App->SetMessageBoxHandler([&Messages](const QString& Text, const QString&, int) {
    Messages.append(Text);
    return QvMB::IDNO;
  });
  App->CreateModule(GraphicsEditor);
  if (!ScrollTool) App->CreateModule(ScrollTool);
  App->CreateModule(TWAINComponent);
  GraphicsEditor->SetScanner(TWAINComponent, TWAINComponent);
  TWAINComponent->TransferFolder = Transfer.path();
  App->CreateModule(ToolPanelModule);
  App->CreateModule(RedEyeTool);
  RedEyeTool->Localize();
  GraphicsEditor->SetDefaultTool(RedEyeTool);
  MainForm->setGeometry(0, 0, 1000, 760);
  MainForm->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(MainForm));

  // The shipped photograph is open, so the status bar has a picture to describe during the scan.
  TQvDocument* Opened = nullptr;
  ASSERT_TRUE(GraphicsEditor->OpenFile(QStringLiteral(OCUVANE_SOURCE_DIR "/data/Images/red-eyes.jpg"), Opened, false));
  TQvGraphicsView* View = GraphicsEditor->ActiveView();
  ASSERT_TRUE(View);
  GraphicsEditor->SetZoom(View, 1, 1);
  View->CenterOn(TPoint{0, 0});

  // File › Import › the test device.
  QMenuBar* Bar = MainForm->Menu;
  Pointer.Click(Bar, Bar->actionGeometry(MainForm->FileMenuItem->menuAction()));
  ASSERT_TRUE(QTest::qWaitFor([] { return MainForm->FileMenuItem->isVisible(); }, 10000));
  QMenu* File = MainForm->FileMenuItem;
  Pointer.Click(File, File->actionGeometry(GraphicsEditor->ImportSubmenu->menuAction()));
  QMenu* Import = GraphicsEditor->ImportSubmenu;
  ASSERT_TRUE(QTest::qWaitFor([Import] { return Import->isVisible() && !Import->actions().isEmpty(); }, 10000));
  ASSERT_EQ(Import->actions().first()->text(), QStringLiteral("Noname frontend-tester"));
  Pointer.Click(Import, Import->actionGeometry(Import->actions().first()));

  // Scan, in the component's dialog.
  ASSERT_TRUE(QTest::qWaitFor([] { return TWAINComponent->Dialog() && TWAINComponent->Dialog()->ScanButton->isEnabled(); }, 30000));
  TQvScanDialog* Dialog = TWAINComponent->Dialog();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(Dialog));
  Pointer.Click(Dialog->ScanButton, Dialog->ScanButton->rect());

  // While the scan runs the window follows the pointer: the status bar shows where it is.
  const TPoint Points[] = {{3, 4}, {9, 12}};
  for (const TPoint& P : Points) {
    const TPoint Device = View->LogicalToDevice(P);
    Pointer.MoveTo(View->mapToGlobal(QPoint(Device.X, Device.Y)));
    const QString X = QString::number(P.X), Y = QString::number(P.Y);
    ASSERT_TRUE(QTest::qWaitFor([&] { return GraphicsEditor->XStatusPanel->text() == X && GraphicsEditor->YStatusPanel->text() == Y; }, 10000));
    EXPECT_TRUE(TWAINComponent->Acquiring()) << "the scan ended before the window was seen to respond";
  }

  // The scanned picture replaces the photograph (unchanged, so without a question) as "Untitled".
  ASSERT_TRUE(QTest::qWaitFor([] { return !TWAINComponent->Acquiring(); }, 60000));
  EXPECT_TRUE(Messages.isEmpty()) << Messages.join('\n').toStdString();
  auto* Doc = GraphicsEditor->ActiveDocument();
  ASSERT_TRUE(Doc);
  EXPECT_TRUE(Doc->FileName.isEmpty());
  EXPECT_TRUE(Doc->Modified());
  EXPECT_TRUE(MainForm->windowTitle().contains(QStringLiteral("Untitled"))) << MainForm->windowTitle().toStdString();
  View = GraphicsEditor->ActiveView();
  ASSERT_TRUE(View);
  GraphicsEditor->SetZoom(View, 1, 1);
  View->CenterOn(TPoint{0, 0});
  QCoreApplication::processEvents();

  // A click with the red-eye tool in the middle of a red patch darkens it, as one undo step.
  TPoint Red{-1, -1};
  const TQvPixels& Pixels = *Doc->Pixels();
  for (int Y = 20; Y < Pixels.Height - 20 && Red.X < 0; ++Y)
    for (int X = 20; X < std::min(Pixels.Width - 20, View->ClientWidth() - 20) && Red.X < 0; ++X) {
      const std::uint8_t* C = Pixels.PixelAt(X, Y);
      const std::uint8_t* Lower = Pixels.PixelAt(X, Y + 2);
      if (C[RedByte] > 200 && C[GreenByte] < 60 && C[BlueByte] < 60 && Lower[RedByte] > 200 && Lower[GreenByte] < 60)
        Red = {X, Y + 1};
    }
  ASSERT_GE(Red.X, 0) << "no red patch in the scanned pattern";
  const int RedBefore = Pixels.PixelAt(Red.X, Red.Y)[RedByte];
  const TPoint Device = View->LogicalToDevice(Red);
  Pointer.Click(View->mapToGlobal(QPoint(Device.X, Device.Y)));
  ASSERT_TRUE(QTest::qWaitFor([Doc] { return Doc->History.Count() == 1; }, 10000));
  EXPECT_LT(Doc->Pixels()->PixelAt(Red.X, Red.Y)[RedByte], RedBefore);

  App.reset();
  GraphicsEditor = nullptr;
  TWAINComponent = nullptr;
  ToolPanelModule = nullptr;
  RedEyeTool = nullptr;
  EXPECT_TRUE(QDir(Transfer.path()).entryList(QDir::Files).isEmpty());
}
