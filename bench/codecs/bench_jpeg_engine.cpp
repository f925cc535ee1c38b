// Speed of the lossless JPEG engine alone on a 6000 × 4000 photo-like JPEG (4:2:0, quality 90),
// made at run time, against the libjpeg-turbo commands doing the same job (whole processes).
//
// Pairs to compare:
//   EngineLoad           vs EngineDjpegCommand        (target: 1.5 ×)
//   EngineLoadTurned     vs EngineDjpegCommand        (orientation 6 applied while decoding)
//   EngineRotateSave     vs JpegtranRotateCommand     (target: 1.1 ×)
//   EngineChangedSave    vs JpegtranCopyAllCommand    (target: 1.2 ×)
//   EngineEyesLoadSave   vs JpegtranCopyAllCommand    (the command line's lossless red-eye path:
//                          only the rows near two eyes decoded, then the changed save)

#include "QvJpegEngine.h"

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr int32_t Width = 6000;
constexpr int32_t Height = 4000;

struct TEngineFixture {
  QTemporaryDir Dir;
  QString Jpeg, Out;
  std::vector<uint8_t> Pixels;  // a document-sized buffer for ReadPixels and WritePixels

  TEngineFixture() {
    Out = Dir.filePath("out.jpg");
    Pixels.assign(size_t(Width) * Height * 3, 128);
    // BENCH_ENGINE_PHOTO names another 6000 × 4000 JPEG to measure instead of the generated one.
    if (const char* photo = std::getenv("BENCH_ENGINE_PHOTO")) {
      Jpeg = QString::fromLocal8Bit(photo);
      return;
    }
    std::vector<uint8_t> rgb(size_t(Width) * Height * 3);
    uint32_t noise = 12345;
    for (int32_t y = 0; y < Height; ++y) {
      uint8_t* row = rgb.data() + size_t(y) * Width * 3;
      for (int32_t x = 0; x < Width; ++x) {
        noise = noise * 1664525u + 1013904223u;
        const int n = int(noise >> 29) - 4;
        const int wave = 40 * ((x + y) % 1000 < 500 ? (x + y) % 500 : 500 - (x + y) % 500) / 500;
        row[x * 3] = uint8_t(std::clamp(60 + x * 150 / Width + wave + n, 0, 255));
        row[x * 3 + 1] = uint8_t(std::clamp(40 + y * 160 / Height + n, 0, 255));
        row[x * 3 + 2] = uint8_t(std::clamp(200 - x * 90 / Width - y * 60 / Height - wave / 2 + n, 0, 255));
      }
    }
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (tjCompress2(handle, rgb.data(), Width, 0, Height, TJPF_RGB, &jpeg, &size, TJSAMP_420, 90, TJFLAG_ACCURATEDCT) != 0)
      std::abort();
    Jpeg = Dir.filePath("photo.jpg");
    QFile file(Jpeg);
    file.open(QIODevice::WriteOnly);
    file.write(reinterpret_cast<const char*>(jpeg), qint64(size));
    tjFree(jpeg);
    tjDestroy(handle);
  }
};

TEngineFixture& Fixture() {
  static TEngineFixture fixture;
  return fixture;
}

void RunCommand(benchmark::State& state, const QString& command) {
  for (auto _ : state)
    if (std::system(command.toLocal8Bit().constData()) != 0) state.SkipWithError("command failed");
}

// What opening a JPEG costs the engine: the file read, the checks, every pixel decoded.
void EngineLoad(benchmark::State& state) {
  TEngineFixture& f = Fixture();
  for (auto _ : state) {
    TQvJpegEngine engine;
    if (!engine.LoadFromFile(f.Jpeg, 0) || !engine.ReadPixels(f.Pixels.data(), Width * 3, 0))
      state.SkipWithError("load failed");
  }
}

// The same for a camera file whose tag says "turn right": decoded straight into the turned rows.
void EngineLoadTurned(benchmark::State& state) {
  TEngineFixture& f = Fixture();
  for (auto _ : state) {
    TQvJpegEngine engine;
    if (!engine.LoadFromFile(f.Jpeg, 0)) state.SkipWithError("load failed");
    engine.RotateRight(0);
    if (!engine.ReadPixels(f.Pixels.data(), Height * 3, 0)) state.SkipWithError("decode failed");
  }
}

void EngineDjpegCommand(benchmark::State& state) {
  RunCommand(state, QStringLiteral("djpeg -outfile /dev/null '%1'").arg(Fixture().Jpeg));
}

// Load, a quarter turn, save (no pixel changed).
void EngineRotateSave(benchmark::State& state) {
  TEngineFixture& f = Fixture();
  for (auto _ : state) {
    TQvJpegEngine engine;
    if (!engine.LoadFromFile(f.Jpeg, 0)) state.SkipWithError("load failed");
    engine.RotateRight(0);
    engine.WritePixels(TVJPEGPixels{f.Pixels.data(), Height * 3}, Height * 3, 0, 0);
    if (!engine.SaveToFile(f.Out, TVJPEGSaveOptions{})) state.SkipWithError("save failed");
  }
}

void JpegtranRotateCommand(benchmark::State& state) {
  RunCommand(state, QStringLiteral("jpegtran -rotate 90 -perfect -outfile '%1' '%2'").arg(Fixture().Out, Fixture().Jpeg));
}

// Load and save after one red-eye sized change (60 × 40 pixels).
void EngineChangedSave(benchmark::State& state) {
  TEngineFixture& f = Fixture();
  for (auto _ : state) {
    TQvJpegEngine engine;
    if (!engine.LoadFromFile(f.Jpeg, 0)) state.SkipWithError("load failed");
    engine.WritePixels(TVJPEGPixels{f.Pixels.data(), Width * 3}, Width * 3, 0, 0);
    engine.SetChangedRects({TRect{2410, 1530, 2470, 1570}});
    if (!engine.SaveToFile(f.Out, TVJPEGSaveOptions{})) state.SkipWithError("save failed");
  }
}

// What ocuvane-cli redeye asks of the engine for two eyes: the rows around them, then a save that
// recompresses their blocks and copies every other one.
void EngineEyesLoadSave(benchmark::State& state) {
  TEngineFixture& f = Fixture();
  for (auto _ : state) {
    TQvJpegEngine engine;
    if (!engine.LoadFromFile(f.Jpeg, 0) ||
        !engine.ReadPixelRows(f.Pixels.data(), Width * 3, {{1000 - 192, 1000 + 192}, {3100 - 192, 3100 + 192}}))
      state.SkipWithError("load failed");
    engine.WritePixels(TVJPEGPixels{f.Pixels.data(), Width * 3}, Width * 3, 0, 0);
    engine.SetChangedRects({TRect{1490, 990, 1510, 1010}, TRect{4490, 3090, 4510, 3110}});
    if (!engine.SaveToFile(f.Out, TVJPEGSaveOptions{})) state.SkipWithError("save failed");
  }
}

void JpegtranCopyAllCommand(benchmark::State& state) {
  RunCommand(state, QStringLiteral("jpegtran -copy all -outfile '%1' '%2'").arg(Fixture().Out, Fixture().Jpeg));
}

}  // namespace

BENCHMARK(EngineLoad)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EngineLoadTurned)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EngineDjpegCommand)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EngineRotateSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(JpegtranRotateCommand)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EngineChangedSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(EngineEyesLoadSave)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(JpegtranCopyAllCommand)->Unit(benchmark::kMillisecond)->UseRealTime();
