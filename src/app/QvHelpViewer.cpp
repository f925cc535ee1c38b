#include "QvHelpViewer.h"

#include "QvHelp.h"
#include "QvLocalizer.h"

#include <QDir>
#include <QIcon>
#include <QKeyEvent>
#include <QToolBar>
#include <QVBoxLayout>

TQvHelpBrowser::TQvHelpBrowser(const QString& HelpFolder, QWidget* Parent)
    : QTextBrowser(Parent), FHelpFolder(HelpFolder) {
  setOpenExternalLinks(true);
}

QVariant TQvHelpBrowser::loadResource(int Type, const QUrl& Name) {
  if (Name.isLocalFile()) {
    const QString File = Name.toLocalFile();
    const QString Found = QvHelpFallbackFile(FHelpFolder, File);
    if (Found != File) return QTextBrowser::loadResource(Type, QUrl::fromLocalFile(Found));
  }
  return QTextBrowser::loadResource(Type, Name);
}

TQvHelpViewer::TQvHelpViewer(const QString& HelpFolder, QWidget* Owner)
    : TQvFormOf<QWidget>(Owner), FHelpFolder(HelpFolder) {
  setObjectName(QStringLiteral("HelpViewer"));
  setWindowFlag(Qt::Window, true);
  setAttribute(Qt::WA_DeleteOnClose, false);
  resize(760, 620);

  auto* Layout = new QVBoxLayout(this);
  Layout->setContentsMargins(0, 0, 0, 0);
  Layout->setSpacing(0);
  Toolbar = new QToolBar(this);
  Toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  Layout->addWidget(Toolbar);
  Browser = new TQvHelpBrowser(HelpFolder, this);
  Browser->setObjectName(QStringLiteral("HelpBrowser"));
  Layout->addWidget(Browser, 1);

  BackButton = Toolbar->addAction(QIcon::fromTheme(QStringLiteral("go-previous")), QString());
  BackButton->setShortcut(QKeySequence::Back);
  connect(BackButton, &QAction::triggered, Browser, &QTextBrowser::backward);
  ForwardButton = Toolbar->addAction(QIcon::fromTheme(QStringLiteral("go-next")), QString());
  ForwardButton->setShortcut(QKeySequence::Forward);
  connect(ForwardButton, &QAction::triggered, Browser, &QTextBrowser::forward);
  ContentsButton = Toolbar->addAction(QIcon::fromTheme(QStringLiteral("go-home")), QString());
  connect(ContentsButton, &QAction::triggered, this, [this] {
    const QString File = QvFindHelpPage(FHelpFolder, GetLanguage(), QvHelpPageOfContext(0));
    if (!File.isEmpty()) Browser->setSource(QUrl::fromLocalFile(File));
  });
  connect(Browser, &QTextBrowser::sourceChanged, this, [this] { UpdateControls(); });
}

TQvHelpViewer::~TQvHelpViewer() = default;

void TQvHelpViewer::ShowPage(const QString& File) {
  if (CurrentPage() != File) Browser->setSource(QUrl::fromLocalFile(File));
  show();
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
}

QString TQvHelpViewer::CurrentPage() const {
  const QUrl Source = Browser->source();
  return Source.isLocalFile() ? QDir::cleanPath(Source.toLocalFile()) : QString();
}

QString TQvHelpViewer::PageInLanguage(const QString& File) const {
  const QString Root = QDir::cleanPath(FHelpFolder) + QLatin1Char('/');
  if (!File.startsWith(Root)) return QString();
  const QString Relative = File.mid(Root.size());
  const qsizetype Slash = Relative.indexOf(QLatin1Char('/'));
  return Slash > 0 ? Relative.mid(Slash + 1) : QString();
}

void TQvHelpViewer::Localize() {
  setWindowTitle(GetLocalString(5450, QStringLiteral("Ocuvane Help")));
  BackButton->setText(GetLocalString(5451, QStringLiteral("Back")));
  ForwardButton->setText(GetLocalString(5452, QStringLiteral("Forward")));
  ContentsButton->setText(GetLocalString(5454, QStringLiteral("Contents")));
  // After a change of language the open page follows, where it has been translated.
  const QString Page = PageInLanguage(CurrentPage());
  if (Page.isEmpty()) return;
  const QString File = QvFindHelpPage(FHelpFolder, GetLanguage(), Page);
  if (!File.isEmpty() && File != CurrentPage()) Browser->setSource(QUrl::fromLocalFile(File));
}

void TQvHelpViewer::UpdateControls() {
  BackButton->setEnabled(Browser->isBackwardAvailable());
  ForwardButton->setEnabled(Browser->isForwardAvailable());
}

void TQvHelpViewer::keyPressEvent(QKeyEvent* Event) {
  if (Event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  TQvFormOf<QWidget>::keyPressEvent(Event);
}
