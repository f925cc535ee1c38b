#include "QvAbout.h"

#include "MainForm.h"
#include "QvLocalizer.h"

#include <QDesktopServices>
#include <QFile>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSvgRenderer>
#include <QTabBar>
#include <QUrl>

#include <algorithm>
#include <cmath>

TQvAbout* AboutModule = nullptr;

namespace {
// The size the picture is drawn for; label positions in the table are given in its pixels.
constexpr QSize DefaultPictureSize(500, 300);
constexpr QSize ClientSize(550, 367);
// The tab control's border around the picture.
constexpr int PaneMargin = 4;
}  // namespace

// ---- background ----

TQvLogoBackground::TQvLogoBackground(QWidget* Parent) : QWidget(Parent) {
  setObjectName(QStringLiteral("LogoBackground"));
  setAttribute(Qt::WA_OpaquePaintEvent);
}

TQvLogoBackground::~TQvLogoBackground() = default;

bool TQvLogoBackground::LoadPicture(const QString& Name) {
  FPicture.reset();
  const QString File = QStringLiteral(":/ocuvane/about/%1.svg").arg(Name);
  if (Name.isEmpty() || !QFile::exists(File)) return false;
  auto Picture = std::make_unique<QSvgRenderer>(File);
  if (!Picture->isValid() || Picture->defaultSize().isEmpty()) return false;
  FPicture = std::move(Picture);
  update();
  return true;
}

QSize TQvLogoBackground::PictureSize() const { return FPicture ? FPicture->defaultSize() : DefaultPictureSize; }

void TQvLogoBackground::paintEvent(QPaintEvent*) {
  QPainter Painter(this);
  Painter.fillRect(rect(), palette().color(QPalette::Base));
  if (FPicture) FPicture->render(&Painter, QRectF(rect()));
}

// ---- links ----

TQvAboutLink::TQvAboutLink(const QString& Address, QWidget* Parent) : QLabel(Parent), FAddress(Address) {
  setCursor(Qt::PointingHandCursor);
  setToolTip(Address);
}

void TQvAboutLink::mouseReleaseEvent(QMouseEvent* Event) {
  if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint()))
    QDesktopServices::openUrl(QUrl(FAddress, QUrl::TolerantMode));
  QLabel::mouseReleaseEvent(Event);
}

// ---- form ----

TQvAboutForm::TQvAboutForm(const TQvAboutContent& Content, QWidget* Owner) : TQvFormOf<QDialog>(Owner) {
  setObjectName(QStringLiteral("AboutForm"));
  setWindowTitle(QStringLiteral("About"));
  setModal(true);
  setFixedSize(ClientSize);
  // The desktop's sans-serif at the pixel size the box was designed for.
  QFont Font = font();
  Font.setPixelSize(11);
  setFont(Font);

  AboutTabControl = new QTabBar(this);
  AboutTabControl->setObjectName(QStringLiteral("AboutTabControl"));
  AboutTabControl->setDrawBase(true);
  AboutTabControl->setExpanding(false);
  AboutTabControl->addTab(QStringLiteral("About"));
  AboutTabControl->installEventFilter(this);
  const int TabHeight = AboutTabControl->sizeHint().height();
  AboutTabControl->setGeometry(PaneMargin, PaneMargin, ClientSize.width() - 2 * PaneMargin, TabHeight);

  Background = new TQvLogoBackground(this);
  Background->setGeometry(PaneMargin, PaneMargin + TabHeight, ClientSize.width() - 2 * PaneMargin,
                          ClientSize.height() - 2 * PaneMargin - TabHeight);
  Background->LoadPicture(Content.ResourceName);
  CreateLabels(Content);

  connect(AboutTabControl, &QTabBar::currentChanged, this, [this](int Index) { AboutTabControlChange(Index); });
  AboutTabControlChange(AboutTabControl->currentIndex());
}

TQvAboutForm::~TQvAboutForm() = default;

void TQvAboutForm::CreateLabels(const TQvAboutContent& Content) {
  const QSize Picture = Background->PictureSize();
  const double Scale = static_cast<double>(Background->width()) / Picture.width();
  const auto Scaled = [Scale](int Length) { return static_cast<int>(std::lround(Length * Scale)); };
  const QFontMetrics Metrics(font());
  const int Leading = std::max(0, Metrics.leading());
  const int LineHeight = Metrics.height() + Leading;
  const int CharWidth = Metrics.averageCharWidth();

  QRect Previous;  // the previous label's bounds
  QRect Running;   // the bounds of the line so far
  for (int Row = 0; Row < Content.Count; ++Row) {
    const TQvAboutItem& Item = Content.Table[Row];
    QString Text;
    switch (Item.Source) {
      case QvAboutText::BuiltIn: Text = QString::fromUtf8(Item.Text ? Item.Text : ""); break;
      case QvAboutText::DisplayName: Text = QvProgramDisplayName(); break;
      case QvAboutText::Version: Text = QvProgramVersion(); break;
      default:
        if (Item.Source >= 0 && Item.Source <= 65534)
          Text = GetLocalString(Item.Source, QString::fromUtf8(Item.Text ? Item.Text : ""));
        break;
    }
    QLabel* Label = nullptr;
    if (Item.Flags & QvAboutFlag::Link) {
      Label = new TQvAboutLink(Text, Background);
      Text = QvAboutLinkCaption(Text);
    } else {
      Label = new QLabel(Background);
    }
    if (Item.Flags & QvAboutFlag::Colon) Text += QLatin1Char(':');
    Label->setTextFormat(Qt::PlainText);
    Label->setText(Text);
    Label->setAttribute(Qt::WA_TranslucentBackground);
    Label->setAutoFillBackground(false);
    QFont LabelFont = font();
    if (Item.Flags & QvAboutFlag::Bold) LabelFont.setBold(true);
    if (Item.Flags & QvAboutFlag::Link) LabelFont.setUnderline(true);
    Label->setFont(LabelFont);
    QPalette Palette = Label->palette();
    if (Item.Flags & QvAboutFlag::Link)
      Palette.setColor(QPalette::WindowText, QColor(0, 0, 255));
    else if (Item.Flags & QvAboutFlag::White)
      Palette.setColor(QPalette::WindowText, Qt::white);
    else
      Palette.setColor(QPalette::WindowText, Qt::black);  // the picture is light under the labels
    Label->setPalette(Palette);
    Label->setWordWrap((Item.Flags & QvAboutFlag::WordWrap) != 0);
    Label->setAlignment(((Item.Flags & QvAboutFlag::RightAligned) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignTop);

    // Vertical: below the line so far, after the row's extra space; horizontal: after the previous
    // label on its line, at an explicit left, or under the start of the line above (so the captions
    // of a column line up however long the links beside them are).
    int Bottom = Running.y() + Running.height();
    Bottom += static_cast<int>(std::lround(Item.ExtraLines * LineHeight));
    const bool SameLine = (Item.Flags & QvAboutFlag::SameLine) && Row > 0;
    int Top = Item.Top != 0 ? Scaled(Item.Top) : Bottom + 2 * Leading;
    int Left = Item.Left != 0 ? Scaled(Item.Left) : Running.x();
    if (SameLine) {
      Left = Previous.x() + Previous.width() + CharWidth;
      Top = Previous.y();
    }
    const QSize Natural = Label->sizeHint();
    const int Width = Item.Width != 0 ? Scaled(Item.Width) : Natural.width();
    int Height = Natural.height();
    if (Item.Height != 0)
      Height = Scaled(Item.Height);
    else if (Label->wordWrap() && Item.Width != 0)
      Height = Label->heightForWidth(Width);
    const QRect Bounds(Left, Top, Width, Height);
    Label->setGeometry(Bounds);
    Label->setProperty("Page", Item.Page);

    if (Item.Page > 0)
      while (AboutTabControl->count() <= Item.Page) AboutTabControl->addTab(PageName(AboutTabControl->count()));
    Running = SameLine ? Running.united(Bounds) : Bounds;
    Previous = Bounds;
    Labels.push_back(Label);
  }
}

QString TQvAboutForm::PageName(int Page) const {
  switch (Page) {
    case 0: return GetLocalString(47, QStringLiteral("About"));
    case 1: return GetLocalString(53, QStringLiteral("Credits"));
    case 2: return GetLocalString(167, QStringLiteral("License"));
    default: return QString::number(Page + 1);
  }
}

void TQvAboutForm::Localize() {
  setWindowTitle(GetLocalString(47, QStringLiteral("About")));
  for (int Page = 0; Page < AboutTabControl->count(); ++Page) AboutTabControl->setTabText(Page, PageName(Page));
}

void TQvAboutForm::AboutTabControlChange(int Index) {
  for (QLabel* Label : Labels) {
    const int Page = Label->property("Page").toInt();
    Label->setVisible(Page == Index || Page < 0);
  }
}

bool TQvAboutForm::FormKeyDown(int Key) {
  switch (Key) {
    case Qt::Key_Escape: reject(); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: accept(); return true;
    default: return false;
  }
}

void TQvAboutForm::keyPressEvent(QKeyEvent* Event) {
  if (FormKeyDown(Event->key())) return;
  TQvFormOf<QDialog>::keyPressEvent(Event);
}

bool TQvAboutForm::eventFilter(QObject* Watched, QEvent* Event) {
  // The form sees the keys before its tab control does.
  if (Event->type() == QEvent::KeyPress && FormKeyDown(static_cast<QKeyEvent*>(Event)->key())) return true;
  return TQvFormOf<QDialog>::eventFilter(Watched, Event);
}

// ---- module ----

TQvAbout::TQvAbout() {
  setObjectName(QStringLiteral("AboutModule"));
  if (!MainForm) return;
  AboutMenuSeparator = MainForm->AddSeparator(MainForm->HelpMenuItem, nullptr);
  AboutMenuItem = MainForm->AddMenuItem(QString(), QKeySequence(), nullptr, MainForm->HelpMenuItem, -1, [this] { ShowAbout(); });
  AboutMenuItem->setMenuRole(QAction::AboutRole);
}

TQvAbout::~TQvAbout() {
  if (AboutModule == this) AboutModule = nullptr;
}

void TQvAbout::SetContent(const TQvAboutItem* Table, int Count, const QString& ResourceName) {
  FContent.Table = Table;
  FContent.Count = Table ? std::max(0, Count) : 0;
  FContent.ResourceName = ResourceName;
}

void TQvAbout::ShowAbout() {
  std::unique_ptr<TQvAboutForm> Form(CreateInitialized<TQvAboutForm>(FContent, MainForm));
  Form->exec();
}

void TQvAbout::Localize() {
  if (AboutMenuItem) AboutMenuItem->setText(GetLocalString(47, QStringLiteral("About")));
}
