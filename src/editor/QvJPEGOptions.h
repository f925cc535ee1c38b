#pragma once
// The JPEG quality dialog a JPEG save shows: an edit, five presets and a track bar that follow
// each other.

#include "QvForms.h"

#include <QDialog>

#include <cstdint>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

class TQvJPEGOptionsForm : public TQvFormOf<QDialog> {
 public:
  // Quality of the combo box's entries Low, Medium, High, Very High, Maximum.
  static constexpr int32_t PresetCount = 5;
  static constexpr int32_t Presets[PresetCount] = {10, 30, 60, 80, 100};
  static constexpr int32_t DefaultQuality = 80;

  explicit TQvJPEGOptionsForm(QWidget* Parent = nullptr);

  // The highest preset entry not above value; Low for anything below the first preset.
  static int32_t PresetIndex(int32_t Value);
  // The edit's text as a quality: true for a whole number 0..100 (blanks around it allowed).
  static bool ParseQuality(const QString& Text, int32_t& Value);
  // The digits at the start of the trimmed text (0 when none), clamped to 0..100.
  static int32_t LeadingQuality(const QString& Text);

  void SetQuality(int32_t Value);
  int32_t GetQuality() const;
  void Localize() override;

  void QualityChange(QObject* Sender);
  void OkButtonClick();
  void reject() override;

  QLineEdit* QualityEdit = nullptr;
  QComboBox* QualityComboBox = nullptr;
  QSlider* QualityTrackBar = nullptr;
  QLabel* QualityLabel = nullptr;
  QLabel* SmallFileLabel = nullptr;
  QLabel* LargeFileLabel = nullptr;
  QCheckBox* DisplayCheckbox = nullptr;
  QPushButton* OkButton = nullptr;
  QPushButton* CancelButton = nullptr;

 private:
  // Set while one control is moving the others, so their change signals are not echoed back.
  bool FUpdating = false;
};
