#include "QvTextFrame.h"

#include "QvFontNameComboBox.h"
#include "QvTextSettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

const TQvNamedColor QvTextColors[20] = {
    {"Black", 0x000000},   {"Maroon", 0x000080},    {"Green", 0x008000},  {"Olive", 0x008080},
    {"Navy", 0x800000},    {"Purple", 0x800080},    {"Teal", 0x808000},   {"Gray", 0x808080},
    {"Silver", 0xC0C0C0},  {"Red", 0x0000FF},       {"Lime", 0x00FF00},   {"Yellow", 0x00FFFF},
    {"Blue", 0xFF0000},    {"Fuchsia", 0xFF00FF},   {"Aqua", 0xFFFF00},   {"White", 0xFFFFFF},
    {"Money Green", 0xC0DCC0}, {"Sky Blue", 0xF0CAA6}, {"Cream", 0xF0FBFF}, {"Medium Gray", 0xA4A0A0},
};

namespace {

QColor ToQColor(uint32_t Color) { return QColor(int(Color & 0xFF), int((Color >> 8) & 0xFF), int((Color >> 16) & 0xFF)); }

QIcon Swatch(uint32_t Color) {
  QPixmap Pixmap(16, 12);
  Pixmap.fill(ToQColor(Color));
  return QIcon(Pixmap);
}

QToolButton* StyleButton(QWidget* Parent, const QString& Caption, bool Bold, bool Italic, bool Underline, bool Strike) {
  auto* B = new QToolButton(Parent);
  B->setText(Caption);
  B->setCheckable(true);
  B->setAutoRaise(true);
  B->setMinimumSize(24, 24);
  QFont F = B->font();
  F.setBold(Bold);
  F.setItalic(Italic);
  F.setUnderline(Underline);
  F.setStrikeOut(Strike);
  B->setFont(F);
  return B;
}

}  // namespace

TQvTextFrame::TQvTextFrame(QWidget* Parent) : TQvOptionFrame(Parent) {
  setMinimumWidth(FrameWidth);
  FontGroupBox = new QGroupBox(this);
  auto* Group = new QVBoxLayout(FontGroupBox);
  FontNameComboBox = new TQvFontNameComboBox(FontGroupBox);
  FontNameComboBox->FillFonts();
  Group->addWidget(FontNameComboBox);

  auto* Row = new QHBoxLayout;
  SizeTBXLabel = new QLabel(FontGroupBox);
  SizeSpinEdit = new QSpinBox(FontGroupBox);
  SizeSpinEdit->setRange(TextFontSizeMin, TextFontSizeMax);
  SizeSpinEdit->setValue(TextFontSizeDefault);
  // The size changes by the arrows only, in steps that grow with the size.
  if (auto* Edit = SizeSpinEdit->findChild<QLineEdit*>()) Edit->setReadOnly(true);
  BoldTBXButton = StyleButton(FontGroupBox, QStringLiteral("B"), true, false, false, false);
  ItalicTBXButton = StyleButton(FontGroupBox, QStringLiteral("I"), false, true, false, false);
  UnderlineTBXButton = StyleButton(FontGroupBox, QStringLiteral("U"), false, false, true, false);
  StrikeoutTBXButton = StyleButton(FontGroupBox, QStringLiteral("S"), false, false, false, true);
  Row->addWidget(SizeTBXLabel);
  Row->addWidget(SizeSpinEdit);
  Row->addStretch();
  for (QToolButton* B : {BoldTBXButton, ItalicTBXButton, UnderlineTBXButton, StrikeoutTBXButton}) Row->addWidget(B);
  Group->addLayout(Row);

  FontColorRadioGroup = new QGroupBox(FontGroupBox);
  auto* Radio = new QVBoxLayout(FontColorRadioGroup);
  FontColorButtons = new QButtonGroup(FontColorRadioGroup);
  for (int I = 0; I < 2; ++I) {
    ColorRadioButtons[I] = new QRadioButton(FontColorRadioGroup);
    FontColorButtons->addButton(ColorRadioButtons[I], I);
    Radio->addWidget(ColorRadioButtons[I]);
  }
  ColorRadioButtons[0]->setChecked(true);
  ColorBox = new QComboBox(FontColorRadioGroup);
  for (const TQvNamedColor& C : QvTextColors) ColorBox->addItem(Swatch(C.Color), QString::fromLatin1(C.Name), C.Color);
  Radio->insertWidget(1, ColorBox);
  MaxInverseTBXCheckBox = new QCheckBox(FontColorRadioGroup);
  Radio->addWidget(MaxInverseTBXCheckBox);
  Group->addWidget(FontColorRadioGroup);
  AddControl(FontGroupBox);

  TextMemo = new QPlainTextEdit(this);
  TextMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
  TextMemo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  TextMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  TextMemo->setMinimumHeight(120);
  AddControl(TextMemo);
  StatusLabel = new QLabel(this);
  StatusLabel->setWordWrap(true);
  StatusLabel->hide();
  AddControl(StatusLabel);
}

void TQvTextFrame::ShowColor(uint32_t Color) {
  Color &= 0xFFFFFF;
  int Index = ColorBox->findData(Color);
  if (Index < 0) {
    ColorBox->addItem(Swatch(Color), QStringLiteral("#%1").arg(ToQColor(Color).name().mid(1).toUpper()), Color);
    Index = ColorBox->count() - 1;
  }
  ColorBox->setCurrentIndex(Index);
}

uint32_t TQvTextFrame::SelectedColor() const { return ColorBox->currentData().toUInt(); }

int32_t TQvTextFrame::ButtonStyle() const {
  return (BoldTBXButton->isChecked() ? TextStyleBold : 0) | (ItalicTBXButton->isChecked() ? TextStyleItalic : 0) |
         (UnderlineTBXButton->isChecked() ? TextStyleUnderline : 0) |
         (StrikeoutTBXButton->isChecked() ? TextStyleStrikeOut : 0);
}
