#pragma once
// The crop tool's option frame: the ratio the rectangle is held to, free (two numbers), a print
// format or a screen format, with the screen format's resolutions and the screen's own.

#include "QvCropGeometry.h"
#include "QvOptionFrame.h"

#include <QPointer>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TQvCrop2Tool;

class TQvCrop2Frame : public TQvOptionFrame {
  Q_OBJECT

 public:
  static constexpr int FrameWidth = 266;

  explicit TQvCrop2Frame(QWidget* Parent = nullptr);

  // The ratio from the controls: 0 the two edits as they stand (not reduced), 1 the chosen print
  // format, 2 the chosen screen format (reduced; the resolution boxes follow).
  void SetRatio(int Kind);
  // Shows or hides the controls for the options state and the checked radio button.
  void UpdateLayout(bool ShowOptions);
  // "Screen resolution: WxH" and "Aspect ratio: w:h" of the screen the frame is on.
  QString ScreenResolutionText() const;
  // The resolution lists of the screen formats, one line each (strings 2892..2897).
  void LocalizeResolutions();

  // ---- event handlers ----
  void OnRadioGroupClick();
  void SizeEditChange();
  void btClearClick();
  void ShowOptionsButtonClick();
  // Selects entry Index of List (one of the two format lists); the first entry when Index is not one.
  void SelectFormat(QComboBox* List, int Index);

  QPointer<TQvCrop2Tool> FTool;  // set by the tool right after creation

  QLabel* DescriptionLabel = nullptr;
  QRadioButton* rbFree = nullptr;
  QRadioButton* rbFoto = nullptr;
  QRadioButton* rbScreen = nullptr;
  QWidget* SizePanel = nullptr;
  QLabel* WidthLabel = nullptr;
  QSpinBox* WidthEdit = nullptr;
  QLabel* HeightLabel = nullptr;
  QSpinBox* HeightEdit = nullptr;
  QPushButton* btClear = nullptr;
  QWidget* panelFoto = nullptr;
  QComboBox* cmbFoto = nullptr;
  QWidget* panelScreen = nullptr;
  QComboBox* cmbScreen = nullptr;
  QGroupBox* gbListResolution = nullptr;
  QLabel* lblListResolution = nullptr;
  QGroupBox* gbCurrentResolution = nullptr;
  QLabel* lblCurrentResolution = nullptr;

 private:
  // The recorded lines of a format chosen from a list by the user.
  void RecordFormat(const QString& Name, int Index);
  // An edit's number; 0 when it is empty.
  static int32_t EditValue(const QSpinBox* Edit, bool& HasText);
  QStringList FResolutionLists;  // one per screen format
};
