// The about box: link captions, the layout of its table over the picture, tabs by page, the keys
// that close it, and the About command.
#include "AppFixture.h"

#include "MainForm.h"
#include "Module.h"
#include "QvAbout.h"
#include "QvLocalizer.h"

#include <QApplication>
#include <QMenu>
#include <QTabBar>
#include <QTest>

#include <cmath>
#include <vector>

TEST(AboutLinks, CaptionsAreTheHostPart) {
  const struct {
    const char* Address;
    const char* Caption;
  } Cases[] = {
      {"https://www.quillmere.com/support/ocuvane/", "www.quillmere.com"},
      {"http://example.org:8080/x", "example.org"},
      {"mailto:help@example.org", "help@example.org"},
      {"file:\\\\server\\share", "server"},
      {"www.example.org", ""},  // no ":" at all
      {"https://", ""},
  };
  for (const auto& C : Cases) EXPECT_EQ(QvAboutLinkCaption(QLatin1String(C.Address)), QLatin1String(C.Caption)) << C.Address;
}

class AboutTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    App = MakeApplication();
  }
  void TearDown() override {
    App.reset();
    AppFixture::TearDown();
  }
  std::unique_ptr<TQvAboutForm> MakeForm(const TQvAboutItem* Table, int Count, const QString& Picture = QStringLiteral("About")) {
    return std::unique_ptr<TQvAboutForm>(CreateInitialized<TQvAboutForm>(TQvAboutContent{Table, Count, Picture}, nullptr));
  }
  static int Right(const QLabel* L) { return L->x() + L->width(); }
  std::unique_ptr<TQvApplication> App;
};

TEST_F(AboutTest, TheProgramsRowsStandOverThePicture) {
  auto Form = MakeForm(QvProgramAboutItems, 8);
  ASSERT_EQ(Form->Labels.size(), 8u);
  const std::vector<QLabel*>& L = Form->Labels;
  const QFontMetrics Metrics(Form->font());
  const int CharWidth = Metrics.averageCharWidth();
  // Rows 1 and 2 (name and version) continue the line of row 0, one character apart.
  EXPECT_EQ(L[1]->y(), L[0]->y());
  EXPECT_EQ(L[2]->y(), L[0]->y());
  EXPECT_EQ(L[1]->x(), Right(L[0]) + CharWidth);
  EXPECT_EQ(L[2]->x(), Right(L[1]) + CharWidth);
  EXPECT_EQ(L[1]->text(), QvProgramDisplayName());
  EXPECT_EQ(L[2]->text(), QvProgramVersion());
  // Picture pixels are scaled to the background's width; the picture is 500 pixels wide.
  ASSERT_EQ(Form->Background->PictureSize(), QSize(500, 300));
  const double Scale = Form->Background->width() / 500.0;
  EXPECT_EQ(L[0]->pos(), QPoint(std::lround(16 * Scale), std::lround(80 * Scale)));
  EXPECT_EQ(L[3]->geometry(), QRect(std::lround(16 * Scale), std::lround(126 * Scale), std::lround(75 * Scale), L[3]->height()));
  EXPECT_EQ(L[7]->y(), std::lround(275 * Scale));
  // Row 5 repeats row 3's left; the captions carry their colon and the links their host.
  EXPECT_EQ(L[5]->x(), L[3]->x());
  EXPECT_EQ(L[3]->text(), QStringLiteral("Web site:"));
  EXPECT_TRUE(L[3]->alignment() & Qt::AlignRight);
  EXPECT_EQ(L[4]->text(), QStringLiteral("www.quillmere.com"));
  EXPECT_EQ(L[4]->toolTip(), QString::fromUtf8(QvProgramAboutItems[4].Text));
  EXPECT_EQ(L[4]->y(), L[3]->y());
  EXPECT_TRUE(L[4]->font().underline());
  EXPECT_TRUE(L[0]->font().bold());
  EXPECT_FALSE(L[3]->font().bold());
}

TEST_F(AboutTest, ExtraSpaceMovesARowDownByItsShareOfALine) {
  std::vector<TQvAboutItem> Without(std::begin(QvProgramAboutItems), std::end(QvProgramAboutItems));
  Without[5].ExtraLines = 0;
  auto With = MakeForm(QvProgramAboutItems, 8);
  auto Plain = MakeForm(Without.data(), 8);
  const QFontMetrics Metrics(With->font());
  const int LineHeight = Metrics.height() + std::max(0, Metrics.leading());
  EXPECT_EQ(With->Labels[5]->y() - Plain->Labels[5]->y(), std::lround(0.5 * LineHeight));
  // Without extra space an automatic top is the line above's bottom plus twice the leading.
  const int LineBottom = std::max(Plain->Labels[3]->geometry().bottom(), Plain->Labels[4]->geometry().bottom()) + 1;
  EXPECT_EQ(Plain->Labels[5]->y(), LineBottom + 2 * std::max(0, Metrics.leading()));
  // The following link stays on row 5's line.
  EXPECT_EQ(With->Labels[6]->y(), With->Labels[5]->y());
}

TEST_F(AboutTest, LabelsShowOnTheirTabAndTabsAreMadeForTheirPages) {
  const TQvAboutItem Table[] = {
      {QvAboutText::BuiltIn, "everywhere", 0, 10, 10, 0, 0, 0, -1},
      {QvAboutText::BuiltIn, "first", 0, 0, 0, 0, 0, 0, 0},
      {QvAboutText::BuiltIn, "third", QvAboutFlag::White | QvAboutFlag::WordWrap, 0, 0, 60, 0, 0, 2},
      {QvAboutText::BuiltIn, "no colon here", QvAboutFlag::Link, 0, 0, 0, 0, 0, 1},
  };
  auto Form = MakeForm(Table, 4, QStringLiteral("NoSuchPicture"));
  // Without its picture the box still lays out as for 500 pixels.
  EXPECT_EQ(Form->Background->PictureSize(), QSize(500, 300));
  ASSERT_EQ(Form->AboutTabControl->count(), 3);
  EXPECT_EQ(Form->AboutTabControl->tabText(0), QStringLiteral("About"));
  EXPECT_EQ(Form->AboutTabControl->tabText(1), QStringLiteral("Credits"));
  EXPECT_EQ(Form->AboutTabControl->tabText(2), QStringLiteral("License"));
  EXPECT_EQ(Form->Labels[3]->text(), QString());
  EXPECT_EQ(Form->Labels[3]->toolTip(), QStringLiteral("no colon here"));
  EXPECT_EQ(Form->Labels[2]->width(), std::lround(60 * Form->Background->width() / 500.0));
  const auto Visible = [&Form] {
    QString Shown;
    for (QLabel* L : Form->Labels) Shown += L->isVisibleTo(Form.get()) ? QLatin1Char('1') : QLatin1Char('0');
    return Shown;
  };
  EXPECT_EQ(Visible(), QStringLiteral("1100"));
  Form->AboutTabControl->setCurrentIndex(2);
  EXPECT_EQ(Visible(), QStringLiteral("1010"));
  Form->AboutTabControl->setCurrentIndex(1);
  EXPECT_EQ(Visible(), QStringLiteral("1001"));
}

TEST_F(AboutTest, EscapeAndEnterCloseTheBox) {
  const struct {
    Qt::Key Key;
    int Result;
  } Cases[] = {{Qt::Key_Escape, QDialog::Rejected}, {Qt::Key_Return, QDialog::Accepted}, {Qt::Key_Enter, QDialog::Accepted}};
  for (const auto& C : Cases) {
    for (bool OnTabs : {false, true}) {
      auto Form = MakeForm(QvProgramAboutItems, 8);
      Form->show();
      ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
      // The form sees the key first, wherever the focus is.
      QTest::keyClick(OnTabs ? static_cast<QWidget*>(Form->AboutTabControl) : Form.get(), C.Key);
      EXPECT_FALSE(Form->isVisible()) << C.Key << " " << OnTabs;
      EXPECT_EQ(Form->result(), C.Result);
    }
  }
  auto Form = MakeForm(QvProgramAboutItems, 8);
  Form->show();
  QTest::keyClick(Form.get(), Qt::Key_Space);
  EXPECT_TRUE(Form->isVisible());
}

TEST_F(AboutTest, TheAboutCommandShowsTheBoxModallyAfterTheOtherHelpEntries) {
  App->CreateForm(Module);
  App->LoadSettings();
  ASSERT_NE(AboutModule, nullptr);
  const QList<QAction*> Items = MainForm->HelpMenuItem->actions();
  ASSERT_GE(Items.size(), 2);
  EXPECT_EQ(Items.back(), AboutModule->AboutMenuItem);
  EXPECT_TRUE(Items[Items.size() - 2]->isSeparator());
  EXPECT_EQ(AboutModule->AboutMenuItem->text(), QStringLiteral("About"));

  MainForm->SelectLanguage(1031);
  QString Caption;
  int LabelCount = 0;
  QTimer::singleShot(0, [&] {
    auto* Box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!Box) return;
    Caption = Box->windowTitle();
    if (auto* Form = dynamic_cast<TQvAboutForm*>(Box)) LabelCount = static_cast<int>(Form->Labels.size());
    QTest::keyClick(Box, Qt::Key_Return);
  });
  AboutModule->AboutMenuItem->trigger();
  EXPECT_EQ(Caption, QStringLiteral("Info"));
  EXPECT_EQ(LabelCount, 8);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  App->DestroyComponents();
}
