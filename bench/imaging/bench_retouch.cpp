// The retouching kernels on a 6000 × 4000 photo-sized image.
#include "GlareSelection.h"
#include "QvBrush.h"
#include "QvLTBitmap.h"
#include "QvToneCorrection.h"

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

// A darkish photo: the tone scan finds records all over it, not only in the first rows.
TQvLTBitmap& Photo(int seed) {
  auto make = [](int s) {
    auto* bitmap = new TQvLTBitmap;
    bitmap->Allocate(kWidth, kHeight);
    TQvPixels& pixels = *bitmap->Pixels();
    for (int y = 0; y < kHeight; ++y) {
      uint8_t* p = pixels.PixelAt(0, y);
      for (int x = 0; x < kWidth; ++x, p += 3)
        MakeColor(uint8_t(20 + (x * 7 + y + s) % 150), uint8_t(15 + (x ^ y) % 140), uint8_t(10 + (y * 3 + x + s) % 160), p);
    }
    return bitmap;
  };
  static TQvLTBitmap* images[2] = {make(0), make(1)};
  return *images[seed & 1];
}

// One slider step: the table built and applied from the backup over the whole image.
void ToneTableApply(benchmark::State& state) {
  const TQvPixels& backup = *Photo(0).Pixels();
  TQvPixels& current = *Photo(1).Pixels();
  int step = 0;
  for (auto _ : state) {
    ApplyToneTable(current, backup, ToneTable(TBrightnessContrastSettings{++step % 50, 10}), int(state.range(0)));
    benchmark::DoNotOptimize(current.Bits);
  }
}
BENCHMARK(ToneTableApply)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

void ToneAutoScan(benchmark::State& state) {
  const TQvPixels& backup = *Photo(0).Pixels();
  for (auto _ : state) benchmark::DoNotOptimize(ScanAutoTone(backup, int(state.range(0))));
}
BENCHMARK(ToneAutoScan)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();

// A gleam into a pupil about 120 pixels across: selection and brightening.
void GleamSelectBrighten(benchmark::State& state) {
  TQvPixels& current = *Photo(1).Pixels();
  const TQvPixels& backup = *Photo(0).Pixels();
  TGlareSelection selection;
  for (auto _ : state) {
    TPoint a, q;
    GleamCorners({3000, 2000}, {3060, 2045}, TGleamSettings::DraggedSize, a, q);
    selection.Select(backup, a, q);
    BrightenGleam(current, selection, 204);
    benchmark::DoNotOptimize(current.Bits);
  }
}
BENCHMARK(GleamSelectBrighten)->Unit(benchmark::kMicrosecond);

void BrushMaskBuild(benchmark::State& state) {
  TQvPixelMask mask;
  for (auto _ : state) {
    BuildBrushMask(mask, int32_t(state.range(0)), 255, 128);
    benchmark::DoNotOptimize(mask.Values);
  }
}
BENCHMARK(BrushMaskBuild)->Arg(10)->Arg(100)->Unit(benchmark::kMicrosecond);

// One dab of the undo brush inside a running stroke: coverage merged and the dab's rectangle
// blended from the backup towards the original.
void UndoBrushDabKernel(benchmark::State& state) {
  const int32_t size = int32_t(state.range(0));
  TQvPixels& current = *Photo(1).Pixels();
  const TQvPixels& backup = *Photo(0).Pixels();
  const TQvPixels& original = *Photo(1).Pixels();
  TQvPixelMask dab, stroke;
  BuildBrushMask(dab, size, 255, 255);
  int x = 1000;
  for (auto _ : state) {
    x = x >= 5000 ? 1000 : x + 3;
    const TRect rect = DabRect({x, 2000}, size);
    dab.Left = rect.Left;
    dab.Top = rect.Top;
    AccumulateDab(stroke, dab);
    UndoBrushBlend(current, backup, original, stroke, rect);
    benchmark::DoNotOptimize(current.Bits);
  }
}
BENCHMARK(UndoBrushDabKernel)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);

}  // namespace
