// Opening a 24-megapixel JPEG into a ready image document (current, original and backup filled),
// next to the djpeg command decoding the same file; and the lossless engine's paths on the same
// photo next to jpegtran:
//   OpenJpeg24MP          open through the engine (target: within 1.5 x DjpegCommand);
//   OpenJpeg24MPDecoder   the same open through the decoder, without an engine;
//   EngineRotateSave      a document opened through the engine (not timed) turned a quarter and
//                         saved (target: within 1.1 x JpegtranRotateCommand);
//   EngineRedEyeSave      a document opened through the engine, one red eye corrected (neither
//                         timed), saved (target: within 1.2 x JpegtranCopyCommand);
//   CliRotateCommand      the whole `ocuvane-cli rotate IN OUT --right` (target: within 1.6 x
//                         JpegtranRotateCommand);
//   CliRedEyeCommand      the whole `ocuvane-cli redeye IN OUT` with a click on each eye, lossless
//                         (target: within 1.2 x JpegtranCopyCommand);
//   JpegtranRotateCommand `jpegtran -rotate 90 -perfect`, JpegtranCopyCommand `jpegtran -copy all`.
// The commands are whole processes started through the shell and write into the temporary folder.
//
// Peak memory of the open alone: run with --benchmark_filter=OpenJpeg24MP under /usr/bin/time -v.
// The test photo is written once per run, and its pixels are freed before the timing starts;
// BENCH_DOCUMENT_KEEP_PHOTO=<path> keeps a copy of it.

#include "QvGraphicsDocument.h"
#include "QvGraphicsFormats.h"
#include "QvGraphicsTool.h"
#include "QvVJPEG.h"
#include "RedEyeSelection.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace {

constexpr int32_t PhotoWidth = 6000;
constexpr int32_t PhotoHeight = 4000;
// Two red pupils, so a red-eye correction has something to correct.
constexpr TPoint Eyes[2] = {{2200, 1800}, {3800, 1800}};
constexpr int32_t PupilRadius = 40;

// A photo-like JPEG: smooth gradients, a soft wave and a little deterministic noise.
class TPhotoFile {
 public:
  TPhotoFile() {
    FileName = Dir.filePath(QStringLiteral("photo24mp.jpg"));
    TQvLTBitmap Photo;
    if (!Photo.Allocate(PhotoWidth, PhotoHeight, PixelFormat24)) std::abort();
    TQvPixels* P = Photo.Pixels();
    uint32_t Seed = 12345;
    for (int32_t Y = 0; Y < PhotoHeight; ++Y) {
      uint8_t* Row = P->PixelAt(0, Y);
      for (int32_t X = 0; X < PhotoWidth; ++X) {
        Seed = Seed * 1664525u + 1013904223u;
        const int Noise = int(Seed >> 28) - 8;
        const int Wave = int(40 * ((X / 37 + Y / 53) % 7) / 7);
        Row[X * 3 + ChannelRed] = uint8_t(Clamp(60 + X * 150 / PhotoWidth + Wave + Noise, 0, 255));
        Row[X * 3 + ChannelGreen] = uint8_t(Clamp(40 + Y * 160 / PhotoHeight + Noise, 0, 255));
        Row[X * 3 + ChannelBlue] =
            uint8_t(Clamp(200 - X * 90 / PhotoWidth - Y * 60 / PhotoHeight - Wave / 2 + Noise, 0, 255));
      }
    }
    for (const TPoint& E : Eyes)
      for (int32_t Y = E.Y - PupilRadius; Y < E.Y + PupilRadius; ++Y)
        for (int32_t X = E.X - PupilRadius; X < E.X + PupilRadius; ++X)
          if ((X - E.X) * (X - E.X) + (Y - E.Y) * (Y - E.Y) < PupilRadius * PupilRadius) {
            uint8_t* Pixel = P->PixelAt(X, Y);
            Pixel[ChannelRed] = 200;
            Pixel[ChannelGreen] = 35;
            Pixel[ChannelBlue] = 40;
          }
    TQvImageProperties Properties;
    TQvSaveSource Source;
    Source.Pixels = P;
    Source.Properties = &Properties;
    Source.AskJpegQuality = [](int32_t& Quality) {
      Quality = 90;
      return true;
    };
    QString Error;
    if (!SaveImageFile(Source, FileName, QvFormatId::Jpeg, Error)) std::abort();
    // A copy for timing other decoders on the very same file.
    const QString Keep = qEnvironmentVariable("BENCH_DOCUMENT_KEEP_PHOTO");
    if (!Keep.isEmpty()) {
      QFile::remove(Keep);
      QFile::copy(FileName, Keep);
    }
  }

  QTemporaryDir Dir;
  QString FileName;
};

const TPhotoFile& Photo() {
  static TPhotoFile File;
  return File;
}

QString OutputName() { return Photo().Dir.filePath(QStringLiteral("saved.jpg")); }

QByteArray Quoted(const QString& Name) { return "'" + QFile::encodeName(Name) + "'"; }

// Runs a shell command per iteration; a failure ends the case with Hint.
void TimeCommand(benchmark::State& State, const QByteArray& Command, const char* Hint) {
  for (auto _ : State) {
    if (std::system(Command.constData()) != 0) {
      State.SkipWithError(Hint);
      break;
    }
  }
}

// Which document engine the cases get, set for the case's life.
class TEngineChoice {
 public:
  explicit TEngineChoice(bool WithEngine) {
    TQvGraphicsDocument::EngineFactory = WithEngine ? std::function<std::unique_ptr<IVJPEG>()>(CreateVJPEGObject) : nullptr;
  }
  ~TEngineChoice() { TQvGraphicsDocument::EngineFactory = nullptr; }
};

bool OpenThroughEngine(TQvGraphicsFormats& Formats, TQvGraphicsDocument& Doc) {
  int Id = 0;
  QString Error;
  return Formats.LoadDocument(&Doc, Photo().FileName, Id, Error) && Doc.Engine() && Doc.Engine()->IsLoaded();
}

// One red-eye correction as a tool makes it: found on the committed copy, darkened in the image,
// reported and committed as an undo step.
bool CorrectOneEye(TQvGraphicsDocument& Doc, const TPoint& Eye) {
  Doc.BeginModification(nullptr);
  TRedEyeSelection Selection;
  Selection.Select(Doc.Backup(), Eye, 255 - 176, 0, TRedEyeSelection::FormulaCubic);
  const TRect Box = Selection.GetBounds();
  if (Box.IsEmpty()) return false;
  CorrectRedEye(*Doc.Pixels(), Selection, 50);
  Doc.AddChangedRect(Box, false);
  Doc.AddCommandState(std::make_unique<TQvGraphicsCommandState>(nullptr, &Doc, Box));
  Doc.CommitBackup(Box);
  Doc.EndModification(nullptr);
  return true;
}

void OpenJpeg24MP(benchmark::State& State) {
  const TEngineChoice Engine(State.range(0) != 0);
  const QString Name = Photo().FileName;
  TQvGraphicsFormats Formats;
  for (auto _ : State) {
    TQvGraphicsDocument Doc;
    int Id = 0;
    QString Error;
    if (!Formats.LoadDocument(&Doc, Name, Id, Error) || !Doc.Pixels() || !Doc.OriginalPixels() ||
        Doc.Backup().IsEmpty()) {
      State.SkipWithError("the photo did not open");
      break;
    }
    benchmark::DoNotOptimize(Doc.Backup().Bits);
  }
  State.counters["megapixels"] = double(PhotoWidth) * PhotoHeight / 1e6;
}

void DjpegCommand(benchmark::State& State) {
  TimeCommand(State, "djpeg -outfile /dev/null " + Quoted(Photo().FileName),
              "djpeg failed (is libjpeg-turbo-progs installed?)");
}

void EngineRotateSave(benchmark::State& State) {
  const TEngineChoice Engine(true);
  TQvGraphicsFormats Formats;
  for (auto _ : State) {
    State.PauseTiming();
    auto Doc = std::make_unique<TQvGraphicsDocument>();
    if (!OpenThroughEngine(Formats, *Doc)) {
      State.SkipWithError("the engine did not take the photo");
      break;
    }
    State.ResumeTiming();
    QString Error;
    if (!Doc->RotateRight() || !Formats.SaveDocument(Doc.get(), OutputName(), QvFormatId::Jpeg, Error)) {
      State.SkipWithError("the turned photo was not saved");
      break;
    }
    State.PauseTiming();
    Doc.reset();
    State.ResumeTiming();
  }
}

void EngineRedEyeSave(benchmark::State& State) {
  const TEngineChoice Engine(true);
  TQvGraphicsFormats Formats;
  for (auto _ : State) {
    State.PauseTiming();
    auto Doc = std::make_unique<TQvGraphicsDocument>();
    if (!OpenThroughEngine(Formats, *Doc) || !CorrectOneEye(*Doc, Eyes[0])) {
      State.SkipWithError("no red eye to correct in the photo");
      break;
    }
    State.ResumeTiming();
    QString Error;
    if (!Formats.SaveDocument(Doc.get(), OutputName(), QvFormatId::Jpeg, Error)) {
      State.SkipWithError("the corrected photo was not saved");
      break;
    }
    State.PauseTiming();
    Doc.reset();
    State.ResumeTiming();
  }
}

void CliRotateCommand(benchmark::State& State) {
  const QString Cli = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
  const QString Program = QFileInfo(Cli).absoluteDir().filePath(QStringLiteral("ocuvane-cli"));
  TimeCommand(State, Quoted(Program) + " rotate " + Quoted(Photo().FileName) + " " + Quoted(OutputName()) + " --right",
              "ocuvane-cli failed (is it built beside this program?)");
}

void CliRedEyeCommand(benchmark::State& State) {
  const QString Cli = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
  const QString Program = QFileInfo(Cli).absoluteDir().filePath(QStringLiteral("ocuvane-cli"));
  QByteArray Clicks;
  for (const TPoint& E : Eyes) Clicks += " --at " + QByteArray::number(E.X) + "," + QByteArray::number(E.Y);
  TimeCommand(State, Quoted(Program) + " redeye " + Quoted(Photo().FileName) + " " + Quoted(OutputName()) + Clicks,
              "ocuvane-cli failed (is it built beside this program?)");
}

void JpegtranRotateCommand(benchmark::State& State) {
  TimeCommand(State, "jpegtran -rotate 90 -perfect -outfile " + Quoted(OutputName()) + " " + Quoted(Photo().FileName),
              "jpegtran failed (is libjpeg-turbo-progs installed?)");
}

void JpegtranCopyCommand(benchmark::State& State) {
  TimeCommand(State, "jpegtran -copy all -outfile " + Quoted(OutputName()) + " " + Quoted(Photo().FileName),
              "jpegtran failed (is libjpeg-turbo-progs installed?)");
}

}  // namespace

BENCHMARK(OpenJpeg24MP)->Name("OpenJpeg24MP")->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(OpenJpeg24MP)->Name("OpenJpeg24MPDecoder")->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(DjpegCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(EngineRotateSave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(JpegtranRotateCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(CliRotateCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(EngineRedEyeSave)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(CliRedEyeCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(JpegtranCopyCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
