// The browser of the demonstrations: every ".dsc" file of the demonstration folder with its title
// and thumbnail, sorted by title, the last one preselected; Start closes it with the chosen script.
#pragma once

#include "QvDemoScript.h"
#include "QvForms.h"

#include <QDialog>
#include <QImage>
#include <QString>

#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class TQvFileFormats;

// The list's picture of a script: Picture's thumbnail centred in a 64 x 64 bitmap framed in
// #CBCBCB; a null image when Picture cannot be decoded. Formats may be nullptr (the toolkit's
// decoders are used then).
QImage MakeDemoThumbnail(const QString& Picture, TQvFileFormats* Formats);

class TQvDemonstrationForm : public TQvFormOf<QDialog> {
  Q_OBJECT

 public:
  static constexpr int ThumbnailSize = 64;

  // Lists the scripts of Folder (with a trailing "/"); LastIndex is preselected (the last item when
  // it is past the end).
  TQvDemonstrationForm(const QString& Folder, int LastIndex, bool ShowAtStartup, int ViewStyle,
                       TQvFileFormats* Formats, QWidget* Parent = nullptr);
  ~TQvDemonstrationForm() override;

  void Localize() override;

  // The script of the selected item (owned by the form), or nullptr.
  TQvDemoScript* SelectedScript() const { return FSelectedScript; }
  // Takes the selected script out of the form.
  std::unique_ptr<TQvDemoScript> TakeSelectedScript();
  int SelectedIndex() const;
  bool ShowAtStartup() const { return FShowAtStartup; }
  int Count() const;
  QString Caption(int Index) const;

  QLabel* SelectLabel = nullptr;
  QLabel* EscLabel = nullptr;
  QListWidget* DemoListView = nullptr;
  QCheckBox* ShowAtStartupCheckBox = nullptr;
  QPushButton* StartButton = nullptr;
  QPushButton* CloseButton = nullptr;

 private:
  void FormCreate(const QString& Folder, int LastIndex, int ViewStyle, TQvFileFormats* Formats);
  void DemoListViewChange();
  void DemoListViewDblClick();
  void ShowAtStartupCheckBoxClick();

  std::vector<std::unique_ptr<TQvDemoScript>> FScripts;  // by item
  TQvDemoScript* FSelectedScript = nullptr;
  bool FShowAtStartup = false;
};
