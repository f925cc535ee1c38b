#include "QvGraphicsPrintForm.h"

#include "QvGraphicsDocument.h"
#include "QvLocalizer.h"
#include "QvPrinter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPrintDialog>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLocale::MeasurementSystem SystemMeasurement() { return QLocale::system().measurementSystem(); }
}  // namespace

QLocale::MeasurementSystem (*TQvGraphicsPrintForm::MeasurementSystem)() = SystemMeasurement;

TQvGraphicsPrintForm::TQvGraphicsPrintForm(QWidget* Parent, TQvPrinter* Printer)
    : TQvFormOf<QDialog>(Parent), FPrinter(Printer) {
  setObjectName(QStringLiteral("GraphicsPrintForm"));
  setModal(true);
  PositionAndSizeGroupBox = new QGroupBox(this);
  auto* Grid = new QGridLayout(PositionAndSizeGroupBox);
  auto MakeEdit = [this](const char* Name) {
    auto* Edit = new QLineEdit(PositionAndSizeGroupBox);
    Edit->setObjectName(QLatin1String(Name));
    Edit->setMaxLength(20);
    Edit->installEventFilter(this);
    connect(Edit, &QLineEdit::textChanged, this, [this, Edit] { EditChange(Edit); });
    connect(Edit, &QLineEdit::editingFinished, this, [this, Edit] { EditExit(Edit); });
    return Edit;
  };
  auto MakeUnits = [this](const char* Name) {
    auto* Box = new QComboBox(PositionAndSizeGroupBox);
    Box->setObjectName(QLatin1String(Name));
    for (int I = 0; I < PrintUnitCount; ++I) Box->addItem(QString());
    connect(Box, &QComboBox::currentIndexChanged, this, [this, Box] { UnitsChange(Box); });
    return Box;
  };
  auto MakeLabel = [this](QWidget* Buddy) {
    auto* Label = new QLabel(PositionAndSizeGroupBox);
    Label->setBuddy(Buddy);
    return Label;
  };
  LeftEdit = MakeEdit("LeftEdit");
  LeftUnitsComboBox = MakeUnits("LeftUnitsComboBox");
  LeftLabel = MakeLabel(LeftEdit);
  TopEdit = MakeEdit("TopEdit");
  TopUnitsComboBox = MakeUnits("TopUnitsComboBox");
  TopLabel = MakeLabel(TopEdit);
  CenterImageCheckBox = new QCheckBox(PositionAndSizeGroupBox);
  CenterImageCheckBox->setObjectName(QStringLiteral("CenterImageCheckBox"));
  ScaleEdit = MakeEdit("ScaleEdit");
  ScaleLabel = MakeLabel(ScaleEdit);
  WidthEdit = MakeEdit("WidthEdit");
  WidthUnitsComboBox = MakeUnits("WidthUnitsComboBox");
  WidthLabel = MakeLabel(WidthEdit);
  HeightEdit = MakeEdit("HeightEdit");
  HeightUnitsComboBox = MakeUnits("HeightUnitsComboBox");
  HeightLabel = MakeLabel(HeightEdit);
  ScaleToFitMediaCheckBox = new QCheckBox(PositionAndSizeGroupBox);
  ScaleToFitMediaCheckBox->setObjectName(QStringLiteral("ScaleToFitMediaCheckBox"));
  connect(CenterImageCheckBox, &QCheckBox::toggled, this, [this] { OptionsChange(); });
  connect(ScaleToFitMediaCheckBox, &QCheckBox::toggled, this, [this] { OptionsChange(); });

  Grid->addWidget(LeftLabel, 0, 0);
  Grid->addWidget(LeftEdit, 0, 1);
  Grid->addWidget(LeftUnitsComboBox, 0, 2);
  Grid->addWidget(TopLabel, 1, 0);
  Grid->addWidget(TopEdit, 1, 1);
  Grid->addWidget(TopUnitsComboBox, 1, 2);
  Grid->addWidget(CenterImageCheckBox, 2, 1, 1, 2);
  Grid->addWidget(ScaleLabel, 3, 0);
  Grid->addWidget(ScaleEdit, 3, 1);
  Grid->addWidget(WidthLabel, 4, 0);
  Grid->addWidget(WidthEdit, 4, 1);
  Grid->addWidget(WidthUnitsComboBox, 4, 2);
  Grid->addWidget(HeightLabel, 5, 0);
  Grid->addWidget(HeightEdit, 5, 1);
  Grid->addWidget(HeightUnitsComboBox, 5, 2);
  Grid->addWidget(ScaleToFitMediaCheckBox, 6, 1, 1, 2);

  PrinterButton = new QPushButton(this);
  PrinterButton->setObjectName(QStringLiteral("PrinterButton"));
  PrinterButton->setAutoDefault(false);
  PrintButton = new QPushButton(this);
  PrintButton->setObjectName(QStringLiteral("PrintButton"));
  PrintButton->setDefault(true);
  CancelButton = new QPushButton(this);
  CancelButton->setObjectName(QStringLiteral("CancelButton"));
  CancelButton->setAutoDefault(false);
  connect(PrinterButton, &QPushButton::clicked, this, [this] { PrinterButtonClick(); });
  connect(PrintButton, &QPushButton::clicked, this, [this] { PrintButtonClick(); });
  connect(CancelButton, &QPushButton::clicked, this, [this] { reject(); });

  auto* Buttons = new QHBoxLayout;
  Buttons->addWidget(PrinterButton);
  Buttons->addStretch(1);
  Buttons->addWidget(PrintButton);
  Buttons->addWidget(CancelButton);
  auto* Main = new QVBoxLayout(this);
  Main->addWidget(PositionAndSizeGroupBox);
  Main->addLayout(Buttons);
  setSizeGripEnabled(false);
}

void TQvGraphicsPrintForm::Initialize() {
  TQvFormOf<QDialog>::Initialize();
  const int Unit = DefaultPrintUnit(MeasurementSystem ? MeasurementSystem() : QLocale::MetricSystem);
  for (QComboBox* Box : {LeftUnitsComboBox, TopUnitsComboBox, WidthUnitsComboBox, HeightUnitsComboBox})
    Box->setCurrentIndex(Unit);
}

void TQvGraphicsPrintForm::Localize() {
  setWindowTitle(GetLocalString(21, QStringLiteral("Print")));
  PositionAndSizeGroupBox->setTitle(QLatin1Char(' ') + GetLocalString(746, QStringLiteral("Position and Size")) +
                                    QStringLiteral(": "));
  LeftLabel->setText(GetLocalString(149, QStringLiteral("Left")) + QLatin1Char(':'));
  TopLabel->setText(GetLocalString(148, QStringLiteral("Top")) + QLatin1Char(':'));
  ScaleLabel->setText(GetLocalString(35, QStringLiteral("Scale")) + QLatin1Char(':'));
  WidthLabel->setText(GetLocalString(505, QStringLiteral("Width")) + QLatin1Char(':'));
  HeightLabel->setText(GetLocalString(506, QStringLiteral("Height")) + QLatin1Char(':'));
  CenterImageCheckBox->setText(GetLocalString(757, QStringLiteral("Center Image")));
  ScaleToFitMediaCheckBox->setText(GetLocalString(758, QStringLiteral("Scale To Fit Media")));
  PrinterButton->setText(GetLocalString(524, QStringLiteral("Printer")) + QStringLiteral("..."));
  PrintButton->setText(GetLocalString(21, QStringLiteral("Print")));
  CancelButton->setText(GetLocalString(2, QStringLiteral("Cancel")));
  const QString Units[PrintUnitCount] = {GetLocalString(509, QStringLiteral("mm")), GetLocalString(510, QStringLiteral("cm")),
                                         GetLocalString(759, QStringLiteral("in")), GetLocalString(760, QStringLiteral("pt"))};
  for (QComboBox* Box : {LeftUnitsComboBox, TopUnitsComboBox, WidthUnitsComboBox, HeightUnitsComboBox}) {
    const QSignalBlocker Block(Box);
    for (int I = 0; I < PrintUnitCount; ++I) Box->setItemText(I, Units[I] + QLatin1Char('.'));
  }
}

void TQvGraphicsPrintForm::RefreshGeometry() {
  if (FPrinter) FPlacement.SetGeometry(FPrinter->Geometry());
}

void TQvGraphicsPrintForm::SetDocument(TQvGraphicsDocument* Document) {
  FDocument = Document;
  RefreshGeometry();
  if (FDocument)
    FPlacement.SetImage(FDocument->Width(), FDocument->Height(), FDocument->Properties().FResolutionX,
                        FDocument->Properties().FResolutionY);
  CenterImage();
  ShowSize();
  ShowScale();
}

// ---- showing values ----

int TQvGraphicsPrintForm::UnitOf(const QLineEdit* Edit) const {
  const QComboBox* Box = UnitsOf(Edit);
  return Box && Box->currentIndex() >= 0 ? Box->currentIndex() : puCentimetre;
}

QComboBox* TQvGraphicsPrintForm::UnitsOf(const QLineEdit* Edit) const {
  if (Edit == LeftEdit) return LeftUnitsComboBox;
  if (Edit == TopEdit) return TopUnitsComboBox;
  if (Edit == WidthEdit) return WidthUnitsComboBox;
  if (Edit == HeightEdit) return HeightUnitsComboBox;
  return nullptr;
}

TQvPrintField TQvGraphicsPrintForm::FieldOf(const QLineEdit* Edit) const {
  if (Edit == LeftEdit) return TQvPrintField::Left;
  if (Edit == TopEdit) return TQvPrintField::Top;
  if (Edit == WidthEdit) return TQvPrintField::Width;
  if (Edit == HeightEdit) return TQvPrintField::Height;
  return TQvPrintField::Scale;
}

void TQvGraphicsPrintForm::ShowLength(QLineEdit* Edit, int Value) {
  const bool Was = FUpdating;
  FUpdating = true;
  Edit->setText(FormatPrintLength(Value, UnitOf(Edit)));
  FUpdating = Was;
}

void TQvGraphicsPrintForm::ShowLeftTop() {
  ShowLength(LeftEdit, FPlacement.FLeft);
  ShowLength(TopEdit, FPlacement.FTop);
}

void TQvGraphicsPrintForm::ShowSize() {
  ShowLength(WidthEdit, FPlacement.FWidth);
  ShowLength(HeightEdit, FPlacement.FHeight);
}

void TQvGraphicsPrintForm::ShowScale() {
  const bool Was = FUpdating;
  FUpdating = true;
  ScaleEdit->setText(FormatPrintScale(FPlacement.Scale()));
  FUpdating = Was;
}

void TQvGraphicsPrintForm::ShowAll() {
  ShowLeftTop();
  ShowSize();
  ShowScale();
}

// ---- placement ----

void TQvGraphicsPrintForm::CenterImage() {
  FPlacement.CenterImage();
  ShowLeftTop();
}

void TQvGraphicsPrintForm::ScaleToFit() {
  FPlacement.ScaleToFit();
  ShowAll();
}

void TQvGraphicsPrintForm::MoveToPrintableOrigin() {
  FPlacement.MoveToPrintableOrigin();
  ShowLeftTop();
}

// ---- event handlers ----

void TQvGraphicsPrintForm::UnitsChange(QComboBox* Sender) {
  if (Sender == LeftUnitsComboBox) ShowLength(LeftEdit, FPlacement.FLeft);
  else if (Sender == TopUnitsComboBox) ShowLength(TopEdit, FPlacement.FTop);
  else if (Sender == WidthUnitsComboBox) ShowLength(WidthEdit, FPlacement.FWidth);
  else if (Sender == HeightUnitsComboBox) ShowLength(HeightEdit, FPlacement.FHeight);
}

void TQvGraphicsPrintForm::OptionsChange() {
  if (FInOptionsChange) return;
  FInOptionsChange = true;
  const bool Fit = ScaleToFitMediaCheckBox->isChecked();
  CenterImageCheckBox->setEnabled(!Fit);
  if (Fit) CenterImageCheckBox->setChecked(true);
  const bool Centre = CenterImageCheckBox->isChecked();
  if (Fit)
    ScaleToFit();
  else if (Centre)
    CenterImage();
  LeftEdit->setEnabled(!Centre);
  TopEdit->setEnabled(!Centre);
  ScaleEdit->setEnabled(!Fit);
  WidthEdit->setEnabled(!Fit);
  HeightEdit->setEnabled(!Fit);
  FInOptionsChange = false;
}

void TQvGraphicsPrintForm::EditChange(QLineEdit* Sender) {
  if (FUpdating || Sender->text().isEmpty()) return;
  const bool Centre = CenterImageCheckBox->isChecked();
  if (Sender == ScaleEdit) {
    QString Text = Sender->text();
    if (Text.endsWith(QLatin1Char('%'))) Text.chop(1);
    if (const std::optional<double> P = ParsePrintNumber(Text)) {
      FPlacement.SetScale(*P);
      if (Centre) CenterImage();
      ShowSize();
    }
    return;
  }
  const std::optional<int> Value = ParsePrintLength(Sender->text(), UnitOf(Sender));
  if (!Value) return;
  if (Sender == LeftEdit) {
    FPlacement.SetLeft(*Value);
  } else if (Sender == TopEdit) {
    FPlacement.SetTop(*Value);
  } else if (Sender == WidthEdit) {
    FPlacement.SetWidthKeepingProportions(*Value);
    if (Centre) CenterImage();
    ShowLength(HeightEdit, FPlacement.FHeight);
  } else if (Sender == HeightEdit) {
    FPlacement.SetHeightKeepingProportions(*Value);
    if (Centre) CenterImage();
    ShowLength(WidthEdit, FPlacement.FWidth);
  }
}

void TQvGraphicsPrintForm::EditExit(QLineEdit* Sender) {
  if (Sender == ScaleEdit) {
    // A scale that is no number keeps the size as it stands rather than shrinking it to nothing.
    QString Typed = Sender->text().remove(QLatin1Char('%')).trimmed();
    if (Typed.endsWith(QLocale().decimalPoint())) Typed.chop(QLocale().decimalPoint().size());
    if (!ParsePrintNumber(Typed)) {
      ShowScale();
      return;
    }
  }
  const QString Text = NormalizePrintField(FieldOf(Sender), Sender->text(), UnitOf(Sender));
  if (Text != Sender->text()) Sender->setText(Text);
}

bool TQvGraphicsPrintForm::EditKeyPress(QLineEdit* Sender, QChar Key, QString& Insert) {
  TQvPrintFieldState State;
  State.Text = Sender->text();
  // Typing over a selection starts where the selection starts.
  State.Caret = Sender->hasSelectedText() ? Sender->selectionStart() : Sender->cursorPosition();
  State.SelectionEnd = Sender->hasSelectedText() ? Sender->selectionEnd() : State.Caret;
  return AcceptPrintKey(FieldOf(Sender), Key, State, Insert);
}

bool TQvGraphicsPrintForm::eventFilter(QObject* Watched, QEvent* Event) {
  auto* Edit = qobject_cast<QLineEdit*>(Watched);
  if (Edit && Event->type() == QEvent::KeyPress) {
    const auto* Key = static_cast<QKeyEvent*>(Event);
    const QString Text = Key->text();
    // Only typed characters are filtered; movement, deletion and shortcuts pass as they are.
    const bool Shortcut = Key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (Key->key() == Qt::Key_Backspace || Shortcut || Text.size() != 1 || !Text[0].isPrint()) return false;
    QString Insert;
    if (!EditKeyPress(Edit, Text[0], Insert)) return true;
    if (Insert != Text) {
      Edit->insert(Insert);
      return true;
    }
    return false;
  }
  if (Edit && Event->type() == QEvent::FocusOut) EditExit(Edit);
  return TQvFormOf<QDialog>::eventFilter(Watched, Event);
}

bool TQvGraphicsPrintForm::ExecutePrinterDialog() {
  if (!FPrinter) return false;
  QPrintDialog Dialog(&FPrinter->Printer(), this);
  return Dialog.exec() == QDialog::Accepted;
}

void TQvGraphicsPrintForm::PrinterButtonClick() {
  if (!ExecutePrinterDialog()) return;
  // The page may have changed.
  RefreshGeometry();
  OptionsChange();
}

void TQvGraphicsPrintForm::PrintButtonClick() {
  if (!FPrinter || !FDocument) return;
  // Leaving an edit by the default button's Enter must still count what was typed.
  if (auto* Edit = qobject_cast<QLineEdit*>(focusWidget())) EditExit(Edit);
  RefreshGeometry();
  if (FPlacement.IsEmpty()) {
    Application->MessageBox(
        GetLocalString(5402, QStringLiteral("The image would be printed with no width or height. Enter a width "
                                            "and a height greater than 0.")),
        windowTitle(), QvMB::MB_OK | QvMB::MB_ICONWARNING);
    return;
  }
  if (!FPlacement.FitsPrintableArea()) {
    const int Answer = Application->MessageBox(
        GetLocalString(761, QStringLiteral("The image does not fit in the printable area of the page. Do you want "
                                           "to print it anyway?")),
        windowTitle(), QvMB::MB_YESNO | QvMB::MB_ICONQUESTION);
    if (Answer != QvMB::IDYES) {
      if (FPlacement.LargerThanPrintableArea())
        ScaleToFit();
      else
        MoveToPrintableOrigin();
      return;
    }
  }
  if (Print()) done(QvMB::IDOK);
}

bool TQvGraphicsPrintForm::Print() {
  const QRect D = FPlacement.DeviceRect();
  const TRect Rect{D.x(), D.y(), D.x() + D.width(), D.y() + D.height()};
  FPrinter->Title = FDocument->DisplayName();
  TQvLTBitmap& Image = FDocument->Image();
  QString Error;
  if (FPrinter->PrintPage([&Image, &Rect](QPainter& Painter) { return Image.Print(&Painter, Rect); }, Error))
    return true;
  Application->MessageBox(Error, windowTitle(), QvMB::MB_OK | QvMB::MB_ICONERROR);
  return false;
}
