#include "QvDialogs.h"

#include "MainForm.h"
#include "QvApplication.h"
#include "QvImageList.h"
#include "QvLocalizer.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QMutexLocker>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QRegion>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <exception>

namespace {

// A dialog title has no accelerator: "&Save" shows as "Save".
QString WithoutAccelerator(QString Text) {
  Text.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&'));
  return Text.replace(QChar(1), QLatin1Char('&'));
}

// One entry of the dialog's type list: "Description (*.a *.b)"; the masks are what filters.
QString NameFilterOf(const TQvFileFormatInfo& Format) {
  QStringList Masks = Format.Mask.split(QLatin1Char(';'), Qt::SkipEmptyParts);
  for (QString& M : Masks) {
    M = M.trimmed();
    if (M == QLatin1String("*.*")) M = QStringLiteral("*");
  }
  return Format.Description + QStringLiteral(" (") + Masks.join(QLatin1Char(' ')) + QLatin1Char(')');
}

class TQvPreviewBox : public QWidget {
 public:
  TQvPreviewBox(TQvOpenDialog* Dialog, QWidget* Parent) : QWidget(Parent), FDialog(Dialog) {}

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter Painter(this);
    FDialog->PaintPreview(Painter);
  }

 private:
  TQvOpenDialog* FDialog;
};

}  // namespace

// ---- preview thread ----

TQvDialogPreviewThread::TQvDialogPreviewThread(TQvOpenDialog* Dialog, TQvFileFormats* Formats)
    : FDialog(Dialog), FFormats(Formats) {}

TQvDialogPreviewThread::~TQvDialogPreviewThread() { Terminate(); }

std::uint64_t TQvDialogPreviewThread::Request(const QString& FileName, QSize Box) {
  QMutexLocker Lock(&FLock);
  FRequest = FileName;
  FBox = Box;
  ++FNumber;
  FPending = !FileName.isEmpty();
  FWake.wakeAll();
  return FNumber;
}

void TQvDialogPreviewThread::Terminate() {
  requestInterruption();
  {
    QMutexLocker Lock(&FLock);
    FWake.wakeAll();
  }
  wait();
}

void TQvDialogPreviewThread::run() {
  while (!isInterruptionRequested()) {
    QString FileName;
    QSize Box;
    std::uint64_t Number = 0;
    {
      QMutexLocker Lock(&FLock);
      if (!FPending) {
        FWake.wait(&FLock, 10);
        continue;
      }
      FileName = FRequest;
      Box = FBox;
      Number = FNumber;
      FRequest.clear();
      FPending = false;
    }
    // Tells the dialog, after any hand-over, that this request is finished whatever came of it.
    TQvOpenDialog* Dialog = FDialog;
    const auto Finish = [Dialog, Number] {
      QMetaObject::invokeMethod(Dialog, [Dialog, Number] { emit Dialog->PreviewFinished(Number); }, Qt::QueuedConnection);
    };
    std::unique_ptr<TQvThumbnail> Made;
    bool Ok = false;
    if (FFormats) {
      try {
        Ok = FFormats->CreateThumbnail(FileName, std::max(1, Box.width() - 2), std::max(1, Box.height() - 2), Made);
      } catch (const std::exception&) {
        Ok = false;  // a file that cannot be previewed simply shows none
      }
    }
    if (!Ok || !Made) {
      Finish();
      continue;
    }
    {
      QMutexLocker Lock(&FLock);
      if (FNumber != Number) {  // a newer selection came meanwhile; Made is freed
        Made.reset();
        Finish();
        continue;
      }
    }
    if (isInterruptionRequested()) break;
    // If the dialog is gone before the call runs, the call is dropped and the thumbnail freed.
    std::shared_ptr<TQvThumbnail> Thumbnail(Made.release());
    QMetaObject::invokeMethod(
        Dialog, [Dialog, Number, Thumbnail] { Dialog->DeliverThumbnail(Number, Thumbnail); }, Qt::QueuedConnection);
    Finish();
  }
}

// ---- open dialog ----

TQvOpenDialog::TQvOpenDialog(QWidget* Owner, TQvFileFormats* Formats) : TQvOpenDialog(Owner, Formats, false) {
  TQvFileFormatInfos Infos;
  if (FFormats) FFormats->GetOpenFormats(Infos);
  SetFormats(Infos);
  // The entry that covers every supported format.
  SetFilterIndex((FFormats ? FFormats->Count() : 0) + 1);
}

TQvOpenDialog::TQvOpenDialog(QWidget* Owner, TQvFileFormats* Formats, bool ForSave)
    : QFileDialog(Owner), FFormats(Formats) {
  setOption(QFileDialog::DontUseNativeDialog, true);
  if (ForSave) {
    setAcceptMode(QFileDialog::AcceptSave);
    // The editor asks itself, once the format's extension is on the name.
    setOption(QFileDialog::DontConfirmOverwrite, true);
  } else {
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(QFileDialog::ExistingFile);
  }

  FPreviewPanel = new QFrame(this);
  FPreviewPanel->setObjectName(QStringLiteral("PreviewPanel"));
  FPreviewPanel->setFrameShape(QFrame::NoFrame);
  FPreviewPanel->setMinimumWidth(180);
  auto* PanelLayout = new QVBoxLayout(FPreviewPanel);
  PanelLayout->setContentsMargins(6, 6, 6, 6);
  FPreviewBox = new TQvPreviewBox(this, FPreviewPanel);
  FPreviewBox->setObjectName(QStringLiteral("PreviewBox"));
  FPreviewBox->setFixedHeight(224);
  FPreviewBox->setAttribute(Qt::WA_OpaquePaintEvent);
  FInfoLabel = new QLabel(FPreviewPanel);
  FInfoLabel->setObjectName(QStringLiteral("InfoLabel"));
  FInfoLabel->setWordWrap(true);
  FInfoLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  PanelLayout->addWidget(FPreviewBox);
  PanelLayout->addWidget(FInfoLabel, 1);
  if (auto* Grid = qobject_cast<QGridLayout*>(layout()))
    Grid->addWidget(FPreviewPanel, 0, Grid->columnCount(), Grid->rowCount(), 1);
  else if (layout())
    layout()->addWidget(FPreviewPanel);
  FPreviewPanel->installEventFilter(this);

  connect(this, &QFileDialog::currentChanged, this, &TQvOpenDialog::SelectionChanged);
  FThread = new TQvDialogPreviewThread(this, FFormats);
  FThread->start();
}

TQvOpenDialog::~TQvOpenDialog() {
  FThread->Terminate();
  delete FThread;
  FThumbnail.reset();
}

void TQvOpenDialog::SetFormats(const TQvFileFormatInfos& Formats) {
  FFilter = BuildFilter(Formats);
  FNameFilters.clear();
  for (const TQvFileFormatInfo& F : Formats) FNameFilters << NameFilterOf(F);
  setNameFilters(FNameFilters);
}

bool TQvOpenDialog::Execute() {
  setWindowTitle(WithoutAccelerator(GetLocalString(12, QStringLiteral("Open"))));
  return exec() == QDialog::Accepted;
}

QString TQvOpenDialog::FileName() const { return selectedFiles().value(0); }

void TQvOpenDialog::SetFileName(const QString& Name) {
  if (Name.isEmpty()) return;
  const QFileInfo Info(Name);
  if (!Info.path().isEmpty() && Info.path() != QLatin1String(".")) setDirectory(Info.path());
  selectFile(Info.fileName());
}

int TQvOpenDialog::FilterIndex() const { return static_cast<int>(FNameFilters.indexOf(selectedNameFilter())) + 1; }

void TQvOpenDialog::SetFilterIndex(int Index) {
  if (Index >= 1 && Index <= FNameFilters.size()) selectNameFilter(FNameFilters[Index - 1]);
}

QString TQvOpenDialog::InfoText() const { return FInfoLabel->text(); }

void TQvOpenDialog::SelectionChanged(const QString& Name) {
  FThumbnail.reset();
  std::unique_ptr<TQvFileInfo> Info;
  bool Described = false;
  if (!Name.isEmpty() && FFormats) {
    try {
      Described = FFormats->GetFileInfo(Name, Info) && Info;
    } catch (const std::exception&) {
      Described = false;
    }
  }
  if (Described) {
    QString Description;
    Info->GetDescription(Description);
    FInfoLabel->setText(QLatin1Char('\n') + Description);
    FRequestNumber = FThread->Request(Name, FPreviewBox->size());
  } else {
    FInfoLabel->clear();
    // Still a new request: a preview of the previous file must not show up for this one.
    FRequestNumber = FThread->Request(QString(), QSize());
  }
  FPreviewBox->update();
}

void TQvOpenDialog::DeliverThumbnail(std::uint64_t Number, std::shared_ptr<TQvThumbnail> Thumbnail) {
  if (FClosed || Number != FRequestNumber) return;  // the caller's copy is the last: freed on return
  FThumbnail = std::move(Thumbnail);
  FPreviewBox->update();
}

void TQvOpenDialog::PaintPreview(QPainter& Painter) {
  const QRect Area = FPreviewBox->rect();
  const QRect Inner = Area.adjusted(1, 1, -1, -1);
  QRegion Rest(Inner);
  if (FThumbnail) {
    QRect Drawn;
    FThumbnail->Draw(Painter, Inner, Drawn);
    Rest -= QRegion(Drawn);
  }
  // Only what the picture left uncovered is filled, so the picture does not flicker.
  const QColor Background = FPreviewBox->palette().color(QPalette::Window);
  for (const QRect& R : Rest) Painter.fillRect(R, Background);
  Painter.setPen(FPreviewBox->palette().color(QPalette::Dark));
  Painter.setBrush(Qt::NoBrush);
  Painter.drawRect(Area.adjusted(0, 0, -1, -1));
}

void TQvOpenDialog::LayOutPreview() {
  // Room below the picture for about eight lines of description.
  const int TextRoom = static_cast<int>(std::lround(1.25 * 8 * QFontMetrics(FInfoLabel->font()).height()));
  const int Height = FPreviewPanel->contentsRect().height() - TextRoom;
  FPreviewBox->setFixedHeight(std::max(32, Height));
}

bool TQvOpenDialog::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == FPreviewPanel && Event->type() == QEvent::Resize) LayOutPreview();
  return QFileDialog::eventFilter(Watched, Event);
}

void TQvOpenDialog::done(int Result) {
  // Closing stops the previews; one still on its way is dropped.
  FClosed = true;
  FThread->requestInterruption();
  QFileDialog::done(Result);
}

TQvSaveDialog::TQvSaveDialog(QWidget* Owner, TQvFileFormats* Formats) : TQvOpenDialog(Owner, Formats, true) {
  TQvFileFormatInfos Infos;
  if (FFormats) FFormats->GetSaveFormats(Infos);
  SetFormats(Infos);
}

bool TQvSaveDialog::Execute() {
  setWindowTitle(WithoutAccelerator(GetLocalString(15, QStringLiteral("&Save"))));
  return exec() == QDialog::Accepted;
}

// ---- message box ----

namespace {

// Numbers of the platform's standard icons.
QPixmap StandardIcon(int Id, int Size) {
  QStyle::StandardPixmap Which = QStyle::SP_MessageBoxInformation;
  switch (Id) {
    case 32513: Which = QStyle::SP_MessageBoxCritical; break;   // hand
    case 32514: Which = QStyle::SP_MessageBoxQuestion; break;   // question
    case 32515: Which = QStyle::SP_MessageBoxWarning; break;    // exclamation
    case 32516: Which = QStyle::SP_MessageBoxInformation; break;  // asterisk
    default: Which = QStyle::SP_DesktopIcon; break;             // application
  }
  return QApplication::style()->standardIcon(Which).pixmap(Size, Size);
}

}  // namespace

TQvMessageBox::TQvMessageBox(QWidget* Owner, const QString& Caption, const QString& Text,
                             const QStringList& ButtonCaptions, int LastButton, const QString& IconName,
                             const QString& CheckCaption, bool Checked)
    : QDialog(Owner), FText(Text) {
  setWindowTitle(Caption);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

  const QRect Measured = QFontMetrics(font()).boundingRect(QRect(0, 0, 400, 0), Qt::TextWordWrap, Text);
  FTextWidth = Measured.width();
  FTextHeight = Measured.height();

  constexpr int IconSize = 32;
  if (!IconName.isEmpty()) {
    bool Number = false;
    const int Id = IconName.toInt(&Number);
    QPixmap Pixmap = Number && Id <= 32516 ? StandardIcon(Id, IconSize) : QvLoadBitmapResource(IconName).pixmap(IconSize, IconSize);
    if (!Pixmap.isNull()) FIcon = new QPixmap(Pixmap);
  }
  const int IconWidth = FIcon ? FIcon->width() : 0;
  const int IconHeight = FIcon ? FIcon->height() : 0;

  const int RowWidth = LastButton < 0 ? 0 : LastButton * 108 + 100;
  const int ClientWidth = FIcon ? IconWidth + std::max(RowWidth, FTextWidth) + 48 : std::max(RowWidth, FTextWidth) + 32;
  const int BlockHeight = FIcon ? std::max(FTextHeight, IconHeight) : FTextHeight;
  const int TextLeft = FIcon ? IconWidth + 32 : 16;
  // Centred against a taller icon.
  const int TextTop = FIcon && IconHeight > FTextHeight ? 16 + (IconHeight - FTextHeight) / 2 : 16;

  int ClientHeight = BlockHeight + 66;
  if (!CheckCaption.isEmpty()) {
    FCheckBox = new QCheckBox(CheckCaption, this);
    FCheckBox->setChecked(Checked);
    const int CheckHeight = FCheckBox->sizeHint().height();
    FCheckBox->setGeometry(TextLeft, 16 + BlockHeight + (FIcon ? 24 : 20),
                           std::max(FTextWidth, FCheckBox->sizeHint().width()), CheckHeight);
    ClientHeight += CheckHeight;
  }

  if (FIcon) {
    auto* IconLabel = new QLabel(this);
    IconLabel->setPixmap(*FIcon);
    IconLabel->setGeometry(16, 16, IconWidth, IconHeight);
  }
  auto* TextLabel = new QLabel(Text, this);
  TextLabel->setObjectName(QStringLiteral("TextLabel"));
  TextLabel->setWordWrap(true);
  TextLabel->setTextFormat(Qt::PlainText);
  TextLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  TextLabel->setGeometry(TextLeft, TextTop, FTextWidth, FTextHeight);

  const int Left = (ClientWidth - RowWidth) / 2;
  for (int I = 0; I <= LastButton; ++I) {
    auto* Button = new QPushButton(ButtonCaptions.value(I), this);
    Button->setAutoDefault(I == 0);
    Button->setDefault(I == 0);
    Button->setGeometry(Left + I * 108, ClientHeight - 34, 100, 24);
    connect(Button, &QPushButton::clicked, this, [this, I] { done(I + 1); });
    FButtons << Button;
  }
  setFixedSize(ClientWidth, ClientHeight);
}

TQvMessageBox::~TQvMessageBox() { delete FIcon; }

bool TQvMessageBox::Checked() const { return FCheckBox && FCheckBox->isChecked(); }

QPushButton* TQvMessageBox::Button(int Index) const { return FButtons.value(Index); }

void TQvMessageBox::showEvent(QShowEvent* Event) {
  QDialog::showEvent(Event);
  if (QWidget* Main = Application ? Application->MainForm() : nullptr; Main && Main->isVisible()) {
    QRect Frame = frameGeometry();
    Frame.moveCenter(Main->frameGeometry().center());
    move(Frame.topLeft());
  }
}

int ShowMessageBox(const QString& Caption, const QString& Text, const QStringList& ButtonCaptions, int LastButton,
                   const QString& IconName, const QString& CheckCaption, bool* Checked) {
  QWidget* Owner = Application ? Application->MainForm() : nullptr;
  TQvMessageBox Box(Owner, Caption, Text, ButtonCaptions, LastButton, IconName, CheckCaption, Checked && *Checked);
  Box.exec();
  if (Checked && Box.CheckBox()) *Checked = Box.Checked();
  return Box.ButtonIndex();
}
