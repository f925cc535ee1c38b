// The acquisition dialog: the scanner's own settings screen does not exist here, so the component
// shows this one. It waits for the device, offers mode, resolution and scan area, and then shows
// the scan's progress; Cancel works at every stage. Not modal: the editor stays usable.
#pragma once

#include "QvScanOptions.h"

#include <QDialog>

#include <functional>

class QComboBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QStackedWidget;

class TQvScanDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TQvScanDialog(QWidget* Parent, const QString& SourceName);

  // The device is open: shows its options, starting from Remembered where it has any.
  void ShowOptions(const TQvDeviceOptions& Options, const TQvScanChoices* Remembered);
  // The scan runs: Percent < 0 when its length is not known.
  void ShowProgress(int Percent);
  // What the controls say now.
  TQvScanChoices Choices() const;
  void Localize();

  // Scan pressed (the dialog switches to its progress page), and Cancel or the window closed.
  std::function<void(const TQvScanChoices& Choices)> OnScan;
  std::function<void()> OnCancel;

  QComboBox* ModeBox = nullptr;
  QComboBox* ResolutionBox = nullptr;
  QGroupBox* AreaBox = nullptr;
  QDoubleSpinBox* LeftEdit = nullptr;
  QDoubleSpinBox* TopEdit = nullptr;
  QDoubleSpinBox* RightEdit = nullptr;
  QDoubleSpinBox* BottomEdit = nullptr;
  QPushButton* ScanButton = nullptr;
  QPushButton* CancelButton = nullptr;
  QProgressBar* Progress = nullptr;

 protected:
  void reject() override;

 private:
  void ScanClicked();

  QString FSourceName;
  TQvDeviceOptions FOptions;
  QStackedWidget* FPages = nullptr;
  QLabel* FWaitLabel = nullptr;
  QLabel* FModeLabel = nullptr;
  QLabel* FResolutionLabel = nullptr;
  QLabel* FAreaLabels[4] = {};
  QLabel* FProgressLabel = nullptr;
  bool FCancelled = false;
};
