// One red-eye click: Select on the committed image, then CorrectRedEye on the current one, as the
// red-eye tool does it. The cost must follow the 175-pixel search window, never the image size, so
// the same click is also timed on a small image.
#include "RedEyeSelection.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

constexpr int kAreaSizeDefault = 176;
constexpr int kBrightnessDefault = 50;

void Paint(TQvPixels& pixels, int centreX, int centreY, int radius) {
  for (int y = 0; y < pixels.Height; ++y) {
    uint8_t* p = pixels.PixelAt(pixels.Left, pixels.Top + y);
    for (int x = 0; x < pixels.Width; ++x, p += 3) {
      const int dx = x - centreX, dy = y - centreY;
      const bool pupil = dx * dx + dy * dy <= radius * radius;
      p[ChannelRed] = pupil ? 210 : 128;
      p[ChannelGreen] = pupil ? 40 : 128;
      p[ChannelBlue] = pupil ? 50 : 128;
    }
  }
}

// A grey photograph with a red disc of radius 12 at its centre: the committed backup and the
// current image, made once per size.
struct TPhoto {
  TQvPixelBuffer Backup, Current;
  TPoint Centre;

  TPhoto(int width, int height) : Centre{width / 2, height / 2} {
    for (TQvPixelBuffer* image : {&Backup, &Current}) {
      image->Allocate(PixelFormat24, TRect{0, 0, width, height});
      Paint(*image, Centre.X, Centre.Y, 12);
    }
  }
};

TPhoto& Photo(int width, int height) {
  static std::unique_ptr<TPhoto> large, small;
  std::unique_ptr<TPhoto>& photo = width >= 1000 ? large : small;
  if (!photo)
    photo = std::make_unique<TPhoto>(width, height);
  return *photo;
}

void Click(benchmark::State& state, int width, int height, int areaSize) {
  TPhoto& photo = Photo(width, height);
  if (photo.Backup.IsEmpty() || photo.Current.IsEmpty()) {
    state.SkipWithError("could not allocate the images");
    return;
  }
  TRedEyeSelection selection;
  for (auto _ : state) {
    selection.Select(photo.Backup, photo.Centre, 255 - areaSize, 0, TRedEyeSelection::FormulaCubic);
    CorrectRedEye(photo.Current, selection, kBrightnessDefault);
    benchmark::ClobberMemory();
  }
  state.counters["region"] = double(selection.Region().PixelCount());
}

} // namespace

// Default settings on a 6000 x 4000 photograph: the pupil alone qualifies.
static void RedEyeClick_Pupil(benchmark::State& state) {
  Click(state, 6000, 4000, kAreaSizeDefault);
}
// Area size 255: every pixel of the 172 x 172 usable window qualifies.
static void RedEyeClick_FullWindow(benchmark::State& state) {
  Click(state, 6000, 4000, 255);
}
// The same two clicks on a 400 x 300 image: the times should match the large ones.
static void RedEyeClick_PupilSmallImage(benchmark::State& state) {
  Click(state, 400, 300, kAreaSizeDefault);
}
static void RedEyeClick_FullWindowSmallImage(benchmark::State& state) {
  Click(state, 400, 300, 255);
}

BENCHMARK(RedEyeClick_Pupil)->Name("RedEyeClick/Pupil")->Unit(benchmark::kMicrosecond);
BENCHMARK(RedEyeClick_FullWindow)->Name("RedEyeClick/FullWindow")->Unit(benchmark::kMicrosecond);
BENCHMARK(RedEyeClick_PupilSmallImage)->Name("RedEyeClick/PupilSmallImage")->Unit(benchmark::kMicrosecond);
BENCHMARK(RedEyeClick_FullWindowSmallImage)
    ->Name("RedEyeClick/FullWindowSmallImage")
    ->Unit(benchmark::kMicrosecond);
