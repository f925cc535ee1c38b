#include "QvHelp.h"

#include "MainForm.h"
#include "QvCodePage.h"
#include "QvGuid.h"
#include "QvHelpViewer.h"
#include "QvLocalizer.h"
#include "QvSDF.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QMenu>

TQvHelp* HelpModule = nullptr;

namespace {
// The help contexts that have pages of their own.
struct THelpTopic {
  int Context;
  const char* Page;
};
constexpr THelpTopic HelpTopics[] = {
    {0, "index.html"},
    {20, "getting-started.html"},
    {30, "support.html"},
};

const QString EnglishFolder = QStringLiteral("en");
}  // namespace

QString QvHelpPageOfContext(int Context) {
  for (const THelpTopic& Topic : HelpTopics)
    if (Topic.Context == Context) return QLatin1String(Topic.Page);
  return QLatin1String(HelpTopics[0].Page);
}

QStringList QvHelpLanguageFolders(std::uint16_t LangId) {
  QStringList Folders;
  QLocale Locale(QLocale::English);
  if (QvLocaleOfLangId(LangId, Locale)) {
    const QString Full = Locale.name();  // "de_DE"
    Folders << Full;
    const QString Language = Full.section(QLatin1Char('_'), 0, 0);
    if (Language != Full) Folders << Language;
  }
  if (!Folders.contains(EnglishFolder)) Folders << EnglishFolder;
  return Folders;
}

QString QvFindHelpPage(const QString& HelpFolder, std::uint16_t LangId, const QString& Page) {
  if (HelpFolder.isEmpty() || Page.isEmpty()) return QString();
  const QDir Root(HelpFolder);
  for (const QString& Folder : QvHelpLanguageFolders(LangId)) {
    const QString File = Root.filePath(Folder + QLatin1Char('/') + Page);
    if (QFileInfo(File).isFile()) return QDir::cleanPath(File);
  }
  return QString();
}

QString QvHelpFallbackFile(const QString& HelpFolder, const QString& File) {
  if (HelpFolder.isEmpty() || QFileInfo::exists(File)) return File;
  const QString Root = QDir::cleanPath(HelpFolder) + QLatin1Char('/');
  const QString Clean = QDir::cleanPath(File);
  if (!Clean.startsWith(Root)) return File;
  // <language>/<rest>: only pages inside a language folder have an English counterpart.
  const QString Relative = Clean.mid(Root.size());
  const qsizetype Slash = Relative.indexOf(QLatin1Char('/'));
  if (Slash <= 0) return File;
  const QString English = Root + EnglishFolder + Relative.mid(Slash);
  return QFileInfo::exists(English) ? English : File;
}

TQvHelp::TQvHelp() {
  setObjectName(QStringLiteral("HelpModule"));
  if (Application) HelpFile = Application->DataFolder(QStringLiteral("Help"));
  CreateMenuItems();
}

TQvHelp::~TQvHelp() {
  if (HelpModule == this) HelpModule = nullptr;
  delete FViewer.data();
}

void TQvHelp::CreateMenuItems() {
  if (!MainForm) return;
  QMenu* Menu = MainForm->HelpMenuItem;
  ContentsMenuItem = MainForm->AddMenuItem(QString(), QKeySequence(Qt::Key_F1), nullptr, Menu, -1, [this] { ShowHelp(0); });
  // F1 reaches the help from every window of the program, a floating tool panel included; modal
  // dialogs still block it.
  ContentsMenuItem->setShortcutContext(Qt::ApplicationShortcut);
  ContentsMenuSeparator = MainForm->AddSeparator(Menu, nullptr);
  GettingStartedMenuItem = MainForm->AddMenuItem(QString(), QKeySequence(), nullptr, Menu, -1, [this] { ShowHelp(20); });
  TechnicalSupportMenuItem = MainForm->AddMenuItem(QString(), QKeySequence(), nullptr, Menu, -1, [this] { ShowHelp(30); });
  HelpMenuSeparator = MainForm->AddSeparator(Menu, nullptr);
}

void TQvHelp::Localize() {
  if (ContentsMenuItem) ContentsMenuItem->setText(GetLocalString(128, QStringLiteral("&Contents")));
  if (GettingStartedMenuItem) GettingStartedMenuItem->setText(GetLocalString(165, QStringLiteral("&Getting Started")));
  if (TechnicalSupportMenuItem)
    TechnicalSupportMenuItem->setText(GetLocalString(131, QStringLiteral("&Technical Support")));
}

void TQvHelp::SaveSettings(TQvSDFWriter& Writer) {
  Writer.BeginNode(1, QvSettingsGuid::Help);
  Writer.WriteBoolean(1, false);
  Writer.EndNode();
}

void TQvHelp::ShowHelp(int Context) {
  const QString Page = QvHelpPageOfContext(Context);
  const QString File = QvFindHelpPage(HelpFile, GetLanguage(), Page);
  if (File.isEmpty()) {
    if (Application)
      Application->MessageBox(
          GetLocalStringFormatted(5453, QStringLiteral("The help page \"%s\" cannot be found in the folder %s."),
                                  {Page, QDir::toNativeSeparators(HelpFile)}),
          QvMB::MB_OK | QvMB::MB_ICONERROR);
    return;
  }
  if (!FViewer) FViewer = CreateInitialized<TQvHelpViewer>(HelpFile, MainForm);
  FViewer->ShowPage(File);
}
