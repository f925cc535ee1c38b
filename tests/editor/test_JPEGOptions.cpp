// The JPEG quality dialog: presets, the three controls following each other, and the OK check.

#include "QvJPEGOptions.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSlider>

#include <memory>

namespace {

class JPEGOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Application) FOwnApplication = std::make_unique<TQvApplication>();
    Application->SetMessageBoxHandler([this](const QString& Text, const QString& Caption, int Flags) {
      Messages.push_back({Text, Caption, Flags});
      return QvMB::IDOK;
    });
    Form = std::make_unique<TQvJPEGOptionsForm>();
  }
  void TearDown() override {
    Form.reset();
    if (Application) Application->SetMessageBoxHandler({});
    FOwnApplication.reset();
  }

  struct TMessage {
    QString Text, Caption;
    int Flags;
  };
  std::vector<TMessage> Messages;
  std::unique_ptr<TQvJPEGOptionsForm> Form;

 private:
  std::unique_ptr<TQvApplication> FOwnApplication;
};

TEST_F(JPEGOptionsTest, PresetIndexPicksHighestPresetNotAboveValue) {
  const struct {
    int32_t Value, Index;
  } Cases[] = {{0, 0}, {5, 0}, {9, 0}, {10, 0}, {29, 0}, {30, 1}, {59, 1}, {60, 2},
               {79, 2}, {80, 3}, {99, 3}, {100, 4}, {150, 4}, {-3, 0}};
  for (const auto& C : Cases)
    EXPECT_EQ(TQvJPEGOptionsForm::PresetIndex(C.Value), C.Index) << "value " << C.Value;
}

TEST_F(JPEGOptionsTest, TypingMovesComboAndTrackBar) {
  const struct {
    const char* Typed;
    int32_t Position;
    int ComboIndex;
  } Cases[] = {
      {"79", 79, 2},    // High
      {"5", 5, 0},      // Low
      {" 42", 42, 1},
      {"100", 100, 4},
      {"0", 0, 0},
      {"abc", 0, 0},    // not a number: nothing follows (still the last valid 0)
      {"101", 0, 0},    // out of range: nothing follows
  };
  for (const auto& C : Cases) {
    Form->QualityEdit->setText(QString::fromLatin1(C.Typed));
    EXPECT_EQ(Form->QualityTrackBar->value(), C.Position) << C.Typed;
    EXPECT_EQ(Form->QualityComboBox->currentIndex(), C.ComboIndex) << C.Typed;
    EXPECT_EQ(Form->QualityEdit->text(), QString::fromLatin1(C.Typed)) << "edit must not be rewritten";
  }
}

TEST_F(JPEGOptionsTest, ChoosingPresetSetsItsQuality) {
  const int32_t Expected[] = {10, 30, 60, 80, 100};
  Form->SetQuality(45);
  for (int Index = 4; Index >= 0; --Index) {
    Form->QualityComboBox->setCurrentIndex(Index);
    EXPECT_EQ(Form->GetQuality(), Expected[Index]);
    EXPECT_EQ(Form->QualityEdit->text(), QString::number(Expected[Index]));
  }
}

TEST_F(JPEGOptionsTest, SetQualityAndTrackBarUpdateEditAndCombo) {
  EXPECT_EQ(Form->GetQuality(), 80);  // initial quality
  Form->SetQuality(65);
  EXPECT_EQ(Form->QualityEdit->text(), QStringLiteral("65"));
  EXPECT_EQ(Form->QualityComboBox->currentIndex(), 2);
  Form->QualityTrackBar->setValue(31);
  EXPECT_EQ(Form->QualityEdit->text(), QStringLiteral("31"));
  EXPECT_EQ(Form->QualityComboBox->currentIndex(), 1);
}

TEST_F(JPEGOptionsTest, OkWithBadTextWarnsAndClampsInsteadOfClosing) {
  const struct {
    const char* Typed;
    int32_t Set;
  } Cases[] = {{"150", 100}, {"42x", 42}, {"x9", 0}, {"99999999999999999999", 100}, {"", 0}};
  for (const auto& C : Cases) {
    Messages.clear();
    Form->setResult(-7);
    Form->QualityEdit->setText(QString::fromLatin1(C.Typed));
    Form->OkButtonClick();
    ASSERT_EQ(Messages.size(), 1u) << C.Typed;
    EXPECT_EQ(Messages[0].Caption, Form->windowTitle());
    EXPECT_EQ(Messages[0].Flags & QvMB::MB_ICONMASK, QvMB::MB_ICONERROR);
    EXPECT_EQ(Form->GetQuality(), C.Set) << C.Typed;
    EXPECT_EQ(Form->QualityEdit->text(), QString::number(C.Set));
    EXPECT_EQ(Form->result(), -7) << "the dialog must stay open";
  }
}

TEST_F(JPEGOptionsTest, OkAndCancelResults) {
  Form->QualityEdit->setText(QStringLiteral(" 55"));
  Form->OkButtonClick();
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(Form->result(), QvMB::IDOK);
  EXPECT_EQ(Form->GetQuality(), 55);
  Form->reject();
  EXPECT_EQ(Form->result(), QvMB::IDCANCEL);
}

TEST_F(JPEGOptionsTest, LocalizeKeepsTheQuality) {
  Form->SetQuality(33);
  Form->Localize();
  EXPECT_EQ(Form->GetQuality(), 33);
  EXPECT_EQ(Form->QualityComboBox->currentIndex(), 1);
  EXPECT_EQ(Form->QualityComboBox->itemText(3), QStringLiteral("Very High"));
  EXPECT_TRUE(Form->QualityLabel->text().endsWith(QLatin1Char(':')));
}

}  // namespace
