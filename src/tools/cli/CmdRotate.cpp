// ocuvane-cli rotate IN OUT --left|--right|--flip-h|--flip-v: the document's own turn or flip.
#include "CliCommand.h"

#include "QvGraphicsDocument.h"
#include "QvImageCodecs.h"
#include "QvVJPEG.h"

namespace {

struct TTurnFlag {
  const char* Name;
  TQvImageOperation Operation;
};
constexpr TTurnFlag Turns[] = {{"--left", TQvImageOperation::RotateLeft},
                               {"--right", TQvImageOperation::RotateRight},
                               {"--flip-h", TQvImageOperation::FlipHorizontal},
                               {"--flip-v", TQvImageOperation::FlipVertical}};

int Run(const TCliInvocation& Call) {
  TQvImageOperation Operation = TQvImageOperation::None;
  for (const auto& Option : Call.Options)
    for (const TTurnFlag& T : Turns)
      if (Option.first == QLatin1String(T.Name)) {
        if (Operation != TQvImageOperation::None && Operation != T.Operation)
          throw TUsageError{QStringLiteral("rotate takes one of --left, --right, --flip-h and --flip-v")};
        Operation = T.Operation;
      }
  RequireFiles(Call, QStringLiteral("rotate"), 2);
  if (Operation == TQvImageOperation::None)
    throw TUsageError{QStringLiteral("rotate needs one of --left, --right, --flip-h and --flip-v")};
  // A JPEG to a JPEG whose blocks stay on the grid needs no pixels: the engine turns the blocks
  // and builds the thumbnail from their DC coefficients. Anything else goes through the editor.
  const auto TurnBlocks = [Operation](const QString& In, const QString& Out, int FormatId) {
    if (FormatId != QvFormatId::Jpeg) return false;
    const std::unique_ptr<IVJPEG> Engine = CreateVJPEGObject();
    return TransformJpegWithoutPixels(*Engine, In, Out, [Operation](IVJPEG& E) {
      switch (Operation) {
        case TQvImageOperation::RotateLeft: E.RotateLeft(0); break;
        case TQvImageOperation::RotateRight: E.RotateRight(0); break;
        case TQvImageOperation::FlipHorizontal: E.FlipHorizontal(0); break;
        case TQvImageOperation::FlipVertical: E.FlipVertical(0); break;
        case TQvImageOperation::None: break;
      }
    });
  };
  return RunEdit(
      Call,
      [&](TQvGraphicsDocument& Doc) {
        if (!Doc.Transform(Operation))
          throw TFileError{QStringLiteral("cannot rotate ") + Call.Files[0] +
                           QStringLiteral(": not enough memory for the image")};
      },
      {}, TurnBlocks);
}

const TCliRegistration Registration{TCliCommand{
    QStringLiteral("rotate"), QStringLiteral("IN OUT --left|--right|--flip-h|--flip-v [--quality Q]"),
    QStringLiteral("turns the image by 90 degrees or mirrors it; a JPEG loses nothing"), 20,
    {{QStringLiteral("--left"), QString(), QStringLiteral("90 degrees anticlockwise")},
     {QStringLiteral("--right"), QString(), QStringLiteral("90 degrees clockwise")},
     {QStringLiteral("--flip-h"), QString(), QStringLiteral("mirror left to right")},
     {QStringLiteral("--flip-v"), QString(), QStringLiteral("mirror top to bottom")},
     QualityOption()},
    Run}};

}  // namespace
