// Whole-image operations on a 6000 × 4000 photo-sized image.
#include "QvLTBitmap.h"
#include "QvPixelTransforms.h"
#include "prResample.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

void FillTexture(TQvPixels& pixels) {
  for (int y = 0; y < pixels.Height; ++y) {
    uint8_t* p = pixels.PixelAt(0, y);
    for (int x = 0; x < pixels.Width; ++x, p += 3)
      MakeColor(uint8_t(x * 13 + y), uint8_t(x ^ y), uint8_t(y * 7 + x * x), p);
  }
}

const TQvLTBitmap& SourceImage() {
  static TQvLTBitmap* image = [] {
    auto* bitmap = new TQvLTBitmap;
    bitmap->Allocate(kWidth, kHeight);
    FillTexture(*bitmap->Pixels());
    return bitmap;
  }();
  return *image;
}

// The whole Resize: new block, Lanczos 3 at half size, old block freed.
void LanczosHalve(benchmark::State& state) {
  const TQvLTBitmap& source = SourceImage();
  for (auto _ : state) {
    TQvLTBitmap bitmap;
    bitmap.Allocate(kWidth, kHeight);
    state.PauseTiming();
    bitmap.Pixels()->CopyFrom(*source.Pixels());
    state.ResumeTiming();
    bitmap.Resize(kWidth / 2, kHeight / 2);
    benchmark::DoNotOptimize(bitmap.Pixels()->Bits);
  }
}
BENCHMARK(LanczosHalve)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The resampling alone into an existing destination, by thread count.
void LanczosHalveInto(benchmark::State& state) {
  const TQvLTBitmap& source = SourceImage();
  TQvPixelBuffer dst;
  dst.Allocate(PixelFormat24, TRect{0, 0, kWidth / 2, kHeight / 2});
  for (auto _ : state) {
    Resample(dst, dst.BoundsRect(), dst.BoundsRect(), *source.Pixels(), source.Pixels()->BoundsRect(),
             TLanczosResampler(), int(state.range(0)));
    benchmark::DoNotOptimize(dst.Bits);
  }
}
BENCHMARK(LanczosHalveInto)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The whole RotateRight: new block, quarter turn, old block freed.
void RotateRight(benchmark::State& state) {
  const TQvLTBitmap& source = SourceImage();
  for (auto _ : state) {
    state.PauseTiming();
    auto bitmap = source.Clone();
    state.ResumeTiming();
    bitmap->RotateRight();
    benchmark::DoNotOptimize(bitmap->Pixels()->Bits);
    state.PauseTiming();
    bitmap.reset();
    state.ResumeTiming();
  }
}
BENCHMARK(RotateRight)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// The copy alone into an existing destination, by thread count.
void RotateRightInto(benchmark::State& state) {
  const TQvLTBitmap& source = SourceImage();
  TQvPixelBuffer dst;
  dst.Allocate(PixelFormat24, TRect{0, 0, kHeight, kWidth});
  for (auto _ : state) {
    RotateRight24(*source.Pixels(), dst, int(state.range(0)));
    benchmark::DoNotOptimize(dst.Bits);
  }
}
BENCHMARK(RotateRightInto)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace
