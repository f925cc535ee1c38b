#pragma once
// The text tool's option frame: font, size, style and colour mode in a group, and below it the
// memo the text is typed into.

#include "QvOptionFrame.h"

#include <QPointer>

#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPlainTextEdit;
class QRadioButton;
class QSpinBox;
class QToolButton;
class TQvFontNameComboBox;
class TQvTextTool;

// The colour box's colours: the standard sixteen and the four extended ones, with their names
// (colour values are the platform's: red in the low byte).
struct TQvNamedColor {
  const char* Name;
  uint32_t Color;
};
extern const TQvNamedColor QvTextColors[20];

class TQvTextFrame : public TQvOptionFrame {
  Q_OBJECT

 public:
  static constexpr int FrameWidth = 272;

  explicit TQvTextFrame(QWidget* Parent = nullptr);

  // Shows Color in the colour box, adding it as a custom entry when it is none of the named ones.
  void ShowColor(uint32_t Color);
  // The colour the box shows.
  uint32_t SelectedColor() const;
  // The style bits of the four toggle buttons.
  int32_t ButtonStyle() const;

  QPointer<TQvTextTool> FTool;  // set by the tool right after creation

  QGroupBox* FontGroupBox = nullptr;
  TQvFontNameComboBox* FontNameComboBox = nullptr;
  QSpinBox* SizeSpinEdit = nullptr;
  QLabel* SizeTBXLabel = nullptr;
  QToolButton* BoldTBXButton = nullptr;
  QToolButton* ItalicTBXButton = nullptr;
  QToolButton* UnderlineTBXButton = nullptr;
  QToolButton* StrikeoutTBXButton = nullptr;
  QGroupBox* FontColorRadioGroup = nullptr;
  QRadioButton* ColorRadioButtons[2] = {nullptr, nullptr};
  QButtonGroup* FontColorButtons = nullptr;
  QComboBox* ColorBox = nullptr;
  QCheckBox* MaxInverseTBXCheckBox = nullptr;
  QPlainTextEdit* TextMemo = nullptr;
  // Why nothing is drawn (a text too large); hidden otherwise.
  QLabel* StatusLabel = nullptr;
};
