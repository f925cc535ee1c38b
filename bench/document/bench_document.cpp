// Opening a 24-megapixel JPEG into a ready image document (current, original and backup filled),
// next to the djpeg command decoding the same file.
//
// Peak memory of the open alone: run with --benchmark_filter=OpenJpeg24MP under /usr/bin/time -v.
// The test photo is written once per run, and its pixels are freed before the timing starts;
// BENCH_DOCUMENT_KEEP_PHOTO=<path> keeps a copy of it.

#include "QvGraphicsDocument.h"
#include "QvGraphicsFormats.h"

#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace {

constexpr int32_t PhotoWidth = 6000;
constexpr int32_t PhotoHeight = 4000;

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

void OpenJpeg24MP(benchmark::State& State) {
  const QString Name = Photo().FileName;
  TQvGraphicsFormats Formats;
  for (auto _ : State) {
    TQvGraphicsDocument Doc;
    int Id = 0;
    QString Error;
    if (!Formats.LoadDocument(&Doc, Name, Id, Error) || !Doc.Pixels() || !Doc.OriginalPixels() ||
        Doc.FBackup.IsEmpty()) {
      State.SkipWithError("the photo did not open");
      break;
    }
    benchmark::DoNotOptimize(Doc.FBackup.Bits);
  }
  State.counters["megapixels"] = double(PhotoWidth) * PhotoHeight / 1e6;
}

void DjpegCommand(benchmark::State& State) {
  const QByteArray Command = "djpeg -outfile /dev/null '" + QFile::encodeName(Photo().FileName) + "'";
  for (auto _ : State) {
    if (std::system(Command.constData()) != 0) {
      State.SkipWithError("djpeg failed (is libjpeg-turbo-progs installed?)");
      break;
    }
  }
}

}  // namespace

BENCHMARK(OpenJpeg24MP)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
BENCHMARK(DjpegCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(8);
