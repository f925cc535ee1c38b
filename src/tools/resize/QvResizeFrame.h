#pragma once
// The resize tool's option frame: the new width and height, each an edit with an up-down, the
// constrain-proportions check box, and Ok and Cancel.

#include "QvOptionFrame.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TQvResizeTool;

// The two arrows beside an edit. They step a value within 1..32767 and say where it went; the
// edit itself takes any text (a number outside the range is the tool's to judge).
class TQvUpDown : public QWidget {
  Q_OBJECT

 public:
  static constexpr int Min = 1;
  static constexpr int Max = 32767;

  explicit TQvUpDown(QWidget* Parent = nullptr);
  // The value the arrows step from (the edit's number as the tool holds it).
  std::function<int()> Position;
  // The value an arrow moved to, within Min..Max.
  std::function<void(int NewValue)> OnChanging;
  QToolButton* UpButton = nullptr;
  QToolButton* DownButton = nullptr;

 private:
  void Step(int Delta);
};

class TQvResizeFrame : public TQvOptionFrame {
  Q_OBJECT

 public:
  static constexpr int FrameWidth = 193;

  explicit TQvResizeFrame(QWidget* Parent = nullptr);

  // ---- event handlers ----
  void WidthEditChange();
  void HeightEditChange();
  void ConstrainProportionsCheckBoxChange();
  void OkButtonClick();
  void CancelButtonClick();

  QPointer<TQvResizeTool> FTool;  // set by the tool right after creation

  QWidget* SizePanel = nullptr;
  QLabel* NewSizeLabel = nullptr;
  QLabel* WidthLabel = nullptr;
  QLineEdit* WidthEdit = nullptr;
  TQvUpDown* WidthUpDown = nullptr;
  QLabel* HeightLabel = nullptr;
  QLineEdit* HeightEdit = nullptr;
  TQvUpDown* HeightUpDown = nullptr;
  QCheckBox* ConstrainProportionsCheckBox = nullptr;
  QWidget* OkPanel = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;
};
