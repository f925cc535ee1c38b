// The editor as the program composes it, offscreen: every toolbar button carries an icon, and
// long work (open, save, resize, turn) shows the status bar's progress bar and the busy cursor
// while it runs and takes both away when it ends.
#include "MainForm.h"
#include "Model.h"
#include "Module.h"
#include "QvApplication.h"
#include "QvBusyProgress.h"
#include "QvGraphicsDocument.h"
#include "QvGraphicsEditor.h"
#include "QvToolPanel.h"
#include "QvVJPEG.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QProgressBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

#include <memory>
#include <string>
#include <vector>

namespace {

class DesktopWorld : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(Dir.isValid());
    // Settings of this run stay in the scratch folder.
    qputenv("XDG_CONFIG_HOME", Dir.filePath(QStringLiteral("config")).toLocal8Bit());
    App = std::make_unique<TQvApplication>();
    App->SetExecutablePath(Dir.filePath(QStringLiteral("ocuvane")));
    App->SetMessageBoxHandler([](const QString&, const QString&, int) { return QvMB::IDNO; });
    QvUnitStartup();
    TModule::Composition = ComposeEditor;
    TQvGraphicsDocument::EngineFactory = CreateVJPEGObject;
    App->CreateForm(Module);
    ASSERT_TRUE(MainForm);
    MainForm->resize(800, 600);
    MainForm->show();
  }

  void TearDown() override {
    TQvBusyProgress::SetThreshold(500);
    App->DestroyComponents();
    App.reset();
  }

  TQvGraphicsDocument* OpenSample() {
    TQvDocument* Doc = nullptr;
    if (!GraphicsEditor->OpenFile(QStringLiteral(OCUVANE_SOURCE_DIR "/data/Images/red-eyes.jpg"), Doc, false))
      return nullptr;
    return qobject_cast<TQvGraphicsDocument*>(Doc);
  }

  QTemporaryDir Dir;
  std::unique_ptr<TQvApplication> App;
};

// Records each time the bar is shown or hidden, and whether the busy cursor was up when it showed.
class TBarWatch : public QObject {
 public:
  explicit TBarWatch(QProgressBar* Bar) { Bar->installEventFilter(this); }
  std::vector<std::string> Seen;

 protected:
  bool eventFilter(QObject*, QEvent* Event) override {
    if (Event->type() == QEvent::Show) {
      const QCursor* Cursor = QApplication::overrideCursor();
      Seen.push_back(Cursor && Cursor->shape() == Qt::WaitCursor ? "shown busy" : "shown");
    } else if (Event->type() == QEvent::Hide) {
      Seen.push_back("hidden");
    }
    return false;
  }
};

TEST_F(DesktopWorld, EveryToolbarButtonHasAnIcon) {
  ASSERT_TRUE(OpenSample());
  int Buttons = 0;
  for (QToolBar* Bar : MainForm->findChildren<QToolBar*>()) {
    for (QAction* Action : Bar->actions()) {
      if (Action->isSeparator() || !Action->isVisible() || !qobject_cast<QToolButton*>(Bar->widgetForAction(Action)))
        continue;
      ++Buttons;
      EXPECT_FALSE(Action->icon().pixmap(16, 16).isNull())
          << Bar->windowTitle().toStdString() << ": " << Action->toolTip().toStdString();
    }
    EXPECT_EQ(Qt::ToolButtonFollowStyle, Bar->toolButtonStyle()) << "text beside the icons only where the style asks";
  }
  EXPECT_GT(Buttons, 10);
  // The tools' buttons in the tool panel.
  for (TQvButtonBar* Bar : MainForm->findChildren<TQvButtonBar*>()) {
    for (QAction* Action : Bar->actions()) {
      if (!Action->isSeparator() && Action->isVisible()) {
        EXPECT_FALSE(Action->icon().pixmap(16, 16).isNull()) << "tool panel: " << Action->toolTip().toStdString();
      }
    }
  }
}

TEST_F(DesktopWorld, ProgressBarComesAndGoesAroundLongWork) {
  QProgressBar* Bar = TQvBusyProgress::Bar(true);
  ASSERT_TRUE(Bar);
  EXPECT_EQ(MainForm->StatusBar, Bar->parentWidget());
  TBarWatch Watch(Bar);

  // Quick work under the usual threshold shows nothing.
  TQvGraphicsDocument* Doc = OpenSample();
  ASSERT_TRUE(Doc);
  EXPECT_TRUE(Watch.Seen.empty());

  TQvBusyProgress::SetThreshold(0);
  const std::vector<std::string> Around{"shown busy", "hidden"};
  struct TCase {
    const char* Work;
    std::function<bool()> Run;
  };
  const QString Saved = Dir.filePath(QStringLiteral("saved.png"));
  const TCase Cases[] = {
      {"open", [&] { return (Doc = OpenSample()) != nullptr; }},
      {"save", [&] { return Doc->SaveToFile(Saved, QvFormatId::Png); }},
      {"resize", [&] { return Doc->Resize(Doc->Width() * 2, Doc->Height() * 2, true, true); }},
      {"turn", [&] { return Doc->Transform(TQvImageOperation::RotateLeft); }},
  };
  for (const TCase& C : Cases) {
    Watch.Seen.clear();
    ASSERT_TRUE(C.Run()) << C.Work;
    EXPECT_EQ(Around, Watch.Seen) << C.Work;
    EXPECT_FALSE(Bar->isVisible()) << C.Work;
    EXPECT_EQ(nullptr, QApplication::overrideCursor()) << C.Work;
  }
  EXPECT_TRUE(QFile::exists(Saved));
}

}  // namespace
