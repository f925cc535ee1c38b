#include "QvEditor.h"

#include "QvApplication.h"
#include "QvBusyProgress.h"
#include "QvLocalizer.h"

#include <QFileInfo>
#include <QWidget>

#include <algorithm>
#include <exception>

// ---- format arrays ----

QString BuildFilter(const TQvFileFormatInfos& Formats) {
  QStringList Entries;
  for (const TQvFileFormatInfo& F : Formats)
    Entries << F.Description + QStringLiteral(" (") + F.Mask + QStringLiteral(")|") + F.Mask;
  return Entries.join(QLatin1Char('|'));
}

int IndexOfFormat(const TQvFileFormatInfos& Formats, int FormatId) {
  for (int I = 0; I < Formats.size(); ++I)
    if (Formats[I].FormatId == FormatId) return I;
  return -1;
}

bool HasFormatExtension(const QString& FileName, const TQvFileFormatInfo& Format) {
  const QString Name = QFileInfo(FileName).fileName();
  auto EndsWith = [&Name](const QString& Extension) {
    // ".jpg" alone is a hidden file's name, not a name with that extension.
    return Extension.size() > 1 && Extension.startsWith(QLatin1Char('.')) && Name.size() > Extension.size() &&
           Name.endsWith(Extension, Qt::CaseInsensitive);
  };
  if (EndsWith(Format.Extension)) return true;
  for (const QString& Mask : Format.Mask.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QString M = Mask.trimmed();
    // Only a plain "*.ext" mask names an extension; "*.*" and "*" accept any name.
    if (!M.startsWith(QStringLiteral("*.")) || M.size() < 3) continue;
    const QString Extension = M.mid(1);
    if (Extension.contains(QLatin1Char('*')) || Extension.contains(QLatin1Char('?'))) continue;
    if (EndsWith(Extension)) return true;
  }
  return false;
}

// ---- registries ----

bool TQvFileFormats::GetFileInfo(const QString&, std::unique_ptr<TQvFileInfo>&) { return false; }

bool TQvFileFormats::CreateThumbnail(const QString&, int, int, std::unique_ptr<TQvThumbnail>&) { return false; }

void TQvFileFormats::GetSaveFormats(TQvFileFormatInfos& Formats) {
  Formats.clear();
  for (int I = 0; I < Count(); ++I) Formats << Items(I);
}

void TQvFileFormats::GetOpenFormats(TQvFileFormatInfos& Formats) {
  GetSaveFormats(Formats);
  QStringList Masks;
  for (const TQvFileFormatInfo& F : Formats) Masks << F.Mask;
  TQvFileFormatInfo All;
  All.Description = GetLocalString(146, QStringLiteral("All supported formats"));
  All.Mask = Masks.join(QLatin1Char(';'));
  TQvFileFormatInfo Any;
  Any.Description = GetLocalString(147, QStringLiteral("All files"));
  Any.Mask = QStringLiteral("*.*");
  Formats << All << Any;
}

int TQvFileFormats::IndexOf(int FormatId) const {
  for (int I = 0; I < Count(); ++I)
    if (Items(I).FormatId == FormatId) return I;
  return -1;
}

// ---- history ----

void TQvDocumentHistory::Sync() const {
  const int N = Count();
  if (static_cast<int>(FEntries.size()) > N) FEntries.resize(static_cast<std::size_t>(N));
  for (int I = 0; I < N; ++I) {
    const TQvCommandState* State = States(I);
    const auto Index = static_cast<std::size_t>(I);
    if (Index < FEntries.size()) {
      if (FEntries[Index].State != State) FEntries[Index] = {State, FNextSerial++};
    } else {
      FEntries.push_back({State, FNextSerial++});
    }
  }
}

void TQvDocumentHistory::Add(std::unique_ptr<TQvCommandState> State) {
  if (!State) return;
  Sync();
  const TQvCommandState* Added = State.get();
  TQvCommandHistoryList::Add(std::move(State));
  // The redo tail was freed; the new state sits on top of the ones below the old position.
  FEntries.resize(static_cast<std::size_t>(Position() - 1));
  FEntries.push_back({Added, FNextSerial++});
}

void TQvDocumentHistory::ClearRedo() {
  Sync();
  TQvCommandHistoryList::ClearRedo();
  FEntries.resize(static_cast<std::size_t>(Count()));
}

void TQvDocumentHistory::Clear() {
  TQvCommandHistoryList::Clear();
  FEntries.clear();
}

std::uint64_t TQvDocumentHistory::StateSerial(int Index) const {
  if (Index < 0 || Index >= Count()) return 0;
  Sync();
  return FEntries[static_cast<std::size_t>(Index)].Serial;
}

// ---- document ----

TQvDocument::TQvDocument(TQvEditor* AEditor) : FEditor(AEditor) {}

TQvDocument::~TQvDocument() {
  // The view lives in the main window's widget tree; it goes with its document.
  delete FView.data();
}

QWidget* TQvDocument::GetView() {
  if (!FView) {
    QWidget* View = nullptr;
    CreateView(View);
    FView = View;
  }
  return FView;
}

void TQvDocument::AddObserver(IQvDocumentObserver* Observer) {
  if (Observer && std::find(FObservers.begin(), FObservers.end(), Observer) == FObservers.end())
    FObservers.push_back(Observer);
}

void TQvDocument::RemoveObserver(IQvDocumentObserver* Observer) {
  FObservers.erase(std::remove(FObservers.begin(), FObservers.end(), Observer), FObservers.end());
}

bool TQvDocument::LoadFromFile(const QString& AFileName, QString* ErrorText) {
  TQvDocumentFormats* Formats = FEditor ? FEditor->FileFormats() : nullptr;
  QString Error;
  int Id = 0;
  bool Ok = false;
  if (Formats) {
    TQvBusyProgress Busy;
    try {
      Ok = Formats->LoadDocument(this, AFileName, Id, Error);
    } catch (const std::exception& E) {
      Ok = false;
      Error = QString::fromLocal8Bit(E.what());
    }
  }
  if (!Ok) {
    if (ErrorText) *ErrorText = Error;
    return false;
  }
  FileName = AFileName;
  FormatId = Id;
  Changed();
  MarkSaved();
  return true;
}

bool TQvDocument::SaveToFile(const QString& AFileName, int AFormatId) {
  TQvDocumentFormats* Formats = FEditor ? FEditor->FileFormats() : nullptr;
  QString Error;
  bool Ok = false;
  if (Formats) {
    TQvBusyProgress Busy;
    try {
      Ok = Formats->SaveDocument(this, AFileName, AFormatId, Error);
    } catch (const std::exception& E) {
      Ok = false;
      Error = QString::fromLocal8Bit(E.what());
    }
  }
  if (!Ok) {
    // The document keeps its name and stays modified; the registry left the old file as it was.
    // A registry that fails without a reason was cancelled by the user (the JPEG quality question):
    // nothing to report then.
    if (Application && (!Formats || !Error.isEmpty()))
      Application->MessageBox(
          GetLocalStringFormatted(1042, QStringLiteral("The file %s cannot be saved: %s"), {AFileName, Error}),
          QvMB::MB_OK | QvMB::MB_ICONERROR);
    return false;
  }
  MarkSaved();
  FileName = AFileName;
  FormatId = AFormatId;
  if (FEditor) FEditor->UpdateCaption(this);
  return true;
}

bool TQvDocument::Save() {
  if (FileName.isEmpty()) return false;
  return SaveToFile(FileName, FormatId);
}

bool TQvDocument::Close() {
  BeforeClose();
  bool MayClose = Temporary || !Modified();
  if (!MayClose && FEditor) {
    switch (FEditor->AskSaveChanges(DisplayName())) {
      case QvMB::IDYES: MayClose = FEditor->SaveAsWithDialog(this); break;
      case QvMB::IDNO: MayClose = true; break;
      default: MayClose = false; break;
    }
  }
  if (!MayClose) return false;
  NotifyClosing();
  if (TQvEditor* Editor = FEditor) {
    Editor->RemoveDocument(this);  // deletes this document
    Editor->UpdateCaption(nullptr);
  }
  return true;
}

void TQvDocument::Changed() {
  // An observer may detach itself while it is told.
  const std::vector<IQvDocumentObserver*> Observers = FObservers;
  for (auto I = Observers.rbegin(); I != Observers.rend(); ++I) (*I)->DocumentChanged(this);
}

void TQvDocument::NotifyClosing() {
  const std::vector<IQvDocumentObserver*> Observers = FObservers;
  for (auto I = Observers.rbegin(); I != Observers.rend(); ++I) (*I)->DocumentClosed(this);
}

QString TQvDocument::DisplayName() const {
  if (FileName.isEmpty()) return GetLocalString(74, QStringLiteral("Untitled"));
  return QFileInfo(FileName).fileName();
}

void TQvDocument::AddCommandState(std::unique_ptr<TQvCommandState> State) { History.Add(std::move(State)); }

bool TQvDocument::Modified() const {
  return FModifiedOutsideHistory || History.SerialBelowPosition() != FSavedSerial;
}

void TQvDocument::MarkSaved() {
  FSavedSerial = History.SerialBelowPosition();
  FModifiedOutsideHistory = false;
}

// ---- demonstration lines ----

void TQvDemoLines::Line(TQvDemoRecorder* Recorder, const QString& Line) {
  if (Recorder) Recorder->RecordLine(Line);
}

void TQvDemoLines::Move(TQvDemoRecorder* Recorder, const QString& Name) {
  Line(Recorder, QStringLiteral("MouseCurvedMove ") + Name);
}

void TQvDemoLines::Message(TQvDemoRecorder* Recorder, const QString& Text) {
  if (Recorder && Recorder->RecordMessages()) Recorder->RecordLine(QStringLiteral("Message \"") + Text + QLatin1Char('"'));
}

void TQvDemoLines::Command(TQvDemoRecorder* Recorder, const QString& Name, const QString& Arguments) {
  if (!Recorder) return;
  Move(Recorder, Name);
  Line(Recorder, Arguments.isEmpty() ? Name : Name + QLatin1Char(' ') + Arguments);
}

void TQvDemoLines::Click(TQvDemoRecorder* Recorder, const QString& Name, const QString& Text) {
  if (!Recorder) return;
  Move(Recorder, Name);
  Message(Recorder, Text);
  Line(Recorder, Name);
}
