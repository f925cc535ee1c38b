// The help window: the shipped help pages in a browser pane with Back, Forward and Contents.
// Pages that are not translated into the user's language are shown in English.
#pragma once

#include "QvForms.h"

#include <QTextBrowser>
#include <QUrl>

class QAction;
class QToolBar;

// A browser over the help folder: a page, picture or style sheet missing from a language folder is
// taken from the English one. Links to other schemes (web, mail) open in the desktop's programs.
class TQvHelpBrowser : public QTextBrowser {
  Q_OBJECT

 public:
  TQvHelpBrowser(const QString& HelpFolder, QWidget* Parent);
  QVariant loadResource(int Type, const QUrl& Name) override;

 private:
  QString FHelpFolder;
};

class TQvHelpViewer : public TQvFormOf<QWidget> {
 public:
  // A window of its own above Owner (the main window), so it stays open beside the photo.
  TQvHelpViewer(const QString& HelpFolder, QWidget* Owner);
  ~TQvHelpViewer() override;

  // Shows the page File (a full path under the help folder) and brings the window to the front.
  void ShowPage(const QString& File);
  // The page shown now, as a full path (the file asked for, even when its English counterpart is
  // what is displayed); empty before any page.
  QString CurrentPage() const;

  void Localize() override;
  void UpdateControls() override;

  TQvHelpBrowser* Browser = nullptr;
  QToolBar* Toolbar = nullptr;
  QAction* BackButton = nullptr;
  QAction* ForwardButton = nullptr;
  QAction* ContentsButton = nullptr;

 protected:
  void keyPressEvent(QKeyEvent* Event) override;

 private:
  // The page's path inside its language folder ("tools/crop.html"), or empty.
  QString PageInLanguage(const QString& File) const;

  QString FHelpFolder;
};
