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
#include "QvImageProperties.h"
#include "QvToolPanel.h"
#include "QvVJPEG.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QProgressBar>
#include <QSize>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <functional>
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
    TQvBusyProgress::SetPaintInterval(100);
    App->DestroyComponents();
    App.reset();
  }

  TQvGraphicsDocument* OpenSample() { return Open(QStringLiteral(OCUVANE_SOURCE_DIR "/data/Images/red-eyes.jpg")); }

  TQvGraphicsDocument* Open(const QString& Path) {
    TQvDocument* Doc = nullptr;
    if (!GraphicsEditor->OpenFile(Path, Doc, false)) return nullptr;
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

  // Every report painted: work made of several pieces (both images resampled or turned, each
  // changed rectangle recompressed) must fill the bar once, never start it over.
  TQvBusyProgress::SetThreshold(0);
  TQvBusyProgress::SetPaintInterval(0);
  std::vector<int> Values;
  QObject::connect(Bar, &QProgressBar::valueChanged, Bar, [&Values](int Value) { Values.push_back(Value); });
  GraphicsEditor->Formats().QualityAsker = [](int32_t&) { return true; };
  const std::vector<std::string> Around{"shown busy", "hidden"};
  struct TCase {
    const char* Work;
    std::function<bool()> Run;
  };
  const QString Png = Dir.filePath(QStringLiteral("saved.png")), Jpeg = Dir.filePath(QStringLiteral("saved.jpg"));
  // Copies of saved files, opened as new photos; their EXIF says they lie on their side.
  const QString PngOnItsSide = Dir.filePath(QStringLiteral("on-its-side.png"));
  const QString JpegOnItsSide = Dir.filePath(QStringLiteral("on-its-side.jpg"));
  const auto OnItsSide = [&Doc] {
    const uint8_t Six[2] = {6, 0};
    Doc->Properties().SetValue(QvPropertyTag::Orientation, QvPropertyTypeCode::Short, 2, Six);
  };
  QSize Stored;
  const TCase Cases[] = {
      {"open", [&] { return (Doc = OpenSample()) != nullptr; }},
      {"save two changed corners into the JPEG",
       [&] {
         Doc->AddChangedRect(TRect{0, 0, 32, 32}, false);
         Doc->AddChangedRect(TRect{Doc->Width() - 32, Doc->Height() - 32, Doc->Width(), Doc->Height()}, false);
         return Doc->ChangedRects().size() == 2 && Doc->SaveToFile(Jpeg, QvFormatId::Jpeg);
       }},
      {"save", [&] { return OnItsSide(), Doc->SaveToFile(Png, QvFormatId::Png) && QFile::copy(Png, PngOnItsSide); }},
      {"resize", [&] { return Doc->Resize(Doc->Width() * 2, Doc->Height() * 2, true, true); }},
      {"turn", [&] { return Doc->Transform(TQvImageOperation::RotateLeft); }},
      // Decoded, then turned upright: by the decoder, and by the lossless engine.
      {"open the PNG on its side", [&] { return (Doc = Open(PngOnItsSide)) != nullptr; }},
      {"save a JPEG without the lossless engine",
       [&] {
         OnItsSide();
         Stored = QSize(Doc->Width(), Doc->Height());
         return Doc->SaveToFile(Jpeg, QvFormatId::Jpeg) && QFile::copy(Jpeg, JpegOnItsSide);
       }},
      {"open the JPEG on its side", [&] { return (Doc = Open(JpegOnItsSide)) != nullptr; }},
  };
  for (const TCase& C : Cases) {
    Watch.Seen.clear();
    Values.clear();
    ASSERT_TRUE(C.Run()) << C.Work;
    EXPECT_EQ(Around, Watch.Seen) << C.Work;
    EXPECT_FALSE(Bar->isVisible()) << C.Work;
    EXPECT_EQ(nullptr, QApplication::overrideCursor()) << C.Work;
    ASSERT_FALSE(Values.empty()) << C.Work;
    std::string Run;
    for (int Value : Values) Run += std::to_string(Value) + ' ';
    EXPECT_TRUE(std::is_sorted(Values.begin(), Values.end())) << C.Work << " filled the bar more than once: " << Run;
    EXPECT_GE(Values.back(), Bar->maximum() * 9 / 10) << C.Work << " stopped short: " << Run;
  }
  EXPECT_TRUE(QFile::exists(Jpeg));
  EXPECT_EQ(Stored.height(), Doc->Width()) << "the JPEG was opened upright";
  EXPECT_EQ(1, ReadOrientationProperty(Doc->Properties()));
}

}  // namespace
