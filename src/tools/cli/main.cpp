// ocuvane-cli: the editor's document and tool code without a window, for scripts and batch work.
//
//   ocuvane-cli redeye IN OUT --at X,Y [--at X,Y ...] [--area N] [--brightness N] [--formula 1|2|3]
//                             [--border N] [--quality Q]
//   ocuvane-cli rotate IN OUT --left|--right|--flip-h|--flip-v [--quality Q]
//   ocuvane-cli crop IN OUT --rect L,T,R,B [--quality Q]
//   ocuvane-cli info IN
//   ocuvane-cli convert IN OUT [--quality Q]
//   ocuvane-cli print IN (--printer NAME | --pdf OUT.pdf) [...]   (see CmdPrint.cpp)
//
// Exit status: 0 success, 2 bad usage, 1 a file could not be read or written (one line on stderr).
// The image is opened by the graphics editor exactly as the window opens it (orientation applied,
// metadata kept), a correction is the red-eye tool's Apply at the point, a turn, flip or crop is
// the document's own, and OUT is written by the same format registry, which replaces it
// atomically. A JPEG read by the lossless engine and written as JPEG without --quality is written
// by the engine: turns, flips and crops whose corner lies on the block grid lose nothing, and
// only the blocks a correction touched are compressed again. --quality asks for a fresh encoding
// at that quality instead. Crop rectangles are in the upright image's pixels, right and bottom
// excluded; a rectangle reaching beyond the image keeps the part inside it.

#include "CmdPrint.h"
#include "QvApplication.h"
#include "QvGraphicsEditor.h"
#include "QvRedEyeTool.h"
#include "QvVJPEG.h"

#include <QApplication>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <sys/stat.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFile = 1;
constexpr int ExitUsage = 2;

const char* const UsageText =
    "usage: ocuvane-cli redeye IN OUT --at X,Y [--at X,Y ...] [--area N] [--brightness N] "
    "[--formula 1|2|3] [--border N] [--quality Q]\n"
    "       ocuvane-cli rotate IN OUT --left|--right|--flip-h|--flip-v [--quality Q]\n"
    "       ocuvane-cli crop IN OUT --rect L,T,R,B [--quality Q]\n"
    "       ocuvane-cli info IN\n"
    "       ocuvane-cli convert IN OUT [--quality Q]\n"
    "       ocuvane-cli print IN (--printer NAME | --pdf OUT.pdf) [--fit] [--center] [--left L --top T] "
    "[--width W | --height H | --scale P] [--units mm|cm|in|pt]\n";

struct TUsageError {
  QString Message;
};

struct TFileError {
  QString Message;
};

// The document operation a rotate command runs.
enum class TTurn { None, Left, Right, FlipHorizontal, FlipVertical };

struct TOptions {
  QString Command;
  TTurn Turn = TTurn::None;
  std::optional<TRect> CropRect;
  QStringList Files;
  std::vector<TPoint> Points;
  int32_t AreaSize = TQvRedEyeTool::DefaultAreaSize;
  int32_t Brightness = TQvRedEyeTool::DefaultBrightness;
  int32_t Formula = 0;
  int32_t Border = 0;
  std::optional<int32_t> Quality;
};

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

TPoint ParsePoint(const QString& Text) {
  const QStringList Parts = Text.split(QLatin1Char(','));
  bool OkX = false;
  bool OkY = false;
  const int X = Parts.size() == 2 ? Parts[0].trimmed().toInt(&OkX) : 0;
  const int Y = Parts.size() == 2 ? Parts[1].trimmed().toInt(&OkY) : 0;
  if (!OkX || !OkY) throw TUsageError{QStringLiteral("--at needs X,Y in image pixels, not \"") + Text + QLatin1Char('"')};
  return {X, Y};
}

TRect ParseRect(const QString& Text) {
  const QStringList Parts = Text.split(QLatin1Char(','));
  int V[4] = {};
  bool Ok = Parts.size() == 4;
  for (int I = 0; Ok && I < 4; ++I) V[I] = Parts[I].trimmed().toInt(&Ok);
  if (!Ok) throw TUsageError{QStringLiteral("--rect needs L,T,R,B in image pixels, not \"") + Text + QLatin1Char('"')};
  if (V[2] <= V[0] || V[3] <= V[1])
    throw TUsageError{QStringLiteral("--rect ") + Text + QStringLiteral(" holds no pixel: R must exceed L and B exceed T")};
  return TRect{V[0], V[1], V[2], V[3]};
}

// The flags of a rotate command, which take no value.
std::optional<TTurn> TurnFlag(const QString& Arg) {
  if (Arg == QLatin1String("--left")) return TTurn::Left;
  if (Arg == QLatin1String("--right")) return TTurn::Right;
  if (Arg == QLatin1String("--flip-h")) return TTurn::FlipHorizontal;
  if (Arg == QLatin1String("--flip-v")) return TTurn::FlipVertical;
  return std::nullopt;
}

TOptions ParseArguments(const QStringList& Args) {
  if (Args.size() < 2) throw TUsageError{QStringLiteral("no command given")};
  TOptions O;
  O.Command = Args[1];
  const bool Redeye = O.Command == QLatin1String("redeye");
  const bool Convert = O.Command == QLatin1String("convert");
  const bool Info = O.Command == QLatin1String("info");
  const bool Rotate = O.Command == QLatin1String("rotate");
  const bool Crop = O.Command == QLatin1String("crop");
  if (!Redeye && !Convert && !Info && !Rotate && !Crop)
    throw TUsageError{QStringLiteral("unknown command \"") + O.Command + QLatin1Char('"')};
  for (int I = 2; I < Args.size(); ++I) {
    QString Arg = Args[I];
    if (!Arg.startsWith(QLatin1String("--")) || Arg == QLatin1String("--")) {
      O.Files.push_back(Arg);
      continue;
    }
    if (const std::optional<TTurn> Turn = TurnFlag(Arg)) {
      if (!Rotate) throw TUsageError{Arg + QStringLiteral(" does not apply to ") + O.Command};
      if (O.Turn != TTurn::None && O.Turn != *Turn)
        throw TUsageError{QStringLiteral("rotate takes one of --left, --right, --flip-h and --flip-v")};
      O.Turn = *Turn;
      continue;
    }
    QString Value;
    const int Equals = Arg.indexOf(QLatin1Char('='));
    if (Equals > 0) {
      Value = Arg.mid(Equals + 1);
      Arg = Arg.left(Equals);
    } else {
      if (I + 1 >= Args.size()) throw TUsageError{Arg + QStringLiteral(" needs a value")};
      Value = Args[++I];
    }
    const bool Allowed = Arg == QLatin1String("--quality") ? !Info
                         : Arg == QLatin1String("--rect")  ? Crop
                                                           : Redeye;
    if (!Allowed && (Arg == QLatin1String("--quality") || Arg == QLatin1String("--at") ||
                     Arg == QLatin1String("--area") || Arg == QLatin1String("--brightness") ||
                     Arg == QLatin1String("--formula") || Arg == QLatin1String("--border") ||
                     Arg == QLatin1String("--rect")))
      throw TUsageError{Arg + QStringLiteral(" does not apply to ") + O.Command};
    if (Arg == QLatin1String("--rect"))
      O.CropRect = ParseRect(Value);
    else if (Arg == QLatin1String("--at"))
      O.Points.push_back(ParsePoint(Value));
    else if (Arg == QLatin1String("--area"))
      O.AreaSize = ParseInteger(Arg, Value, 0, 255);
    else if (Arg == QLatin1String("--brightness"))
      O.Brightness = ParseInteger(Arg, Value, 0, 255);
    else if (Arg == QLatin1String("--formula"))
      O.Formula = ParseInteger(Arg, Value, 1, 3) - 1;
    else if (Arg == QLatin1String("--border"))
      O.Border = ParseInteger(Arg, Value, -TQvRedEyeTool::MaxBorder, TQvRedEyeTool::MaxBorder);
    else if (Arg == QLatin1String("--quality"))
      O.Quality = ParseInteger(Arg, Value, 0, 100);
    else
      throw TUsageError{QStringLiteral("unknown option ") + Arg};
  }
  const int FileCount = Info ? 1 : 2;
  if (O.Files.size() != FileCount)
    throw TUsageError{O.Command + (Info ? QStringLiteral(" needs IN") : QStringLiteral(" needs IN and OUT"))};
  if (Redeye && O.Points.empty()) throw TUsageError{QStringLiteral("redeye needs at least one --at X,Y")};
  if (Rotate && O.Turn == TTurn::None)
    throw TUsageError{QStringLiteral("rotate needs one of --left, --right, --flip-h and --flip-v")};
  if (Crop && !O.CropRect) throw TUsageError{QStringLiteral("crop needs --rect L,T,R,B")};
  return O;
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

void CheckReadable(const QString& FileName) {
  const QFileInfo Info(FileName);
  if (!Info.exists()) throw TFileError{QStringLiteral("cannot read ") + FileName + QStringLiteral(": no such file")};
  if (!Info.isFile()) throw TFileError{QStringLiteral("cannot read ") + FileName + QStringLiteral(": not a file")};
}

int RunInfo(const TOptions& O) {
  const QString& In = O.Files[0];
  CheckReadable(In);
  TQvGraphicsFormats Formats;
  std::unique_ptr<TQvFileInfo> Info;
  QString Text;
  if (Formats.GetFileInfo(In, Info) && Info) Info->GetDescription(Text);
  if (Text.trimmed().isEmpty()) throw TFileError{QStringLiteral("cannot read ") + In + QStringLiteral(": not an image file")};
  std::fputs(Text.toLocal8Bit().constData(), stdout);
  if (!Text.endsWith(QLatin1Char('\n'))) std::fputc('\n', stdout);
  return ExitOk;
}

// Opens IN in the editor, runs the corrections of a redeye command or the turn or crop, writes OUT.
int RunEdit(const TOptions& O, int& Argc, char** Argv) {
  const QString& In = O.Files[0];
  const QString& Out = O.Files[1];
  CheckReadable(In);
  if (SameFile(In, Out)) throw TUsageError{QStringLiteral("OUT must not be IN: the original is never written")};

  int FormatId = 0;
  {
    TQvGraphicsFormats Names;
    FormatId = SaveFormatOf(Names, Out);
  }

  TQvApplication App;
  App.Initialize(Argc, Argv);
  QString LastMessage;
  App.SetMessageBoxHandler([&LastMessage](const QString& Text, const QString&, int) {
    LastMessage = Text;
    return QvMB::IDNO;
  });
  App.CreateModule(GraphicsEditor);
  App.CreateModule(RedEyeTool);
  TQvGraphicsFormats& Formats = GraphicsEditor->Formats();
  if (O.Quality) Formats.FQuality = *O.Quality;
  // The quality the command line gave (or the formats object's own) stands for the dialog's answer.
  Formats.QualityAsker = [](int32_t&) { return true; };

  TQvDocument* Opened = nullptr;
  if (!GraphicsEditor->OpenFile(In, Opened, false) || !Opened) {
    App.DestroyComponents();
    throw TFileError{QStringLiteral("cannot read ") + In + QStringLiteral(": ") +
                     (LastMessage.isEmpty() ? QStringLiteral("not an image file") : OneLine(LastMessage))};
  }
  auto* Doc = qobject_cast<TQvGraphicsDocument*>(Opened);

  if (O.Command == QLatin1String("redeye")) {
    for (const TPoint& P : O.Points)
      if (P.X < 0 || P.Y < 0 || P.X >= Doc->Width() || P.Y >= Doc->Height()) {
        const QString Size = QString::number(Doc->Width()) + QLatin1Char('x') + QString::number(Doc->Height());
        App.DestroyComponents();
        throw TUsageError{QStringLiteral("point %1,%2 lies outside the %3 image").arg(P.X).arg(P.Y).arg(Size)};
      }
    RedEyeTool->SetAreaSize(O.AreaSize);
    RedEyeTool->SetBrightness(O.Brightness);
    RedEyeTool->SetFormula(O.Formula);
    RedEyeTool->SetBorder(O.Border);
    for (const TPoint& P : O.Points) {
      RedEyeTool->SetSeed(P);
      RedEyeTool->Apply();
    }
  } else if (O.Command == QLatin1String("rotate") || O.Command == QLatin1String("crop")) {
    // Nothing here compares with the picture as it was opened: turning or cutting that copy too
    // would only cost the time and memory of a whole extra image.
    Doc->Original().Release();
    bool Done = false;
    if (O.Command == QLatin1String("crop")) {
      if (IntersectRect(*O.CropRect, TRect{0, 0, Doc->Width(), Doc->Height()}).IsEmpty()) {
        const TRect& R = *O.CropRect;
        const QString Size = QString::number(Doc->Width()) + QLatin1Char('x') + QString::number(Doc->Height());
        App.DestroyComponents();
        throw TUsageError{QStringLiteral("--rect %1,%2,%3,%4 lies outside the %5 image")
                              .arg(R.Left).arg(R.Top).arg(R.Right).arg(R.Bottom).arg(Size)};
      }
      Done = Doc->Crop(*O.CropRect);
    } else {
      switch (O.Turn) {
        case TTurn::Left: Done = Doc->RotateLeft(); break;
        case TTurn::Right: Done = Doc->RotateRight(); break;
        case TTurn::FlipHorizontal: Done = Doc->FlipHorizontal(); break;
        case TTurn::FlipVertical: Done = Doc->FlipVertical(); break;
        case TTurn::None: break;
      }
    }
    if (!Done) {
      App.DestroyComponents();
      throw TFileError{QStringLiteral("cannot ") + O.Command + QLatin1Char(' ') + In +
                       QStringLiteral(": not enough memory for the image")};
    }
  }

  // A quality on the command line asks for a fresh encoding; without one, a JPEG the engine holds
  // is written by it, losing nothing outside the changed blocks.
  if (O.Quality && Doc->Engine() && Doc->Engine()->IsLoaded()) Doc->Engine()->Close();

  QString Error;
  const bool Saved = Formats.SaveDocument(Doc, Out, FormatId, Error);
  App.DestroyComponents();
  if (!Saved)
    throw TFileError{QStringLiteral("cannot write ") + Out + QStringLiteral(": ") +
                     (Error.isEmpty() ? QStringLiteral("the image could not be saved") : OneLine(Error))};
  return ExitOk;
}

// Qt's own notes (no runtime folder, size hints of the offscreen platform) would break the promise
// of one line on standard error that scripts rely on; only a fatal message gets through.
void QuietMessages(QtMsgType Type, const QMessageLogContext&, const QString& Message) {
  if (Type == QtFatalMsg) std::fprintf(stderr, "ocuvane-cli: %s\n", OneLine(Message).toLocal8Bit().constData());
}

}  // namespace

int main(int argc, char** argv) {
  qInstallMessageHandler(QuietMessages);
  TQvGraphicsDocument::EngineFactory = CreateVJPEGObject;
  // Widgets exist (the editor's window is built but never shown); no display is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication Platform(argc, argv);
  try {
    if (QCoreApplication::arguments().value(1) == QLatin1String("print"))
      return RunPrintCommand(QCoreApplication::arguments(), argc, argv);
    const TOptions Options = ParseArguments(QCoreApplication::arguments());
    if (Options.Command == QLatin1String("info")) return RunInfo(Options);
    return RunEdit(Options, argc, argv);
  } catch (const TUsageError& E) {
    std::fprintf(stderr, "ocuvane-cli: %s\n", OneLine(E.Message).toLocal8Bit().constData());
    // The whole usage only for a call without any command; otherwise the one line says enough.
    if (argc < 2) std::fputs(UsageText, stderr);
    return ExitUsage;
  } catch (const TFileError& E) {
    std::fprintf(stderr, "ocuvane-cli: %s\n", OneLine(E.Message).toLocal8Bit().constData());
    return ExitFile;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "ocuvane-cli: %s\n", E.what());
    return ExitFile;
  }
}
