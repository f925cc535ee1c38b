// ocuvane-cli redeye IN OUT --at X,Y [--at X,Y ...]: the red-eye tool's correction at each point,
// exactly as a click there makes it.
// ocuvane-cli redeye IN OUT --auto: every pupil the tool's "Find Red Eyes" finds, in one step.
// ocuvane-cli redeye --auto --out-dir DIR IN...: the same for many photographs, each written to DIR
// under its own name; one line per file on standard output, progress on standard error when that
// is a terminal, exit status 1 when any file failed (the others are still done).
#include "CliCommand.h"

#include "QvGraphicsDocument.h"
#include "QvGraphicsEditor.h"
#include "QvRedEyeTool.h"
#include "RedEyeSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <unistd.h>

#include <cstdio>

namespace {

// How far from its point a correction may read or write: its search window is the point ± 87
// pixels; the rest is room for the border and the natural mode's refinement, which stay inside it.
constexpr int32_t RedEyeReach = 192;

// "82,81 232,33": where the pupils were corrected.
QString PointsText(const std::vector<TPoint>& Points) {
  QStringList Parts;
  for (const TPoint& P : Points) Parts << QString::number(P.X) + QLatin1Char(',') + QString::number(P.Y);
  return Parts.join(QLatin1Char(' '));
}

QString ResultLine(const QString& In, const std::vector<TPoint>& Pupils, const QString& Out) {
  const QString Count = Pupils.empty() ? QStringLiteral("no pupils found")
                        : Pupils.size() == 1
                            ? QStringLiteral("1 pupil corrected at ") + PointsText(Pupils)
                            : QString::number(Pupils.size()) + QStringLiteral(" pupils corrected at ") + PointsText(Pupils);
  return In + QStringLiteral(": ") + Count + QStringLiteral(" -> ") + Out + QLatin1Char('\n');
}

// Opens Call's IN, finds and corrects every pupil with Settings and writes OUT; the pupils found.
std::vector<TPoint> RunAuto(const TCliInvocation& Call, const TRedEyeSettings& Settings) {
  std::vector<TPoint> Pupils;
  RunEdit(Call, [&](TQvGraphicsDocument&) {
    RedEyeTool->SetSettings(Settings);
    if (RedEyeTool->FindRedEyes() > 0) Pupils = RedEyeTool->Seeds();
  });
  return Pupils;
}

int RunBatch(const TCliInvocation& Call, const TRedEyeSettings& Settings, const QString& OutDir) {
  if (!QDir().mkpath(OutDir))
    throw TFileError{QStringLiteral("cannot create the folder ") + OutDir};
  const QDir Dir(OutDir);
  const bool Progress = ::isatty(STDERR_FILENO) == 1;
  // Output names already given to an input of this run: a second input of the same name fails
  // rather than overwrite the first one's result.
  QHash<QString, QString> Taken;
  int Failed = 0;
  for (int I = 0; I < Call.Files.size(); ++I) {
    const QString& In = Call.Files[I];
    if (Progress) {
      std::fprintf(stderr, "\r\033[K[%d/%d] %s", I + 1, int(Call.Files.size()), In.toLocal8Bit().constData());
      std::fflush(stderr);
    }
    const QString Out = Dir.filePath(QFileInfo(In).fileName());
    const QString Key = QFileInfo(Out).absoluteFilePath();
    QString Error;
    try {
      const auto Earlier = Taken.constFind(Key);
      if (Earlier != Taken.constEnd())
        throw TFileError{QStringLiteral("cannot write ") + Out + QStringLiteral(": already written from ") + *Earlier +
                         QStringLiteral(" in this run")};
      Taken.insert(Key, In);
      TCliInvocation One = Call;
      One.Files = {In, Out};
      const std::vector<TPoint> Pupils = RunAuto(One, Settings);
      std::fputs(ResultLine(In, Pupils, Out).toLocal8Bit().constData(), stdout);
      std::fflush(stdout);
    } catch (const TUsageError& E) {
      Error = E.Message;
    } catch (const TFileError& E) {
      Error = E.Message;
    } catch (const std::exception& E) {
      Error = QString::fromLocal8Bit(E.what());
    }
    if (!Error.isEmpty()) {
      ++Failed;
      if (Progress) std::fputs("\r\033[K", stderr);
      std::fprintf(stderr, "ocuvane-cli: %s\n", OneLine(Error).toLocal8Bit().constData());
    }
  }
  if (Progress) std::fputs("\r\033[K", stderr);
  return Failed > 0 ? ExitFile : ExitOk;
}

int Run(const TCliInvocation& Call) {
  TRedEyeSettings Settings;
  std::vector<TPoint> Points;
  for (const auto& [Option, Value] : Call.Options) {
    if (Option == QLatin1String("--at"))
      Points.push_back(ParsePoint(Option, Value));
    else if (Option == QLatin1String("--area"))
      Settings.AreaSize = ParseInteger(Option, Value, 0, TRedEyeSettings::MaxAreaSize);
    else if (Option == QLatin1String("--brightness"))
      Settings.Brightness = ParseInteger(Option, Value, 0, TRedEyeSettings::MaxBrightness);
    else if (Option == QLatin1String("--formula"))
      Settings.Formula = ParseInteger(Option, Value, 1, TRedEyeSettings::FormulaCount) - 1;
    else if (Option == QLatin1String("--border"))
      Settings.Border = ParseInteger(Option, Value, -TRedEyeSettings::MaxBorder, TRedEyeSettings::MaxBorder);
  }
  Settings.Natural = Call.Has(QStringLiteral("--natural"));
  const bool Auto = Call.Has(QStringLiteral("--auto"));
  const std::optional<QString> OutDir = Call.Last(QStringLiteral("--out-dir"));
  if (Auto && !Points.empty())
    throw TUsageError{QStringLiteral("--auto finds the pupils itself: give --at or --auto, not both")};
  if (OutDir) {
    if (!Auto) throw TUsageError{QStringLiteral("--out-dir works with --auto only")};
    if (OutDir->isEmpty()) throw TUsageError{QStringLiteral("--out-dir needs a folder")};
    if (Call.Files.isEmpty()) throw TUsageError{QStringLiteral("redeye --out-dir needs at least one IN")};
    return RunBatch(Call, Settings, *OutDir);
  }
  RequireFiles(Call, QStringLiteral("redeye"), 2);
  if (Auto) {
    const std::vector<TPoint> Pupils = RunAuto(Call, Settings);
    std::fputs(ResultLine(Call.Files[0], Pupils, Call.Files[1]).toLocal8Bit().constData(), stdout);
    return ExitOk;
  }
  if (Points.empty()) throw TUsageError{QStringLiteral("redeye needs at least one --at X,Y")};
  // Written losslessly, a correction reads and changes pixels near its points only, and every
  // other block is copied from the file: only the rows around the points need decoding.
  const QString Out = Call.Files[1].toLower();
  const bool Lossless = !Call.Has(QStringLiteral("--quality")) &&
                        (Out.endsWith(QLatin1String(".jpg")) || Out.endsWith(QLatin1String(".jpeg")));
  const auto DecodeNearPoints = [&] {
    if (!Lossless) return;
    std::vector<std::pair<int32_t, int32_t>> Rows;
    for (const TPoint& P : Points) Rows.emplace_back(P.Y - RedEyeReach, P.Y + RedEyeReach);
    GraphicsEditor->Formats().LoadRows = Rows;
  };
  return RunEdit(Call, [&](TQvGraphicsDocument& Doc) {
    for (const TPoint& P : Points)
      if (P.X < 0 || P.Y < 0 || P.X >= Doc.Width() || P.Y >= Doc.Height())
        throw TUsageError{QStringLiteral("point %1,%2 lies outside the %3 image").arg(P.X).arg(P.Y).arg(SizeText(Doc))};
    RedEyeTool->SetSettings(Settings);
    for (const TPoint& P : Points) {
      RedEyeTool->SetSeed(P);
      RedEyeTool->Apply();
    }
  }, DecodeNearPoints);
}

const TCliRegistration Registration{TCliCommand{
    QStringLiteral("redeye"),
    QStringLiteral("IN OUT (--at X,Y [--at X,Y ...] | --auto) [--natural] [--area N] [--brightness N] "
                   "[--formula 1|2|3] [--border N] [--quality Q]\n"
                   "       ocuvane-cli redeye --auto --out-dir DIR [--natural] [options] IN..."),
    QStringLiteral("corrects the red eye at each point, as a click with the red-eye tool does, or every red eye "
                   "it finds"),
    10,
    {{QStringLiteral("--at"), QStringLiteral("X,Y"), QStringLiteral("a pupil, in pixels of the upright image (repeatable)")},
     {QStringLiteral("--auto"), QString(), QStringLiteral("find and correct every red pupil (prints where)")},
     {QStringLiteral("--natural"), QString(), QStringLiteral("natural correction: neutral pupil, catch-light kept, rim taken")},
     {QStringLiteral("--out-dir"), QStringLiteral("DIR"), QStringLiteral("with --auto: correct every IN into DIR, same name")},
     {QStringLiteral("--area"), QStringLiteral("N"), QStringLiteral("area size 0..255 (default 176)")},
     {QStringLiteral("--brightness"), QStringLiteral("N"), QStringLiteral("brightness 0..255 (default 50)")},
     {QStringLiteral("--formula"), QStringLiteral("1|2|3"), QStringLiteral("colour test (default 1)")},
     {QStringLiteral("--border"), QStringLiteral("N"), QStringLiteral("pixels added to (or, negative, removed from) the pupil, -5..5")},
     QualityOption()},
    Run}};

}  // namespace
