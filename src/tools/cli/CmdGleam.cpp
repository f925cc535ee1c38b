// ocuvane-cli gleam IN OUT --from X,Y --to X,Y [--brightness N]: the gleam tool's highlight, as a
// drag from the first point to the second paints it.
#include "CliCommand.h"

#include "QvApplication.h"
#include "QvGlareTool.h"
#include "QvGraphicsDocument.h"

namespace {

int Run(const TCliInvocation& Call) {
  TGleamSettings Settings;
  std::optional<TPoint> From, To;
  for (const auto& [Option, Value] : Call.Options) {
    if (Option == QLatin1String("--from"))
      From = ParsePoint(Option, Value);
    else if (Option == QLatin1String("--to"))
      To = ParsePoint(Option, Value);
    else if (Option == QLatin1String("--brightness"))
      Settings.Brightness = ParseInteger(Option, Value, 0, TGleamSettings::MaxBrightness);
  }
  RequireFiles(Call, QStringLiteral("gleam"), 2);
  if (!From || !To) throw TUsageError{QStringLiteral("gleam needs --from X,Y and --to X,Y")};
  return RunEdit(
      Call,
      [&](TQvGraphicsDocument& Doc) {
        if (From->X < 0 || From->Y < 0 || From->X >= Doc.Width() || From->Y >= Doc.Height())
          throw TUsageError{
              QStringLiteral("point %1,%2 lies outside the %3 image").arg(From->X).arg(From->Y).arg(SizeText(Doc))};
        TQvGlareTool* Tool = GlareTool;
        Tool->SetBrightness(Settings.Brightness);
        Tool->FStart = *From;
        Tool->FEnd = *To;
        Tool->ResetSize();
        Tool->Apply();
      },
      [] { Application->CreateModule(GlareTool); });
}

const TCliRegistration Registration{TCliCommand{
    QStringLiteral("gleam"),
    QStringLiteral("IN OUT --from X,Y --to X,Y [--brightness N] [--quality Q]"),
    QStringLiteral("paints a gleam centred on --from reaching to --to, as a drag with the gleam tool does"),
    50,
    {{QStringLiteral("--from"), QStringLiteral("X,Y"), QStringLiteral("the gleam's centre, in pixels of the upright image")},
     {QStringLiteral("--to"), QStringLiteral("X,Y"), QStringLiteral("where the drag ends")},
     {QStringLiteral("--brightness"), QStringLiteral("N"), QStringLiteral("strength 0..320 (default 204)")},
     QualityOption()},
    Run}};

}  // namespace
