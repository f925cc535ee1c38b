// ocuvane-cli: the editor's document and tool code without a window, for scripts and batch work.
//
//   ocuvane-cli COMMAND ARGUMENTS...     ocuvane-cli --help     ocuvane-cli COMMAND --help
//   ocuvane-cli --version
//
// The commands are listed by --help; each lives in a Cmd*.cpp file of its own (see CliCommand.h).
// Exit status: 0 success, 2 bad usage, 1 a file could not be read or written (one line on stderr).
// The image is opened by the graphics editor exactly as the window opens it (orientation applied,
// metadata kept), a correction is the red-eye tool's Apply at the point, a turn, flip or crop is
// the document's own, and OUT is written by the same format registry, which replaces it
// atomically. A JPEG read by the lossless engine and written as JPEG without --quality is written
// by the engine: turns, flips and crops whose corner lies on the block grid lose nothing, and
// only the blocks a correction touched are compressed again. --quality asks for a fresh encoding
// at that quality instead. Rectangles and points are in the upright image's pixels, right and
// bottom excluded; a crop rectangle reaching beyond the image keeps the part inside it.

#include "CliCommand.h"

#include "QvGraphicsDocument.h"
#include "QvVJPEG.h"

#include <QApplication>

#include <cstdio>

#ifndef OCUVANE_VERSION
#define OCUVANE_VERSION "unknown"
#endif

namespace {

void Print(FILE* Stream, const QString& Text) { std::fputs(Text.toLocal8Bit().constData(), Stream); }

QString UsageText() {
  QString Text;
  bool First = true;
  for (const TCliCommand* C : TCliCommands::All()) {
    Text += (First ? QStringLiteral("usage: ") : QStringLiteral("       ")) + QStringLiteral("ocuvane-cli ") + C->Name +
            QLatin1Char(' ') + C->Synopsis + QLatin1Char('\n');
    First = false;
  }
  Text += QStringLiteral("       ocuvane-cli COMMAND --help | --help | --version\n");
  return Text;
}

QString CommandHelp(const TCliCommand& C) {
  QString Text = QStringLiteral("usage: ocuvane-cli ") + C.Name + QLatin1Char(' ') + C.Synopsis + QLatin1Char('\n') +
                 QLatin1Char('\n') + C.Name + QStringLiteral(": ") + C.Summary + QLatin1Char('\n');
  if (!C.Options.empty()) Text += QLatin1Char('\n');
  for (const TCliOption& O : C.Options) {
    const QString Left = O.Value.isEmpty() ? O.Name : O.Name + QLatin1Char(' ') + O.Value;
    Text += QStringLiteral("  ") + Left.leftJustified(20) + QLatin1Char(' ') + O.Help + QLatin1Char('\n');
  }
  return Text;
}

const TCliOption* FindOption(const TCliCommand& C, const QString& Name) {
  for (const TCliOption& O : C.Options)
    if (O.Name == Name) return &O;
  return nullptr;
}

// The files and options of a call, checked against the command's own options. Sets Help when
// the call asks for the command's help.
TCliInvocation Parse(const TCliCommand& C, const QStringList& Args, bool& Help) {
  TCliInvocation Call;
  for (int I = 2; I < Args.size(); ++I) {
    QString Arg = Args[I];
    if (!Arg.startsWith(QLatin1String("--")) || Arg == QLatin1String("--")) {
      Call.Files.push_back(Arg);
      continue;
    }
    if (Arg == QLatin1String("--help")) {
      Help = true;
      return Call;
    }
    QString Value;
    const int Equals = Arg.indexOf(QLatin1Char('='));
    if (Equals > 0) {
      Value = Arg.mid(Equals + 1);
      Arg = Arg.left(Equals);
    }
    const TCliOption* Option = FindOption(C, Arg);
    if (!Option) {
      if (TCliCommands::KnownElsewhere(Arg, C)) throw TUsageError{Arg + QStringLiteral(" does not apply to ") + C.Name};
      throw TUsageError{QStringLiteral("unknown option ") + Arg};
    }
    if (Option->Value.isEmpty()) {
      if (Equals > 0) throw TUsageError{Arg + QStringLiteral(" takes no value")};
    } else if (Equals <= 0) {
      if (I + 1 >= Args.size()) throw TUsageError{Arg + QStringLiteral(" needs a value")};
      Value = Args[++I];
    }
    Call.Options.emplace_back(Arg, Value);
  }
  return Call;
}

int Dispatch(const QStringList& Args, int& Argc, char** Argv) {
  if (Args.size() < 2) throw TUsageError{QStringLiteral("no command given")};
  const QString& Name = Args[1];
  if (Name == QLatin1String("--help") || Name == QLatin1String("-h") || Name == QLatin1String("help")) {
    Print(stdout, UsageText());
    return ExitOk;
  }
  if (Name == QLatin1String("--version")) {
    Print(stdout, QStringLiteral("ocuvane-cli " OCUVANE_VERSION "\n"));
    return ExitOk;
  }
  const TCliCommand* Command = TCliCommands::Find(Name);
  if (!Command) throw TUsageError{QStringLiteral("unknown command \"") + Name + QLatin1Char('"')};
  bool Help = false;
  TCliInvocation Call = Parse(*Command, Args, Help);
  if (Help) {
    Print(stdout, CommandHelp(*Command));
    return ExitOk;
  }
  Call.Argc = &Argc;
  Call.Argv = Argv;
  return Command->Run(Call);
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
  // Nothing here compares with the picture as it was opened or undoes a step: keeping either
  // would cost whole copies of the image.
  TQvGraphicsDocument::KeepsOriginal = false;
  TQvGraphicsDocument::KeepsHistory = false;
  // Widgets exist (the editor's window is built but never shown); no display is needed.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication Platform(argc, argv);
  try {
    return Dispatch(QCoreApplication::arguments(), argc, argv);
  } catch (const TUsageError& E) {
    std::fprintf(stderr, "ocuvane-cli: %s\n", OneLine(E.Message).toLocal8Bit().constData());
    // The whole usage only for a call without any command; otherwise the one line says enough.
    if (argc < 2) Print(stderr, UsageText());
    return ExitUsage;
  } catch (const TFileError& E) {
    std::fprintf(stderr, "ocuvane-cli: %s\n", OneLine(E.Message).toLocal8Bit().constData());
    return ExitFile;
  } catch (const std::exception& E) {
    std::fprintf(stderr, "ocuvane-cli: %s\n", E.what());
    return ExitFile;
  }
}
