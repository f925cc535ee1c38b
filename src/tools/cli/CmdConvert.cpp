// ocuvane-cli convert IN OUT: opened and written again, in the format OUT's extension names.
#include "CliCommand.h"

#include "QvImageCodecs.h"

namespace {

int Run(const TCliInvocation& Call) {
  RequireFiles(Call, QStringLiteral("convert"), 2);
  // A JPEG to a BMP goes strip by strip from the decoder into the file, never whole in memory;
  // anything else, or any trouble on the way, goes through the editor.
  const auto ToBmp = [](const QString& In, const QString& Out, int FormatId) {
    return FormatId == QvFormatId::Bmp && ConvertJpegToBmp(In, Out);
  };
  return RunEdit(Call, [](TQvGraphicsDocument&) {}, {}, ToBmp);
}

const TCliRegistration Registration{TCliCommand{
    QStringLiteral("convert"), QStringLiteral("IN OUT [--quality Q]"),
    QStringLiteral("writes the image in the format OUT's extension names (.jpg, .tif, .png, .bmp)"), 50,
    {QualityOption()}, Run}};

}  // namespace
