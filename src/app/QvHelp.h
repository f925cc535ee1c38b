// Help: the Help menu's commands and the help pages shipped in the "Help" folder beside the
// executable, one folder per language ("en", "de", ...), shown in the program's own help window.
#pragma once

#include "QvHelpViewer.h"
#include "QvModules.h"

#include <QPointer>
#include <QString>

#include <cstdint>

class QAction;

// The page of a help context: 0 the contents, 20 getting started, 30 technical support; a context
// without a page of its own shows the contents.
QString QvHelpPageOfContext(int Context);
// The language folders tried for a language id, best first: the locale's full name ("de_DE"), its
// language ("de"), then English ("en").
QStringList QvHelpLanguageFolders(std::uint16_t LangId);
// The file of Page (a file name, optionally with a "#fragment"-free relative path) in the best
// language folder under HelpFolder that has it; empty when no folder has it.
QString QvFindHelpPage(const QString& HelpFolder, std::uint16_t LangId, const QString& Page);
// For a file under HelpFolder/<language>/ that does not exist: the same file in the English
// folder when that exists, else File unchanged. Lets a translated page use the English pictures
// and style sheet, and a link to a page nobody translated show the English one.
QString QvHelpFallbackFile(const QString& HelpFolder, const QString& File);

class TQvHelp : public TQvModule {
  Q_OBJECT

 public:
  // Takes the help folder beside the executable (or of the installed layout) and adds the menu.
  TQvHelp();
  ~TQvHelp() override;

  // Appends to the Help menu: Contents (F1), a separator, Getting Started, Technical Support, a
  // separator.
  virtual void CreateMenuItems();
  void Localize() override;
  // One Boolean, always false; nothing is read back.
  void SaveSettings(TQvSDFWriter& Writer) override;

  // Opens the page of Context in the help window, in the user's language where it is translated.
  // A missing page is reported in a message box.
  void ShowHelp(int Context);
  // The help window, once a page has been shown.
  TQvHelpViewer* Viewer() const { return FViewer.data(); }

  // The folder holding the language folders of the help pages, with a trailing "/".
  QString HelpFile;

  QAction* ContentsMenuItem = nullptr;
  QAction* ContentsMenuSeparator = nullptr;
  QAction* GettingStartedMenuItem = nullptr;
  QAction* TechnicalSupportMenuItem = nullptr;
  QAction* HelpMenuSeparator = nullptr;

 private:
  QPointer<TQvHelpViewer> FViewer;
};

extern TQvHelp* HelpModule;
