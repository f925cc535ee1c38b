#include "CliCommand.h"

#include "QvApplication.h"
#include "QvFileOutput.h"
#include "QvGraphicsEditor.h"
#include "QvRedEyeTool.h"
#include "QvVJPEG.h"

#include <QFileInfo>

#include <sys/stat.h>

#include <algorithm>
#include <memory>

namespace {

std::vector<TCliCommand>& Table() {
  static std::vector<TCliCommand> Commands;
  return Commands;
}

// Whether both names lead to one file (the same inode, whatever the path).
bool SameFile(const QString& A, const QString& B) {
  struct stat SA {};
  struct stat SB {};
  if (::stat(QFile::encodeName(A).constData(), &SA) != 0 || ::stat(QFile::encodeName(B).constData(), &SB) != 0)
    return false;
  return SA.st_dev == SB.st_dev && SA.st_ino == SB.st_ino;
}

// The save format OUT's extension names.
int SaveFormatOf(TQvGraphicsFormats& Formats, const QString& FileName) {
  TQvFileFormatInfos Infos;
  Formats.GetSaveFormats(Infos);
  for (const TQvFileFormatInfo& Info : Infos)
    if (HasFormatExtension(FileName, Info)) return Info.FormatId;
  throw TUsageError{QStringLiteral("cannot tell the format from the name ") + FileName +
                    QStringLiteral(" (use .jpg, .jpeg, .tif, .tiff, .png or .bmp)")};
}

}  // namespace

// ---- table ----

void TCliCommands::Register(TCliCommand Command) { Table().push_back(std::move(Command)); }

std::vector<const TCliCommand*> TCliCommands::All() {
  std::vector<const TCliCommand*> Result;
  for (const TCliCommand& C : Table()) Result.push_back(&C);
  std::stable_sort(Result.begin(), Result.end(), [](const TCliCommand* A, const TCliCommand* B) {
    return A->Order != B->Order ? A->Order < B->Order : A->Name < B->Name;
  });
  return Result;
}

const TCliCommand* TCliCommands::Find(const QString& Name) {
  for (const TCliCommand& C : Table())
    if (C.Name == Name) return &C;
  return nullptr;
}

bool TCliCommands::KnownElsewhere(const QString& Option, const TCliCommand& Except) {
  for (const TCliCommand& C : Table()) {
    if (&C == &Except) continue;
    for (const TCliOption& O : C.Options)
      if (O.Name == Option) return true;
  }
  return false;
}

std::optional<QString> TCliInvocation::Last(const QString& Option) const {
  for (auto It = Options.rbegin(); It != Options.rend(); ++It)
    if (It->first == Option) return It->second;
  return std::nullopt;
}

QStringList TCliInvocation::All(const QString& Option) const {
  QStringList Values;
  for (const auto& [Name, Value] : Options)
    if (Name == Option) Values << Value;
  return Values;
}

// ---- helpers ----

QString OneLine(QString Text) {
  Text.replace(QLatin1String("\r\n"), QLatin1String("; "));
  Text.replace(QLatin1Char('\n'), QLatin1String("; "));
  return Text.trimmed();
}

int32_t ParseInteger(const QString& Option, const QString& Text, int32_t Low, int32_t High) {
  bool Ok = false;
  const int Value = Text.toInt(&Ok);
  if (!Ok || Value < Low || Value > High)
    throw TUsageError{Option + QStringLiteral(" needs a whole number from ") + QString::number(Low) +
                      QStringLiteral(" to ") + QString::number(High) + QStringLiteral(", not \"") + Text +
                      QLatin1Char('"')};
  return Value;
}

TPoint ParsePoint(const QString& Option, const QString& Text) {
  const QStringList Parts = Text.split(QLatin1Char(','));
  bool OkX = false;
  bool OkY = false;
  const int X = Parts.size() == 2 ? Parts[0].trimmed().toInt(&OkX) : 0;
  const int Y = Parts.size() == 2 ? Parts[1].trimmed().toInt(&OkY) : 0;
  if (!OkX || !OkY)
    throw TUsageError{Option + QStringLiteral(" needs X,Y in image pixels, not \"") + Text + QLatin1Char('"')};
  return {X, Y};
}

TRect ParseRect(const QString& Option, const QString& Text) {
  const QStringList Parts = Text.split(QLatin1Char(','));
  int V[4] = {};
  bool Ok = Parts.size() == 4;
  for (int I = 0; Ok && I < 4; ++I) V[I] = Parts[I].trimmed().toInt(&Ok);
  if (!Ok) throw TUsageError{Option + QStringLiteral(" needs L,T,R,B in image pixels, not \"") + Text + QLatin1Char('"')};
  if (V[2] <= V[0] || V[3] <= V[1])
    throw TUsageError{Option + QLatin1Char(' ') + Text +
                      QStringLiteral(" holds no pixel: R must exceed L and B exceed T")};
  return TRect{V[0], V[1], V[2], V[3]};
}

void RequireFiles(const TCliInvocation& Call, const QString& Command, int Count) {
  if (Call.Files.size() != Count)
    throw TUsageError{Command + (Count == 1 ? QStringLiteral(" needs IN") : QStringLiteral(" needs IN and OUT"))};
}

void CheckReadable(const QString& FileName) {
  const QFileInfo Info(FileName);
  if (!Info.exists()) throw TFileError{QStringLiteral("cannot read ") + FileName + QStringLiteral(": no such file")};
  if (!Info.isFile()) throw TFileError{QStringLiteral("cannot read ") + FileName + QStringLiteral(": not a file")};
}

TCliOption QualityOption() {
  return {QStringLiteral("--quality"), QStringLiteral("Q"),
          QStringLiteral("encode afresh at JPEG quality Q (0..100) instead of keeping untouched blocks")};
}

QString SizeText(const TQvGraphicsDocument& Doc) {
  return QString::number(Doc.Width()) + QLatin1Char('x') + QString::number(Doc.Height());
}

int RunEdit(const TCliInvocation& Call, const std::function<void(TQvGraphicsDocument& Doc)>& Edit,
            const std::function<void()>& CreateTools, const TCliShortcut& Shortcut) {
  const QString& In = Call.Files[0];
  const QString& Out = Call.Files[1];
  const std::optional<QString> QualityText = Call.Last(QStringLiteral("--quality"));
  const bool HasQuality = QualityText.has_value();
  const int32_t Quality = HasQuality ? ParseInteger(QStringLiteral("--quality"), *QualityText, 0, 100) : 0;
  CheckReadable(In);
  if (SameFile(In, Out)) throw TUsageError{QStringLiteral("OUT must not be IN: the original is never written")};
  // A FIFO, device or folder cannot be written whatever its name says: that is the reason to give,
  // and before the image is read.
  if (const QString Refusal = QvSaveTargetRefusal(Out); !Refusal.isEmpty())
    throw TFileError{QStringLiteral("cannot write ") + Out + QStringLiteral(": ") + OneLine(Refusal)};

  int FormatId = 0;
  {
    TQvGraphicsFormats Names;
    FormatId = SaveFormatOf(Names, Out);
  }

  if (Shortcut && !HasQuality && Shortcut(In, Out, FormatId)) return ExitOk;

  // A fresh encoding never asks the lossless engine for anything: without one the file is read
  // once, by the decoder, instead of also being held whole for blocks that are never copied.
  if (HasQuality) TQvGraphicsDocument::EngineFactory = nullptr;

  TQvApplication App;
  App.Initialize(*Call.Argc, Call.Argv);
  QString LastMessage;
  App.SetMessageBoxHandler([&LastMessage](const QString& Text, const QString&, int) {
    LastMessage = Text;
    return QvMB::IDNO;
  });
  App.CreateModule(GraphicsEditor);
  App.CreateModule(RedEyeTool);
  if (CreateTools) CreateTools();
  TQvGraphicsFormats& Formats = GraphicsEditor->Formats();
  if (HasQuality) Formats.FQuality = Quality;
  // The quality the command line gave (or the formats object's own) stands for the dialog's answer.
  Formats.QualityAsker = [](int32_t&) { return true; };

  TQvDocument* Opened = nullptr;
  if (!GraphicsEditor->OpenFile(In, Opened, false) || !Opened) {
    App.DestroyComponents();
    throw TFileError{QStringLiteral("cannot read ") + In + QStringLiteral(": ") +
                     (LastMessage.isEmpty() ? QStringLiteral("not an image file") : OneLine(LastMessage))};
  }
  auto* Doc = qobject_cast<TQvGraphicsDocument*>(Opened);
  try {
    Edit(*Doc);
  } catch (...) {
    App.DestroyComponents();
    throw;
  }

  // Without a quality on the command line, a JPEG the engine holds is written by it, losing
  // nothing outside the changed blocks.
  QString Error;
  const bool Saved = Formats.SaveDocument(Doc, Out, FormatId, Error);
  App.DestroyComponents();
  if (!Saved)
    throw TFileError{QStringLiteral("cannot write ") + Out + QStringLiteral(": ") +
                     (Error.isEmpty() ? QStringLiteral("the image could not be saved") : OneLine(Error))};
  return ExitOk;
}
