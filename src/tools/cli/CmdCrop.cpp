// ocuvane-cli crop IN OUT --rect L,T,R,B [--ratio W:H]: the document's own crop, the rectangle
// held to the ratio as the crop tool holds a drag from (L, T) to (R, B).
#include "CliCommand.h"

#include "QvCropGeometry.h"
#include "QvGraphicsDocument.h"

namespace {

int Run(const TCliInvocation& Call) {
  std::optional<TRect> Rect;
  if (const std::optional<QString> Text = Call.Last(QStringLiteral("--rect")))
    Rect = ParseRect(QStringLiteral("--rect"), *Text);
  TCropRatio Ratio;
  if (const std::optional<QString> Text = Call.Last(QStringLiteral("--ratio"))) {
    const std::optional<TCropRatio> R = ParseRatio(*Text);
    if (!R)
      throw TUsageError{QStringLiteral("--ratio needs W:H or WxH, whole numbers from 0 to %1, not \"")
                            .arg(TCropRatio::MaxTerm) + *Text + QLatin1Char('"')};
    Ratio = *R;
  }
  RequireFiles(Call, QStringLiteral("crop"), 2);
  if (!Rect) throw TUsageError{QStringLiteral("crop needs --rect L,T,R,B")};
  return RunEdit(Call, [&](TQvGraphicsDocument& Doc) {
    TRect R = *Rect;
    if (!Ratio.IsFree()) {
      // A drag from the top-left corner to the bottom-right one; one the ratio pushes out of the
      // image is refused, as the tool keeps its last rectangle then.
      R = DrawCropRect(TPoint{R.Left, R.Top}, TPoint{R.Right, R.Bottom}, Ratio, TRect{0, 0, Doc.Width(), Doc.Height()}, TRect{});
      if (R.IsEmpty())
        throw TUsageError{QStringLiteral("--rect %1,%2,%3,%4 held to %5:%6 reaches beyond the %7 image")
                              .arg(Rect->Left).arg(Rect->Top).arg(Rect->Right).arg(Rect->Bottom)
                              .arg(Ratio.Width).arg(Ratio.Height).arg(SizeText(Doc))};
    }
    if (IntersectRect(R, TRect{0, 0, Doc.Width(), Doc.Height()}).IsEmpty())
      throw TUsageError{QStringLiteral("--rect %1,%2,%3,%4 lies outside the %5 image")
                            .arg(R.Left).arg(R.Top).arg(R.Right).arg(R.Bottom).arg(SizeText(Doc))};
    if (!Doc.Crop(R))
      throw TFileError{QStringLiteral("cannot crop ") + Call.Files[0] + QStringLiteral(": not enough memory for the image")};
  });
}

const TCliRegistration Registration{TCliCommand{
    QStringLiteral("crop"), QStringLiteral("IN OUT --rect L,T,R,B [--ratio W:H] [--quality Q]"),
    QStringLiteral("keeps the rectangle (right and bottom excluded; the part inside the image)"), 30,
    {{QStringLiteral("--rect"), QStringLiteral("L,T,R,B"), QStringLiteral("the rectangle, in pixels of the upright image")},
     {QStringLiteral("--ratio"), QStringLiteral("W:H"),
      QStringLiteral("hold the rectangle to this ratio (\"16:9\" or \"10x15\"), as the crop tool does")},
     QualityOption()},
    Run}};

}  // namespace
