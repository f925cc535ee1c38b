// ocuvane-cli text IN OUT --text LINE [--text LINE ...] --rect L,T,R,B: the text tool's drawing,
// stretched into the rectangle exactly as the tool commits it.
#include "CliCommand.h"

#include "QvGraphicsDocument.h"
#include "QvTextRender.h"
#include "QvTextSettings.h"

#include <QFontDatabase>

namespace {

// "RRGGBB" as a platform colour value (red in the low byte).
uint32_t ParseColor(const QString& Option, const QString& Text) {
  bool Ok = false;
  const uint32_t Rgb = Text.size() == 6 ? Text.toUInt(&Ok, 16) : 0;
  if (!Ok) throw TUsageError{Option + QStringLiteral(" needs six hexadecimal digits RRGGBB, not \"") + Text + '"'};
  return SwapRedBlue(Rgb);
}

QString ParseFont(const QString& Option, const QString& Name) {
  for (const QString& Family : QFontDatabase::families())
    if (Family.compare(Name, Qt::CaseInsensitive) == 0) return Family;
  throw TUsageError{Option + QStringLiteral(": no font \"") + Name + QStringLiteral("\" on this system")};
}

int Run(const TCliInvocation& Call) {
  TTextSettings Settings;
  Settings.FontName = DefaultTextFont();
  QStringList Lines;
  std::optional<TRect> Rect;
  bool FlipH = false, FlipV = false;
  for (const auto& [Option, Value] : Call.Options) {
    if (Option == QLatin1String("--text"))
      Lines += SplitTextLines(Value);
    else if (Option == QLatin1String("--rect"))
      Rect = ParseRect(Option, Value);
    else if (Option == QLatin1String("--font"))
      Settings.FontName = ParseFont(Option, Value);
    else if (Option == QLatin1String("--size"))
      Settings.FontSize = ParseInteger(Option, Value, TextFontSizeMin, TextFontSizeMax);
    else if (Option == QLatin1String("--color"))
      Settings.Color = ParseColor(Option, Value);
    else if (Option == QLatin1String("--bold"))
      Settings.FontStyle |= TextStyleBold;
    else if (Option == QLatin1String("--italic"))
      Settings.FontStyle |= TextStyleItalic;
    else if (Option == QLatin1String("--underline"))
      Settings.FontStyle |= TextStyleUnderline;
    else if (Option == QLatin1String("--strikeout"))
      Settings.FontStyle |= TextStyleStrikeOut;
    else if (Option == QLatin1String("--inverted"))
      Settings.ColorMode = TextColorInverted;
    else if (Option == QLatin1String("--max-contrast"))
      Settings.MaxInverse = true;
    else if (Option == QLatin1String("--mirror-h"))
      FlipH = true;
    else if (Option == QLatin1String("--mirror-v"))
      FlipV = true;
  }
  RequireFiles(Call, QStringLiteral("text"), 2);
  if (Lines.isEmpty()) throw TUsageError{QStringLiteral("text needs --text LINE")};
  if (!Rect) throw TUsageError{QStringLiteral("text needs --rect L,T,R,B")};
  return RunEdit(Call, [&](TQvGraphicsDocument& Doc) {
    const TRect& R = *Rect;
    if (R.IsEmpty() || IntersectRect(R, TRect{0, 0, Doc.Width(), Doc.Height()}).IsEmpty())
      throw TUsageError{QStringLiteral("--rect %1,%2,%3,%4 holds no pixel of the %5 image")
                            .arg(R.Left).arg(R.Top).arg(R.Right).arg(R.Bottom).arg(SizeText(Doc))};
    TQvPixels* Pixels = Doc.Pixels();
    if (!Pixels) throw TFileError{QStringLiteral("cannot draw into ") + Call.Files[0]};
    switch (DrawTextInto(*Pixels, Lines, Settings, R, FlipH, FlipV)) {
      case TTextMaskStatus::Empty: throw TUsageError{QStringLiteral("--text has nothing to draw")};
      case TTextMaskStatus::TooLarge:
        throw TUsageError{QStringLiteral("the text is too large to draw (over %1 pixels on a side); use a smaller "
                                         "--size or fewer characters")
                              .arg(TextMaskMaxSide)};
      case TTextMaskStatus::Built: break;
    }
  });
}

const TCliRegistration Registration{TCliCommand{
    QStringLiteral("text"),
    QStringLiteral("IN OUT --text LINE [--text LINE ...] --rect L,T,R,B [--font NAME] [--size PT] [--bold] [--italic] "
                   "[--underline] [--strikeout] [--color RRGGBB] [--inverted [--max-contrast]] [--mirror-h] "
                   "[--mirror-v] [--quality Q]"),
    QStringLiteral("writes the lines stretched into the rectangle, as the text tool does"), 90,
    {{QStringLiteral("--text"), QStringLiteral("LINE"), QStringLiteral("a line of text (repeatable)")},
     {QStringLiteral("--rect"), QStringLiteral("L,T,R,B"), QStringLiteral("the rectangle the text fills (right and bottom excluded)")},
     {QStringLiteral("--font"), QStringLiteral("NAME"), QStringLiteral("a font family of this system (default: a serif)")},
     {QStringLiteral("--size"), QStringLiteral("PT"), QStringLiteral("size in points 8..400 (default 32): how finely the text is drawn")},
     {QStringLiteral("--bold"), QString(), QStringLiteral("bold")},
     {QStringLiteral("--italic"), QString(), QStringLiteral("italic")},
     {QStringLiteral("--underline"), QString(), QStringLiteral("underlined")},
     {QStringLiteral("--strikeout"), QString(), QStringLiteral("struck out")},
     {QStringLiteral("--color"), QStringLiteral("RRGGBB"), QStringLiteral("the text's colour (default 000000, black)")},
     {QStringLiteral("--inverted"), QString(), QStringLiteral("the inverse of the pixels beneath instead of a colour")},
     {QStringLiteral("--max-contrast"), QString(), QStringLiteral("with --inverted: black over light pixels, white over dark")},
     {QStringLiteral("--mirror-h"), QString(), QStringLiteral("mirror the text left to right")},
     {QStringLiteral("--mirror-v"), QString(), QStringLiteral("mirror the text top to bottom")},
     QualityOption()},
    Run}};

}  // namespace
