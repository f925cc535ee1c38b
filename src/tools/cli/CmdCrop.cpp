// ocuvane-cli crop IN OUT --rect L,T,R,B: the document's own crop.
#include "CliCommand.h"

#include "QvGraphicsDocument.h"

namespace {

int Run(const TCliInvocation& Call) {
  std::optional<TRect> Rect;
  if (const std::optional<QString> Text = Call.Last(QStringLiteral("--rect")))
    Rect = ParseRect(QStringLiteral("--rect"), *Text);
  RequireFiles(Call, QStringLiteral("crop"), 2);
  if (!Rect) throw TUsageError{QStringLiteral("crop needs --rect L,T,R,B")};
  return RunEdit(Call, [&](TQvGraphicsDocument& Doc) {
    Doc.Original().Release();
    const TRect& R = *Rect;
    if (IntersectRect(R, TRect{0, 0, Doc.Width(), Doc.Height()}).IsEmpty())
      throw TUsageError{QStringLiteral("--rect %1,%2,%3,%4 lies outside the %5 image")
                            .arg(R.Left).arg(R.Top).arg(R.Right).arg(R.Bottom).arg(SizeText(Doc))};
    if (!Doc.Crop(R))
      throw TFileError{QStringLiteral("cannot crop ") + Call.Files[0] + QStringLiteral(": not enough memory for the image")};
  });
}

const TCliRegistration Registration{TCliCommand{
    QStringLiteral("crop"), QStringLiteral("IN OUT --rect L,T,R,B [--quality Q]"),
    QStringLiteral("keeps the rectangle (right and bottom excluded; the part inside the image)"), 30,
    {{QStringLiteral("--rect"), QStringLiteral("L,T,R,B"), QStringLiteral("the rectangle, in pixels of the upright image")},
     QualityOption()},
    Run}};

}  // namespace
