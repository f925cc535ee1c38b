// ocuvane-cli convert IN OUT: opened and written again, in the format OUT's extension names.
#include "CliCommand.h"

namespace {

int Run(const TCliInvocation& Call) {
  RequireFiles(Call, QStringLiteral("convert"), 2);
  return RunEdit(Call, [](TQvGraphicsDocument&) {});
}

const TCliRegistration Registration{TCliCommand{
    QStringLiteral("convert"), QStringLiteral("IN OUT [--quality Q]"),
    QStringLiteral("writes the image in the format OUT's extension names (.jpg, .tif, .png, .bmp)"), 50,
    {QualityOption()}, Run}};

}  // namespace
