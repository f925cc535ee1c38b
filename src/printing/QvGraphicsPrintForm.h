// The Print dialog: places and sizes the photo on the page in a unit of choice, with "Center
// Image" and "Scale To Fit Media", lets the user change the printer, and prints one page.
#pragma once

#include "QvForms.h"
#include "QvPrintFields.h"
#include "QvPrintPlacement.h"

#include <QDialog>
#include <QLocale>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TQvGraphicsDocument;
class TQvPrinter;

class TQvGraphicsPrintForm : public TQvFormOf<QDialog> {
 public:
  // Where the unit lists' default comes from: the user's measurement system. Tests replace it.
  static QLocale::MeasurementSystem (*MeasurementSystem)();

  TQvGraphicsPrintForm(QWidget* Parent, TQvPrinter* Printer);

  void Initialize() override;
  void Localize() override;

  // Called once before the dialog is shown: the image at its natural size, centred.
  virtual void SetDocument(TQvGraphicsDocument* Document);

  // ---- event handlers ----
  void PrinterButtonClick();
  void PrintButtonClick();
  void UnitsChange(QComboBox* Sender);
  void OptionsChange();
  void EditChange(QLineEdit* Sender);
  void EditExit(QLineEdit* Sender);
  // Whether the edit takes the typed character (see AcceptPrintKey); the replacement goes to Insert.
  bool EditKeyPress(QLineEdit* Sender, QChar Key, QString& Insert);

  // ---- placement ----
  void CenterImage();
  void ScaleToFit();
  void MoveToPrintableOrigin();
  const TQvPrintPlacement& Placement() const { return FPlacement; }

  QGroupBox* PositionAndSizeGroupBox = nullptr;
  QLabel* LeftLabel = nullptr;
  QLineEdit* LeftEdit = nullptr;
  QComboBox* LeftUnitsComboBox = nullptr;
  QLabel* TopLabel = nullptr;
  QLineEdit* TopEdit = nullptr;
  QComboBox* TopUnitsComboBox = nullptr;
  QCheckBox* CenterImageCheckBox = nullptr;
  QLabel* ScaleLabel = nullptr;
  QLineEdit* ScaleEdit = nullptr;
  QLabel* WidthLabel = nullptr;
  QLineEdit* WidthEdit = nullptr;
  QComboBox* WidthUnitsComboBox = nullptr;
  QLabel* HeightLabel = nullptr;
  QLineEdit* HeightEdit = nullptr;
  QComboBox* HeightUnitsComboBox = nullptr;
  QCheckBox* ScaleToFitMediaCheckBox = nullptr;
  QPushButton* PrinterButton = nullptr;
  QPushButton* PrintButton = nullptr;
  QPushButton* CancelButton = nullptr;

 protected:
  // The printer set-up dialog; true when the user confirmed it.
  virtual bool ExecutePrinterDialog();
  bool eventFilter(QObject* Watched, QEvent* Event) override;

 private:
  TQvPrintField FieldOf(const QLineEdit* Edit) const;
  QComboBox* UnitsOf(const QLineEdit* Edit) const;
  int UnitOf(const QLineEdit* Edit) const;
  void ShowLength(QLineEdit* Edit, int Value);
  void ShowLeftTop();
  void ShowSize();
  void ShowScale();
  void ShowAll();
  void RefreshGeometry();
  bool Print();

  TQvPrinter* FPrinter;
  TQvGraphicsDocument* FDocument = nullptr;
  TQvPrintPlacement FPlacement;
  bool FUpdating = false;
  bool FInOptionsChange = false;
};
