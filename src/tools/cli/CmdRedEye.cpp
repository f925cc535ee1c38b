// ocuvane-cli redeye IN OUT --at X,Y [--at X,Y ...]: the red-eye tool's correction at each point,
// exactly as a click there makes it.
#include "CliCommand.h"

#include "QvGraphicsDocument.h"
#include "QvRedEyeTool.h"
#include "RedEyeSettings.h"

namespace {

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
  RequireFiles(Call, QStringLiteral("redeye"), 2);
  if (Points.empty()) throw TUsageError{QStringLiteral("redeye needs at least one --at X,Y")};
  return RunEdit(Call, [&](TQvGraphicsDocument& Doc) {
    for (const TPoint& P : Points)
      if (P.X < 0 || P.Y < 0 || P.X >= Doc.Width() || P.Y >= Doc.Height())
        throw TUsageError{QStringLiteral("point %1,%2 lies outside the %3 image").arg(P.X).arg(P.Y).arg(SizeText(Doc))};
    RedEyeTool->SetSettings(Settings);
    for (const TPoint& P : Points) {
      RedEyeTool->SetSeed(P);
      RedEyeTool->Apply();
    }
  });
}

const TCliRegistration Registration{TCliCommand{
    QStringLiteral("redeye"),
    QStringLiteral("IN OUT --at X,Y [--at X,Y ...] [--area N] [--brightness N] [--formula 1|2|3] [--border N] "
                   "[--quality Q]"),
    QStringLiteral("corrects the red eye at each point, as a click with the red-eye tool does"),
    10,
    {{QStringLiteral("--at"), QStringLiteral("X,Y"), QStringLiteral("a pupil, in pixels of the upright image (repeatable)")},
     {QStringLiteral("--area"), QStringLiteral("N"), QStringLiteral("area size 0..255 (default 176)")},
     {QStringLiteral("--brightness"), QStringLiteral("N"), QStringLiteral("brightness 0..255 (default 50)")},
     {QStringLiteral("--formula"), QStringLiteral("1|2|3"), QStringLiteral("colour test (default 1)")},
     {QStringLiteral("--border"), QStringLiteral("N"), QStringLiteral("pixels added to (or, negative, removed from) the pupil, -5..5")},
     QualityOption()},
    Run}};

}  // namespace
