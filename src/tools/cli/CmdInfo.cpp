// ocuvane-cli info IN: what the open dialog says about a file.
#include "CliCommand.h"

#include "QvGraphicsDocument.h"
#include "QvGraphicsFormats.h"

#include <cstdio>
#include <memory>

namespace {

int Run(const TCliInvocation& Call) {
  RequireFiles(Call, QStringLiteral("info"), 1);
  const QString& In = Call.Files[0];
  CheckReadable(In);
  TQvGraphicsFormats Formats;
  std::unique_ptr<TQvFileInfo> Info;
  QString Text;
  if (Formats.GetFileInfo(In, Info) && Info) Info->GetDescription(Text);
  if (Text.trimmed().isEmpty()) throw TFileError{QStringLiteral("cannot read ") + In + QStringLiteral(": not an image file")};
  std::fputs(Text.toLocal8Bit().constData(), stdout);
  if (!Text.endsWith(QLatin1Char('\n'))) std::fputc('\n', stdout);
  return ExitOk;
}

const TCliRegistration Registration{TCliCommand{QStringLiteral("info"), QStringLiteral("IN"),
                                                QStringLiteral("describes the image file"), 40, {}, Run}};

}  // namespace
