// The open dialog's preview (thread hand-over, stale and late thumbnails), the save dialog's type
// list, and the message box's layout and results.
#include "QvDialogs.h"
#include "QvEditor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QImage>
#include <QLayout>
#include <QPainter>
#include <QPushButton>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <atomic>

namespace {

std::atomic<int> LiveThumbnails{0};

class TFakeThumbnail : public TQvThumbnail {
 public:
  explicit TFakeThumbnail(QString Name) : FileName(std::move(Name)) { ++LiveThumbnails; }
  ~TFakeThumbnail() override { --LiveThumbnails; }
  void Draw(QPainter& DC, const QRect& Rect, QRect& DrawnRect) override {
    DrawnRect = Rect.adjusted(10, 10, -10, -10);
    DC.fillRect(DrawnRect, Qt::red);
  }
  const QString FileName;
};

class TFakeInfo : public TQvFileInfo {
 public:
  using TQvFileInfo::TQvFileInfo;
  void GetDescription(QString& Text) override { Text = QStringLiteral("Picture ") + FileName; }
};

// Knows "*.jpg" names; the preview of "slow.jpg" waits until the test opens the gate.
class TFakeRegistry : public TQvFileFormats {
 public:
  int Count() const override { return 2; }
  TQvFileFormatInfo Items(int Index) const override {
    if (Index == 0) return {1, QStringLiteral("Fake JPEG"), QStringLiteral("*.jpg;*.jpeg"), QStringLiteral(".jpg")};
    return {2, QStringLiteral("Fake PNG"), QStringLiteral("*.png"), QStringLiteral(".png")};
  }
  bool GetFileInfo(const QString& FileName, std::unique_ptr<TQvFileInfo>& Info) override {
    if (!FileName.endsWith(QLatin1String(".jpg"))) return false;
    Info = std::make_unique<TFakeInfo>(FileName);
    return true;
  }
  bool CreateThumbnail(const QString& FileName, int MaxWidth, int MaxHeight,
                       std::unique_ptr<TQvThumbnail>& Thumbnail) override {
    if (FileName == QLatin1String("slow.jpg")) {
      Started.release();
      Gate.acquire();
    }
    LastBox = QSize(MaxWidth, MaxHeight);
    Thumbnail = std::make_unique<TFakeThumbnail>(FileName);
    return true;
  }
  QSemaphore Started, Gate;
  QSize LastBox;
};

// Runs the event loop until the preview thread reports request Number finished (its thumbnail,
// if any, handed over before), or five seconds pass without a report.
bool WaitForPreview(TQvOpenDialog& Dialog, std::uint64_t Number) {
  QSignalSpy Finished(&Dialog, &TQvOpenDialog::PreviewFinished);
  const auto Done = [&] {
    for (const QList<QVariant>& Arguments : Finished)
      if (Arguments.at(0).toULongLong() >= Number) return true;
    return false;
  };
  while (!Done() && Finished.wait(5000)) {
  }
  return Done();
}

QString ShownFile(const TQvOpenDialog& Dialog) {
  auto* Thumbnail = static_cast<TFakeThumbnail*>(Dialog.Thumbnail());
  return Thumbnail ? Thumbnail->FileName : QString();
}

TEST(OpenDialog, StartsOnAllSupportedFormats) {
  TFakeRegistry Registry;
  TQvOpenDialog Dialog(nullptr, &Registry);
  EXPECT_EQ(Dialog.FilterIndex(), 3);
  ASSERT_TRUE(Dialog.layout());
  EXPECT_GE(Dialog.layout()->indexOf(Dialog.PreviewBox()->parentWidget()), 0);  // beside the file list
  EXPECT_EQ(Dialog.nameFilters(), (QStringList{"Fake JPEG (*.jpg *.jpeg)", "Fake PNG (*.png)",
                                                "All supported formats (*.jpg *.jpeg *.png)", "All files (*)"}));
  TQvSaveDialog Save(nullptr, &Registry);
  EXPECT_EQ(Save.Filter(), QStringLiteral("Fake JPEG (*.jpg;*.jpeg)|*.jpg;*.jpeg|Fake PNG (*.png)|*.png"));
  Save.SetFilterIndex(2);
  EXPECT_EQ(Save.FilterIndex(), 2);
}

// Clicking quickly: the slow preview of an earlier file must never replace the newest one.
TEST(OpenDialog, OnlyTheNewestSelectionIsShown) {
  TFakeRegistry Registry;
  {
    TQvOpenDialog Dialog(nullptr, &Registry);
    Dialog.SelectionChanged(QStringLiteral("slow.jpg"));
    Registry.Started.acquire();  // the thread is busy with slow.jpg
    Dialog.SelectionChanged(QStringLiteral("fast.jpg"));
    EXPECT_EQ(Dialog.InfoText(), QStringLiteral("\nPicture fast.jpg"));
    Registry.Gate.release();
    // Both requests are finished: the slow one was dropped, the fast one shown.
    ASSERT_TRUE(WaitForPreview(Dialog, Dialog.RequestNumber()));
    EXPECT_EQ(ShownFile(Dialog), QStringLiteral("fast.jpg"));
    EXPECT_EQ(LiveThumbnails.load(), 1);
    EXPECT_EQ(Registry.LastBox, Dialog.PreviewBox()->size() - QSize(2, 2));
  }
  EXPECT_EQ(LiveThumbnails.load(), 0);
}

TEST(OpenDialog, StaleOrLateThumbnailsAreFreed) {
  TFakeRegistry Registry;
  TQvOpenDialog Dialog(nullptr, &Registry);
  Dialog.SelectionChanged(QStringLiteral("a.jpg"));
  const std::uint64_t Old = Dialog.RequestNumber();
  ASSERT_TRUE(WaitForPreview(Dialog, Old));
  ASSERT_EQ(ShownFile(Dialog), QStringLiteral("a.jpg"));
  Dialog.SelectionChanged(QStringLiteral("b.png"));  // unknown: no description, no preview
  EXPECT_TRUE(Dialog.InfoText().isEmpty());
  EXPECT_EQ(Dialog.Thumbnail(), nullptr);
  // A hand-over for a.jpg that was already on its way.
  Dialog.DeliverThumbnail(Old, std::make_shared<TFakeThumbnail>(QStringLiteral("a.jpg")));
  EXPECT_EQ(Dialog.Thumbnail(), nullptr);
  EXPECT_EQ(LiveThumbnails.load(), 0);
  Dialog.DeliverThumbnail(Dialog.RequestNumber(), std::make_shared<TFakeThumbnail>(QStringLiteral("b.png")));
  EXPECT_EQ(ShownFile(Dialog), QStringLiteral("b.png"));
  Dialog.SelectionChanged(QString());
  Dialog.reject();
  Dialog.DeliverThumbnail(Dialog.RequestNumber(), std::make_shared<TFakeThumbnail>(QStringLiteral("c.jpg")));
  EXPECT_EQ(Dialog.Thumbnail(), nullptr);
  EXPECT_EQ(LiveThumbnails.load(), 0);
}

TEST(OpenDialog, ThumbnailOnItsWayWhenTheDialogGoesIsFreed) {
  TFakeRegistry Registry;
  auto* Dialog = new TQvOpenDialog(nullptr, &Registry);
  Dialog->SelectionChanged(QStringLiteral("slow.jpg"));
  Registry.Started.acquire();
  Registry.Gate.release();
  // The dialog waits for its thread; a hand-over still queued dies with the dialog.
  delete Dialog;
  EXPECT_EQ(LiveThumbnails.load(), 0);
}

TEST(OpenDialog, PreviewIsFramedWithOrWithoutAPicture) {
  TFakeRegistry Registry;
  TQvOpenDialog Dialog(nullptr, &Registry);
  Dialog.PreviewBox()->resize(100, 80);
  const QRgb Frame = Dialog.PreviewBox()->palette().color(QPalette::Dark).rgb();
  const QRgb Back = Dialog.PreviewBox()->palette().color(QPalette::Window).rgb();
  auto Render = [&] {
    QImage Image(Dialog.PreviewBox()->size(), QImage::Format_RGB32);
    Image.fill(Qt::green);
    QPainter Painter(&Image);
    Dialog.PaintPreview(Painter);
    return Image;
  };
  QImage Empty = Render();
  EXPECT_EQ(Empty.pixel(0, 0), Frame);
  EXPECT_EQ(Empty.pixel(99, 79), Frame);
  EXPECT_EQ(Empty.pixel(50, 40), Back);
  Dialog.SelectionChanged(QStringLiteral("a.jpg"));
  ASSERT_TRUE(WaitForPreview(Dialog, Dialog.RequestNumber()));
  ASSERT_NE(Dialog.Thumbnail(), nullptr);
  QImage Shown = Render();
  EXPECT_EQ(Shown.pixel(0, 0), Frame);
  EXPECT_EQ(Shown.pixel(5, 5), Back);
  EXPECT_EQ(Shown.pixel(50, 40), QColor(Qt::red).rgb());
}

TEST(MessageBox, WidthFollowsTheWiderOfTextAndButtonRow) {
  struct TCase {
    int LastButton;
    const char* Icon;
    int Expected;  // for a text narrower than any button row
  };
  const TCase Cases[] = {{1, "", 208 + 32}, {2, "", 316 + 32}, {0, "", 100 + 32}, {1, "32515", 32 + 208 + 48}};
  for (const TCase& C : Cases) {
    TQvMessageBox Box(nullptr, QStringLiteral("Caption"), QStringLiteral("Hi"), {"Yes", "No", "Cancel"}, C.LastButton,
                      QString::fromUtf8(C.Icon), QString(), false);
    EXPECT_EQ(Box.ClientSize().width(), C.Expected) << C.LastButton << C.Icon;
  }
  const QString Long = QStringLiteral("The quick brown fox jumps over the lazy dog. ").repeated(12);
  TQvMessageBox Wide(nullptr, QStringLiteral("Caption"), Long, {"Yes", "No"}, 1,
                     QString(), QString(), false);
  EXPECT_GT(Wide.ClientSize().width(), 208 + 32);
  EXPECT_LE(Wide.ClientSize().width(), 400 + 32);
  TQvMessageBox NoButtons(nullptr, QStringLiteral("Caption"), QStringLiteral("Hi"), {}, -1, QString(), QString(), false);
  EXPECT_EQ(NoButtons.findChildren<QPushButton*>().size(), 0);
}

TEST(MessageBox, ClosingWithoutAButtonIsCancelled) {
  enum TWay { Escape, CloseBox, SecondButton };
  struct TCase {
    TWay Way;
    int Expected;
  };
  for (const TCase& C : {TCase{Escape, QvMessageBoxCancelled}, TCase{CloseBox, QvMessageBoxCancelled},
                         TCase{SecondButton, 1}}) {
    TQvMessageBox Box(nullptr, QStringLiteral("Caption"), QStringLiteral("Text"), {"Keep", "Discard"}, 1, QString(),
                      QString(), false);
    Box.open();
    switch (C.Way) {
      case Escape: QTest::keyClick(&Box, Qt::Key_Escape); break;
      case CloseBox: Box.close(); break;
      case SecondButton: Box.Button(1)->click(); break;
    }
    EXPECT_FALSE(Box.isVisible());
    EXPECT_EQ(Box.ButtonIndex(), C.Expected) << C.Way;
  }
}

TEST(MessageBox, ShowMessageBoxReturnsTheButtonAndTheCheckBox) {
  bool Checked = false;
  QTimer::singleShot(0, [] {
    auto* Box = qobject_cast<TQvMessageBox*>(QApplication::activeModalWidget());
    if (!Box) return;
    Box->CheckBox()->setChecked(true);
    Box->Button(0)->click();
  });
  EXPECT_EQ(ShowMessageBox(QStringLiteral("Caption"), QStringLiteral("Text"), {"OK", "Later"}, 1, QStringLiteral("32514"),
                           QStringLiteral("Do not show again"), &Checked),
            0);
  EXPECT_TRUE(Checked);
}

}  // namespace

TEST(DialogStartFolder, OpenPhotoThenLastUsedThenPictures) {
  QTemporaryDir Root;
  ASSERT_TRUE(Root.isValid());
  const QString Home = Root.filePath(QStringLiteral("home")), Photo = Root.filePath(QStringLiteral("photos"));
  const QString Last = Root.filePath(QStringLiteral("last")), Recent = Root.filePath(QStringLiteral("recent"));
  const QString Pictures = Home + QStringLiteral("/Pictures");
  for (const QString& Folder : {Photo, Last, Recent}) ASSERT_TRUE(QDir().mkpath(Folder));
  const QByteArray OldHome = qgetenv("HOME"), OldConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("HOME", Home.toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", (Home + QStringLiteral("/.config")).toLocal8Bit());
  const QString Gone = Root.filePath(QStringLiteral("gone"));

  struct TCase {
    QString Document, LastFolder;
    QStringList RecentFiles;
    bool MakePictures;
    QString Expected;
  };
  const TCase Cases[] = {
      {Photo + QStringLiteral("/a.jpg"), Last, {Recent + QStringLiteral("/r.jpg")}, true, Photo},
      {QString(), Last, {Recent + QStringLiteral("/r.jpg")}, true, Last},
      {QString(), QString(), {Recent + QStringLiteral("/r.jpg")}, true, Recent},
      {Gone + QStringLiteral("/a.jpg"), Gone, {Gone + QStringLiteral("/r.jpg")}, true, Pictures},
      {QString(), QString(), {}, true, Pictures},
      {QString(), QString(), {}, false, QDir::homePath()},
  };
  for (const TCase& C : Cases) {
    if (C.MakePictures) {
      ASSERT_TRUE(QDir().mkpath(Pictures));
    } else {
      QDir(Pictures).removeRecursively();
    }
    EXPECT_EQ(C.Expected, QvDialogStartFolder(C.Document, C.LastFolder, C.RecentFiles))
        << C.Document.toStdString() << " | " << C.LastFolder.toStdString();
  }
  qputenv("HOME", OldHome);
  if (OldConfig.isNull()) qunsetenv("XDG_CONFIG_HOME"); else qputenv("XDG_CONFIG_HOME", OldConfig);
}
