// The text tool's kernels at the sizes of a caption dragged over a 6000 × 4000 photo.
#include "QvLTBitmap.h"
#include "QvTextRender.h"

#include <QGuiApplication>

#include <benchmark/benchmark.h>

namespace {

constexpr int kWidth = 6000;
constexpr int kHeight = 4000;

void FillTexture(TQvPixels& pixels) {
  for (int y = 0; y < pixels.Height; ++y) {
    uint8_t* p = pixels.PixelAt(0, y);
    for (int x = 0; x < pixels.Width; ++x, p += 3) MakeColor(uint8_t(x * 13 + y), uint8_t(x ^ y), uint8_t(y * 7 + x * x), p);
  }
}

struct TPhoto {
  TQvLTBitmap Image;
  TQvLTBitmap Backup;
  TPhoto() {
    Image.Allocate(kWidth, kHeight);
    Backup.Allocate(kWidth, kHeight);
    FillTexture(*Image.Pixels());
    Backup.Pixels()->CopyFrom(*Image.Pixels());
  }
};

TPhoto& Photo() {
  static TPhoto* photo = new TPhoto;
  return *photo;
}

void EnsureApplication() {
  if (QGuiApplication::instance()) return;
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "bench_imaging";
  static char* argv[] = {name, nullptr};
  new QGuiApplication(argc, argv);
}

QFont Font(int points) {
  TTextSettings settings;
  settings.FontName = DefaultTextFont();
  settings.FontSize = points;
  return settings.Font();
}

// A mask that looks like text: strokes a few pixels wide with soft edges.
QImage StrokeMask(int width, int height) {
  QImage mask(width, height, QImage::Format_Grayscale8);
  for (int y = 0; y < height; ++y) {
    uchar* row = mask.scanLine(y);
    for (int x = 0; x < width; ++x) {
      const int phase = (x + (y / 3)) % 23;
      row[x] = uchar(phase < 5 ? 255 : phase < 7 ? 120 : 0);
    }
  }
  return mask;
}

// Stretching the natural-size mask of a 400-point caption to a 2000 × 600 rectangle.
void TextStretch(benchmark::State& state) {
  const QImage mask = StrokeMask(1300, 620);
  QImage out;
  int step = 0;
  for (auto _ : state) {
    StretchMask(mask, 2000 + (step++ & 1), 600, out);
    benchmark::DoNotOptimize(out.constBits());
  }
}
BENCHMARK(TextStretch)->Unit(benchmark::kMillisecond);

// Blending a 2000 × 600 stretched mask into the photo, by colour mode.
void TextBlend(benchmark::State& state) {
  TPhoto& photo = Photo();
  const QImage mask = StrokeMask(2000, 600);
  const TTextBlend blend{int32_t(state.range(0)), MakeColorValue(255, 255, 0), true, true, false};
  const TRect rect{2000, 1500, 4000, 2100};
  for (auto _ : state) {
    BlendTextMask(*photo.Image.Pixels(), rect, mask, blend);
    benchmark::DoNotOptimize(photo.Image.Pixels()->Bits);
  }
  photo.Image.Pixels()->CopyFrom(*photo.Backup.Pixels());
}
BENCHMARK(TextBlend)->Arg(TextColorSelected)->Arg(TextColorInverted)->Unit(benchmark::kMillisecond);

// One step of resizing a 2000 × 600 caption: restore the old rectangle, stretch, blend.
void TextRenderResizeStep(benchmark::State& state) {
  EnsureApplication();
  TPhoto& photo = Photo();
  TQvTextRenderer renderer;
  renderer.SetText({"Yalta", "1945"}, Font(200));
  const TTextBlend blend{TextColorInverted, 0, false, false, false};
  int step = 0;
  for (auto _ : state) {
    const int w = 2000 + (step++ & 1);
    benchmark::DoNotOptimize(renderer.Render(*photo.Image.Pixels(), *photo.Backup.Pixels(), TRect{100, 100, 100 + w, 700}, blend));
  }
  renderer.Remove(*photo.Image.Pixels(), *photo.Backup.Pixels());
}
BENCHMARK(TextRenderResizeStep)->Unit(benchmark::kMillisecond);

// Building the mask of a caption at 400 points after a typed character.
void TextMask400(benchmark::State& state) {
  EnsureApplication();
  const QFont font = Font(400);
  QImage mask;
  int step = 0;
  for (auto _ : state) {
    BuildTextMask({(step++ & 1) ? QStringLiteral("Yalta") : QStringLiteral("Yalt")}, font, mask);
    benchmark::DoNotOptimize(mask.constBits());
  }
}
BENCHMARK(TextMask400)->Unit(benchmark::kMillisecond);

}  // namespace
