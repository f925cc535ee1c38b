#pragma once
// The command table of ocuvane-cli. Each command lives in a file of its own and registers itself
// with a static TCliRegistration; main() finds it by name, parses its options against the table
// (so "--help", unknown options and options of other commands are answered alike for all) and runs
// it. A new command is one more file in this folder.

#include "QvTypes.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

class TQvGraphicsDocument;

constexpr int ExitOk = 0;
constexpr int ExitFile = 1;
constexpr int ExitUsage = 2;

// A wrong call: one line on standard error, exit status 2.
struct TUsageError {
  QString Message;
};

// A file that could not be read or written: one line on standard error, exit status 1.
struct TFileError {
  QString Message;
};

struct TCliOption {
  QString Name;      // "--at"
  QString Value;     // "X,Y" for an option that takes a value, empty for a flag
  QString Help;      // one line
};

// What the command line gave a command: its files and its options in order (a flag's value is
// empty).
struct TCliInvocation {
  QStringList Files;
  std::vector<std::pair<QString, QString>> Options;
  int* Argc = nullptr;
  char** Argv = nullptr;

  // The last value of Option, if given.
  std::optional<QString> Last(const QString& Option) const;
  // Every value of Option, in order.
  QStringList All(const QString& Option) const;
  bool Has(const QString& Option) const { return Last(Option).has_value(); }
};

struct TCliCommand {
  QString Name;
  QString Synopsis;  // what follows the name in the usage, "IN OUT --at X,Y ..."
  QString Summary;   // one line for the command's help
  int Order = 100;   // place in the usage; the original five come first
  std::vector<TCliOption> Options;
  std::function<int(const TCliInvocation&)> Run;
};

class TCliCommands {
 public:
  static void Register(TCliCommand Command);
  // In usage order.
  static std::vector<const TCliCommand*> All();
  static const TCliCommand* Find(const QString& Name);
  // Whether some other command than Except knows Option.
  static bool KnownElsewhere(const QString& Option, const TCliCommand& Except);
};

struct TCliRegistration {
  explicit TCliRegistration(TCliCommand Command) { TCliCommands::Register(std::move(Command)); }
};

// ---- helpers the commands share ----

// Text with its line breaks turned into "; ", for one line on standard error.
QString OneLine(QString Text);
int32_t ParseInteger(const QString& Option, const QString& Text, int32_t Low, int32_t High);
TPoint ParsePoint(const QString& Option, const QString& Text);
TRect ParseRect(const QString& Option, const QString& Text);
// Exactly Count files, or a usage error naming them ("IN", "IN and OUT").
void RequireFiles(const TCliInvocation& Call, const QString& Command, int Count);
void CheckReadable(const QString& FileName);
// "--quality Q": JPEG quality 0..100 for a fresh encoding.
TCliOption QualityOption();

// Opens IN in the editor as the window opens it, lets Edit change the document (it may throw a
// usage or file error; the editor is torn down first), and writes OUT through the format registry,
// atomically. A JPEG the lossless engine holds is written by it unless --quality was given.
// CreateTools, when given, makes the modules the edit needs besides the red-eye tool, in their
// places after it. Shortcut, when given, may do the whole edit without the editor once the files
// passed the checks (IN, OUT and OUT's format id): true when it wrote OUT; false leaves OUT as it
// was, and the edit goes through the editor.
using TCliShortcut = std::function<bool(const QString& In, const QString& Out, int FormatId)>;
int RunEdit(const TCliInvocation& Call, const std::function<void(TQvGraphicsDocument& Doc)>& Edit,
            const std::function<void()>& CreateTools = {}, const TCliShortcut& Shortcut = {});
// "WxH" of the document, for messages.
QString SizeText(const TQvGraphicsDocument& Doc);
