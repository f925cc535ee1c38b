// The editor's own dialogs: an open dialog with a preview beside the file list (the thumbnail is
// made on a background thread so browsing stays fluid), a save dialog built on it, and a message
// box with free button captions, an optional icon and an optional check box.
#pragma once

#include "QvEditor.h"

#include <QDialog>
#include <QFileDialog>
#include <QList>
#include <QMutex>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QWaitCondition>

#include <cstdint>
#include <memory>

class QCheckBox;
class QFrame;
class QLabel;
class QPainter;
class QPixmap;
class QPushButton;
class TQvOpenDialog;

// Makes one thumbnail at a time for the newest request of its dialog and hands it over on the
// main thread, tagged with the request's number.
class TQvDialogPreviewThread : public QThread {
  Q_OBJECT

 public:
  TQvDialogPreviewThread(TQvOpenDialog* Dialog, TQvFileFormats* Formats);
  ~TQvDialogPreviewThread() override;

  // Replaces any waiting request by FileName (empty: none) with a preview that fits Box; returns
  // the request's number. Main thread.
  std::uint64_t Request(const QString& FileName, QSize Box);
  // Ends the loop and waits for it.
  void Terminate();

 protected:
  void run() override;

 private:
  TQvOpenDialog* FDialog;
  TQvFileFormats* FFormats;
  QMutex FLock;  // guards the request slot below
  QWaitCondition FWake;
  QString FRequest;  // the file whose preview is wanted next; empty = none
  QSize FBox;
  std::uint64_t FNumber = 0;  // number of the newest request
  bool FPending = false;
};

class TQvOpenDialog : public QFileDialog {
  Q_OBJECT

 public:
  // The filter lists the registry's open formats; "all supported formats" is selected.
  TQvOpenDialog(QWidget* Owner, TQvFileFormats* Formats);
  ~TQvOpenDialog() override;

  // Runs the dialog modally; true when the user chose a file.
  virtual bool Execute();

  QString FileName() const;
  void SetFileName(const QString& Name);
  // 1-based position of the selected entry of the filter.
  int FilterIndex() const;
  void SetFilterIndex(int Index);
  // The filter text ("Description (Mask)|Mask|...").
  QString Filter() const { return FFilter; }

  // The selected file changed: the description goes to the label and a preview is requested.
  void SelectionChanged(const QString& Name);
  // Called on the main thread with the thumbnail of request Number; kept only when it belongs to
  // the newest selection and the dialog is still open, otherwise freed.
  void DeliverThumbnail(std::uint64_t Number, std::shared_ptr<TQvThumbnail> Thumbnail);

  TQvThumbnail* Thumbnail() const { return FThumbnail.get(); }
  // The number of the newest preview request.
  std::uint64_t RequestNumber() const { return FRequestNumber; }
  QString InfoText() const;
  QWidget* PreviewBox() const { return FPreviewBox; }
  // Paints the preview area: the thumbnail, the rest in the area's colour, a one-pixel frame.
  void PaintPreview(QPainter& Painter);

  void done(int Result) override;

 signals:
  // The preview thread has finished request Number (after its thumbnail, if any, was handed
  // over). Main thread.
  void PreviewFinished(quint64 Number);

 protected:
  TQvOpenDialog(QWidget* Owner, TQvFileFormats* Formats, bool ForSave);
  bool eventFilter(QObject* Watched, QEvent* Event) override;

  TQvFileFormats* FFormats;  // not owned
  QFrame* FPreviewPanel = nullptr;
  QWidget* FPreviewBox = nullptr;
  QLabel* FInfoLabel = nullptr;
  TQvDialogPreviewThread* FThread = nullptr;
  std::shared_ptr<TQvThumbnail> FThumbnail;

  // Fills the type list from Formats.
  void SetFormats(const TQvFileFormatInfos& Formats);

 private:
  void LayOutPreview();

  QString FFilter;
  QStringList FNameFilters;
  std::uint64_t FRequestNumber = 0;  // the newest request; thumbnails of others are dropped
  bool FClosed = false;
};

class TQvSaveDialog : public TQvOpenDialog {
  Q_OBJECT

 public:
  // The filter lists the registry's save formats; the caller picks the filter index.
  TQvSaveDialog(QWidget* Owner, TQvFileFormats* Formats);
  bool Execute() override;
};

// The folder a file dialog starts in: the open photo's (DocumentFile), else the last folder used
// (LastFolder, else that of the most recent file), else the user's Pictures folder, else home.
// Folders that no longer exist are passed over.
QString QvDialogStartFolder(const QString& DocumentFile, const QString& LastFolder, const QStringList& RecentFiles);

// ShowMessageBox's result when the box was closed without a button (close box or Esc).
inline constexpr int QvMessageBoxCancelled = -1;

class TQvMessageBox : public QDialog {
  Q_OBJECT

 public:
  // LastButton + 1 buttons captioned from ButtonCaptions (none when negative). IconName: a number
  // up to 32516 names a standard icon, anything else an icon resource; empty for none. A check box
  // captioned CheckCaption is shown when the caption is not empty.
  TQvMessageBox(QWidget* Owner, const QString& Caption, const QString& Text, const QStringList& ButtonCaptions,
                int LastButton, const QString& IconName, const QString& CheckCaption, bool Checked);
  ~TQvMessageBox() override;

  // The index of the pressed button, or QvMessageBoxCancelled.
  int ButtonIndex() const { return result() - 1; }
  bool Checked() const;
  QSize ClientSize() const { return size(); }
  QCheckBox* CheckBox() const { return FCheckBox; }
  QPushButton* Button(int Index) const;

 protected:
  void showEvent(QShowEvent* Event) override;

 private:
  QPixmap* FIcon = nullptr;  // owned
  QString FText;
  int FTextWidth = 0;
  int FTextHeight = 0;
  QCheckBox* FCheckBox = nullptr;
  QList<QPushButton*> FButtons;
};

// Shows a TQvMessageBox modally over the main window and returns the pressed button's index, or
// QvMessageBoxCancelled. Checked (when given and a check box was shown) receives its state.
int ShowMessageBox(const QString& Caption, const QString& Text, const QStringList& ButtonCaptions, int LastButton,
                   const QString& IconName = QString(), const QString& CheckCaption = QString(),
                   bool* Checked = nullptr);
