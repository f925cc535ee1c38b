// ocuvane-cli resize IN OUT (--width W | --height H | --size WxH): the resize tool's size rule and
// the document's own resampling of both images.
#include "CliCommand.h"

#include "QvGraphicsDocument.h"
#include "QvMemory.h"
#include "QvResizeSettings.h"

namespace {

// "WxH" (also "W:H"), each side 1..32767.
std::pair<int32_t, int32_t> ParseSize(const QString& Text) {
  QStringList Parts = Text.split(QLatin1Char('x'), Qt::KeepEmptyParts, Qt::CaseInsensitive);
  if (Parts.size() != 2) Parts = Text.split(QLatin1Char(':'));
  if (Parts.size() != 2)
    throw TUsageError{QStringLiteral("--size needs WxH in pixels, not \"") + Text + QLatin1Char('"')};
  return {ParseInteger(QStringLiteral("--size"), Parts[0].trimmed(), TResizeSettings::MinSide, TResizeSettings::MaxSide),
          ParseInteger(QStringLiteral("--size"), Parts[1].trimmed(), TResizeSettings::MinSide, TResizeSettings::MaxSide)};
}

int Run(const TCliInvocation& Call) {
  const std::optional<QString> Width = Call.Last(QStringLiteral("--width"));
  const std::optional<QString> Height = Call.Last(QStringLiteral("--height"));
  const std::optional<QString> Size = Call.Last(QStringLiteral("--size"));
  if (int(Width.has_value()) + int(Height.has_value()) + int(Size.has_value()) != 1)
    throw TUsageError{QStringLiteral("resize needs exactly one of --width W, --height H and --size WxH")};
  const auto Side = [](const QString& Option, const QString& Text) {
    return ParseInteger(Option, Text, TResizeSettings::MinSide, TResizeSettings::MaxSide);
  };
  const int32_t W = Width ? Side(QStringLiteral("--width"), *Width) : 0;
  const int32_t H = Height ? Side(QStringLiteral("--height"), *Height) : 0;
  const std::pair<int32_t, int32_t> Both = Size ? ParseSize(*Size) : std::pair<int32_t, int32_t>{0, 0};
  RequireFiles(Call, QStringLiteral("resize"), 2);
  return RunEdit(Call, [&](TQvGraphicsDocument& Doc) {
    TResizeSettings S;
    S.ResetToImage(Doc.Width(), Doc.Height());
    if (Size) {
      S.SetConstrainProportions(false, Doc.Width(), Doc.Height());
      S.SetSize(Both.first, Both.second);
    } else if (Width) {
      S.SetWidth(W, Doc.Width(), Doc.Height());
    } else {
      S.SetHeight(H, Doc.Width(), Doc.Height());
    }
    // The new image and its backup are made while the old one still exists.
    const bool Fits = QvMemoryFits(2 * QvImageBytes(S.Width(), S.Height()));
    if (!Fits || !Doc.Resize(S.Width(), S.Height(), true, true))
      throw TFileError{QStringLiteral("cannot resize ") + Call.Files[0] + QStringLiteral(" to %1x%2: not enough memory")
                           .arg(S.Width()).arg(S.Height())};
  });
}

const TCliRegistration Registration{TCliCommand{
    QStringLiteral("resize"), QStringLiteral("IN OUT (--width W | --height H | --size WxH) [--quality Q]"),
    QStringLiteral("resamples the image; with one side given the other keeps the proportions"), 35,
    {{QStringLiteral("--width"), QStringLiteral("W"), QStringLiteral("the new width; the height follows the proportions")},
     {QStringLiteral("--height"), QStringLiteral("H"), QStringLiteral("the new height; the width follows the proportions")},
     {QStringLiteral("--size"), QStringLiteral("WxH"), QStringLiteral("both sides, proportions aside")},
     QualityOption()},
    Run}};

}  // namespace
