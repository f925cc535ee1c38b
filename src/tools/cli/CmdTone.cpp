// ocuvane-cli tone IN OUT ([--brightness B] [--contrast K] | --auto): the brightness and contrast
// tool's adjustment, committed as Ok commits it, or its Auto Correction.
#include "CliCommand.h"

#include "QvApplication.h"
#include "QvBrightnessContrastTool.h"
#include "QvGraphicsDocument.h"

namespace {

int Run(const TCliInvocation& Call) {
  TBrightnessContrastSettings Settings;
  bool Manual = false;
  for (const auto& [Option, Value] : Call.Options) {
    if (Option == QLatin1String("--brightness")) {
      Settings.Brightness =
          ParseInteger(Option, Value, TBrightnessContrastSettings::MinValue, TBrightnessContrastSettings::MaxValue);
      Manual = true;
    } else if (Option == QLatin1String("--contrast")) {
      Settings.Contrast =
          ParseInteger(Option, Value, TBrightnessContrastSettings::MinValue, TBrightnessContrastSettings::MaxValue);
      Manual = true;
    }
  }
  const bool Auto = Call.Has(QStringLiteral("--auto"));
  RequireFiles(Call, QStringLiteral("tone"), 2);
  if (Auto && Manual) throw TUsageError{QStringLiteral("tone takes --auto or --brightness/--contrast, not both")};
  if (!Auto && !Manual) throw TUsageError{QStringLiteral("tone needs --auto, --brightness B or --contrast K")};
  return RunEdit(
      Call,
      [&](TQvGraphicsDocument&) {
        TQvBrightnessContrastTool* Tool = BrightnessContrastTool;
        if (Auto) {
          // Without the further options Auto Correction is one step at once.
          Tool->SetShowOptions(false);
          Tool->AutoCorrectionButtonClick();
        } else {
          Tool->SetSettings(Settings);
          Tool->OkButtonClick();
        }
      },
      [] { Application->CreateModule(BrightnessContrastTool); });
}

const TCliRegistration Registration{TCliCommand{
    QStringLiteral("tone"),
    QStringLiteral("IN OUT ([--brightness B] [--contrast K] | --auto) [--quality Q]"),
    QStringLiteral("changes brightness and contrast, or stretches the tones to the full range"),
    60,
    {{QStringLiteral("--brightness"), QStringLiteral("B"), QStringLiteral("brightness -127..127 (default 0)")},
     {QStringLiteral("--contrast"), QStringLiteral("K"), QStringLiteral("contrast -127..127 (default 0)")},
     {QStringLiteral("--auto"), QString(), QStringLiteral("the darkest and lightest tones to black and white")},
     QualityOption()},
    Run}};

}  // namespace
