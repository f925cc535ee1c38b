#include "QvDemonstrationForm.h"

#include "QvEditor.h"
#include "QvLocalizer.h"

#include <QCheckBox>
#include <QDir>
#include <QHBoxLayout>
#include <QImageReader>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPolygon>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr QRgb FrameColor = qRgb(0xCB, 0xCB, 0xCB);

QImage BlankThumbnail() {
  QImage Bitmap(TQvDemonstrationForm::ThumbnailSize, TQvDemonstrationForm::ThumbnailSize, QImage::Format_RGB888);
  Bitmap.fill(Qt::white);
  return Bitmap;
}

void Frame(QImage& Bitmap) {
  QPainter Painter(&Bitmap);
  Painter.setPen(QColor(FrameColor));
  Painter.setBrush(Qt::NoBrush);
  Painter.drawRect(0, 0, Bitmap.width() - 1, Bitmap.height() - 1);
}

// The picture of a script without one of its own: a play sign.
QImage DefaultThumbnail() {
  QImage Bitmap = BlankThumbnail();
  {
    QPainter Painter(&Bitmap);
    Painter.setRenderHint(QPainter::Antialiasing);
    Painter.setPen(Qt::NoPen);
    Painter.setBrush(QColor(0x5B, 0x8D, 0xC9));
    Painter.drawPolygon(QPolygon({QPoint(22, 16), QPoint(48, 32), QPoint(22, 48)}));
  }
  Frame(Bitmap);
  return Bitmap;
}

// The largest size of Source's proportions inside Box.
QSize FitInto(QSize Source, int Box) {
  if (Source.isEmpty()) return QSize(Box, Box);
  return Source.scaled(Box, Box, Qt::KeepAspectRatio).expandedTo(QSize(1, 1));
}
}  // namespace

QImage MakeDemoThumbnail(const QString& Picture, TQvFileFormats* Formats) {
  const int Size = TQvDemonstrationForm::ThumbnailSize;
  QImage Bitmap = BlankThumbnail();
  bool Drawn = false;
  if (Formats) {
    std::unique_ptr<TQvThumbnail> Thumbnail;
    if (Formats->CreateThumbnail(Picture, Size, Size, Thumbnail) && Thumbnail) {
      QPainter Painter(&Bitmap);
      QRect DrawnRect;
      Thumbnail->Draw(Painter, QRect(0, 0, Size, Size), DrawnRect);
      Drawn = DrawnRect.isValid();
    }
  }
  if (!Drawn) {
    QImageReader Reader(Picture);
    const QSize Fitted = FitInto(Reader.size(), Size);
    Reader.setScaledSize(Fitted);
    const QImage Image = Reader.read();
    if (Image.isNull()) return QImage();
    QPainter Painter(&Bitmap);
    Painter.drawImage(QPoint((Size - Image.width()) / 2, (Size - Image.height()) / 2), Image);
  }
  Frame(Bitmap);
  return Bitmap;
}

TQvDemonstrationForm::TQvDemonstrationForm(const QString& Folder, int LastIndex, bool ShowAtStartup, int ViewStyle,
                                           TQvFileFormats* Formats, QWidget* Parent)
    : TQvFormOf<QDialog>(Parent), FShowAtStartup(ShowAtStartup) {
  setObjectName(QStringLiteral("DemonstrationForm"));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  SelectLabel = new QLabel(this);
  DemoListView = new QListWidget(this);
  DemoListView->setObjectName(QStringLiteral("DemoListView"));
  EscLabel = new QLabel(this);
  EscLabel->setWordWrap(true);
  ShowAtStartupCheckBox = new QCheckBox(this);
  StartButton = new QPushButton(this);
  StartButton->setObjectName(QStringLiteral("StartButton"));
  CloseButton = new QPushButton(this);
  CloseButton->setObjectName(QStringLiteral("CloseButton"));
  StartButton->setDefault(true);
  StartButton->setEnabled(false);

  auto* Buttons = new QHBoxLayout;
  Buttons->addWidget(ShowAtStartupCheckBox);
  Buttons->addStretch(1);
  Buttons->addWidget(StartButton);
  Buttons->addWidget(CloseButton);
  auto* Layout = new QVBoxLayout(this);
  Layout->addWidget(SelectLabel);
  Layout->addWidget(DemoListView, 1);
  Layout->addWidget(EscLabel);
  Layout->addLayout(Buttons);

  connect(StartButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(CloseButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(DemoListView, &QListWidget::itemSelectionChanged, this, &TQvDemonstrationForm::DemoListViewChange);
  connect(DemoListView, &QListWidget::itemDoubleClicked, this, &TQvDemonstrationForm::DemoListViewDblClick);
  connect(ShowAtStartupCheckBox, &QCheckBox::toggled, this, &TQvDemonstrationForm::ShowAtStartupCheckBoxClick);

  FormCreate(Folder, LastIndex, ViewStyle, Formats);
  resize(520, 400);
  setFixedSize(size());
}

TQvDemonstrationForm::~TQvDemonstrationForm() = default;

void TQvDemonstrationForm::FormCreate(const QString& Folder, int LastIndex, int ViewStyle, TQvFileFormats* Formats) {
  struct TEntry {
    QString Title;
    std::unique_ptr<TQvDemoScript> Script;
    QImage Picture;
  };
  std::vector<TEntry> Entries;
  const QDir Dir(Folder);
  const QStringList Files = Dir.entryList({QStringLiteral("*.dsc")}, QDir::Files | QDir::Readable, QDir::Name);
  for (const QString& Name : Files) {
    auto Script = std::make_unique<TQvDemoScript>();
    try {
      Script->LoadFromFile(Dir.filePath(Name));
    } catch (const EQvDemoScriptError&) {
      continue;  // unreadable: not offered
    }
    TEntry Entry;
    Entry.Title = Script->GetTitle();
    const QString Picture = Script->GetInfoValue("Image");
    if (!Picture.isEmpty()) Entry.Picture = MakeDemoThumbnail(Dir.filePath(Picture), Formats);
    Entry.Script = std::move(Script);
    Entries.push_back(std::move(Entry));
  }
  std::stable_sort(Entries.begin(), Entries.end(), [](const TEntry& A, const TEntry& B) {
    return QString::compare(A.Title, B.Title, Qt::CaseInsensitive) < 0;
  });

  DemoListView->setViewMode(ViewStyle == 0 ? QListView::IconMode : QListView::ListMode);
  DemoListView->setIconSize(QSize(ThumbnailSize, ThumbnailSize));
  DemoListView->setSelectionMode(QAbstractItemView::SingleSelection);
  DemoListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DemoListView->setMovement(QListView::Static);
  DemoListView->setResizeMode(QListView::Adjust);
  DemoListView->setWordWrap(true);
  DemoListView->setGridSize(QSize(ThumbnailSize + 56, ThumbnailSize + 48));
  const QPixmap Default = QPixmap::fromImage(DefaultThumbnail());
  for (TEntry& Entry : Entries) {
    auto* Item = new QListWidgetItem(Entry.Title, DemoListView);
    Item->setIcon(Entry.Picture.isNull() ? Default : QPixmap::fromImage(Entry.Picture));
    Item->setData(Qt::UserRole, static_cast<int>(FScripts.size()));
    FScripts.push_back(std::move(Entry.Script));
  }
  if (DemoListView->count() > 0) {
    const int Index = std::clamp(LastIndex, 0, DemoListView->count() - 1);
    DemoListView->setCurrentRow(Index);
    DemoListView->scrollToItem(DemoListView->item(Index));
  }
  ShowAtStartupCheckBox->setChecked(FShowAtStartup);
  DemoListViewChange();
}

void TQvDemonstrationForm::Localize() {
  setWindowTitle(GetLocalString(37, QStringLiteral("Demonstrations")));
  SelectLabel->setText(GetLocalString(910, QStringLiteral("Select a demonstration:")));
  ShowAtStartupCheckBox->setText(GetLocalString(802, QStringLiteral("Show at startup")));
  StartButton->setText(GetLocalString(75, QStringLiteral("Start")));
  CloseButton->setText(GetLocalString(13, QStringLiteral("&Close")));
  EscLabel->setText(GetLocalString(2925, QStringLiteral("Press Esc to stop a demonstration.")));
}

void TQvDemonstrationForm::DemoListViewChange() {
  const QList<QListWidgetItem*> Selected = DemoListView->selectedItems();
  FSelectedScript = Selected.isEmpty() ? nullptr : FScripts[Selected.first()->data(Qt::UserRole).toInt()].get();
  StartButton->setEnabled(FSelectedScript != nullptr);
}

void TQvDemonstrationForm::DemoListViewDblClick() {
  if (StartButton->isEnabled()) StartButton->click();
}

void TQvDemonstrationForm::ShowAtStartupCheckBoxClick() { FShowAtStartup = ShowAtStartupCheckBox->isChecked(); }

std::unique_ptr<TQvDemoScript> TQvDemonstrationForm::TakeSelectedScript() {
  for (auto& Script : FScripts)
    if (Script.get() == FSelectedScript && FSelectedScript) {
      FSelectedScript = nullptr;
      return std::move(Script);
    }
  return nullptr;
}

int TQvDemonstrationForm::SelectedIndex() const {
  const QList<QListWidgetItem*> Selected = DemoListView->selectedItems();
  return Selected.isEmpty() ? -1 : DemoListView->row(Selected.first());
}

int TQvDemonstrationForm::Count() const { return DemoListView->count(); }

QString TQvDemonstrationForm::Caption(int Index) const {
  const QListWidgetItem* Item = DemoListView->item(Index);
  return Item ? Item->text() : QString();
}
