// The graphics editor's side of scanner import: the Import submenu, the hand-over of an acquired
// image as an untitled document, and stopping an acquisition when the window or document closes.
#include "QvGraphicsEditor.h"

#include "QvApplication.h"
#include "QvLocalizer.h"

#include <QAction>
#include <QFile>
#include <QMenu>

void TQvGraphicsEditor::SetScanner(IQvImageAcquisition* AScanner, QObject* Component) {
  FScanner = AScanner;
  FScannerObject = Component;
  FScannerBusy = false;
  if (!AScanner) return;
  AScanner->SetXferMech(QvXferMech::Files);
  AScanner->SetFileFormat(2);  // BMP
  AScanner->SetReturnHandle(false);
  AScanner->SetLogToFile(false);
  AScanner->OnImageReady = [this](QObject* Sender, void* Handle) { ScannerImageReady(Sender, Handle); };
  AScanner->OnDisableMenus = [this](QObject* Sender) { ScannerDisableMenus(Sender); };
  AScanner->OnEnableMenus = [this](QObject* Sender) { ScannerEnableMenus(Sender); };
}

void TQvGraphicsEditor::FillImportSubmenu() {
  ImportSubmenu->clear();
  IQvImageAcquisition* Source = Scanner();
  if (!Source) return;
  QStringList Names;
  Source->GetSourceList(Names);
  for (const QString& Name : Names) {
    // The name is the device's own: no accelerator may be read into it.
    QString Caption = Name;
    QAction* Item = ImportSubmenu->addAction(Caption.replace(QLatin1Char('&'), QStringLiteral("&&")));
    Item->setEnabled(!FScannerBusy);
    connect(Item, &QAction::triggered, this, [this, Name] {
      IQvImageAcquisition* Acquisition = Scanner();
      if (!Acquisition || FScannerBusy) return;
      if (!Acquisition->Acquire(Name) && Application)
        Application->MessageBox(
            GetLocalStringFormatted(5550, QStringLiteral("The scanner \"%s\" cannot be used now."), {Name}),
            QvMB::MB_OK | QvMB::MB_ICONERROR);
    });
  }
}

bool TQvGraphicsEditor::OpenAcquiredFile(const QString& TempFileName) {
  TQvDocument* Doc = nullptr;
  const bool Ok = OpenFile(TempFileName, Doc, false);
  if (Ok && Doc) {
    Doc->FileName.clear();
    // The picture exists nowhere else once its file is gone: another open, Next Image or closing
    // must ask before they drop it.
    Doc->MarkModified();
    // The temporary folder is not the user's folder of pictures to step through.
    FFolderFiles.clear();
    FFolderIndex = -1;
    UpdateCaption(this);
  }
  QFile::remove(TempFileName);
  return Ok;
}

void TQvGraphicsEditor::ScannerImageReady(QObject*, void* ImageHandle) {
  // An image in memory instead of a file is not asked for and not taken.
  if (ImageHandle || !Scanner()) return;
  const QString FileName = Scanner()->Filename();
  if (!FileName.isEmpty()) OpenAcquiredFile(FileName);
}

void TQvGraphicsEditor::ScannerDisableMenus(QObject*) {
  FScannerBusy = true;
  for (QAction* Item : ImportSubmenu->actions()) Item->setEnabled(false);
}

void TQvGraphicsEditor::ScannerEnableMenus(QObject*) {
  FScannerBusy = false;
  for (QAction* Item : ImportSubmenu->actions()) Item->setEnabled(true);
}

void TQvGraphicsEditor::MainFormCloseQuery(QObject* Sender, bool& CanClose) {
  // First, so that no image can arrive while the save questions are open; the scan would otherwise
  // outlive its window and leave its file behind.
  if (Scanner() && Scanner()->Acquiring()) Scanner()->CancelAcquisition();
  TQvEditor::MainFormCloseQuery(Sender, CanClose);
}

void TQvGraphicsEditor::CloseCommand(QObject* Sender) {
  if (ActiveDocument() && Scanner() && Scanner()->Acquiring()) Scanner()->CancelAcquisition();
  TQvEditor::CloseCommand(Sender);
}
