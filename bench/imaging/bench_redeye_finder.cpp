// Finding red eyes in a whole 6000 x 4000 photograph on every core: the scan of all pixels for
// strongly coloured patches, then the click and the surround tests on the few that look like
// pupils. A scene full of red (a red cloth in fine folds) is timed too, as the worst ordinary case.
#include "RedEyeFinder.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <memory>

namespace {

void Set(TQvPixels& p, int x, int y, int red, int green, int blue) {
  if (x < 0 || y < 0 || x >= p.Width || y >= p.Height)
    return;
  uint8_t* q = p.PixelAt(x, y);
  q[ChannelRed] = uint8_t(red);
  q[ChannelGreen] = uint8_t(green);
  q[ChannelBlue] = uint8_t(blue);
}

void Ellipse(TQvPixels& p, double cx, double cy, double rx, double ry, int red, int green, int blue) {
  for (int y = int(cy - ry) - 1; y <= int(cy + ry) + 1; ++y)
    for (int x = int(cx - rx) - 1; x <= int(cx + rx) + 1; ++x) {
      const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
      if (dx * dx + dy * dy <= 1)
        Set(p, x, y, red, green, blue);
    }
}

// A group photograph: a textured wall, twelve faces with red pupils of radius 9, and, when busy,
// a red cloth over the lower half.
struct TGroupPhoto {
  TQvPixelBuffer Image;

  explicit TGroupPhoto(bool busy) {
    Image.Allocate(PixelFormat24, TRect{0, 0, 6000, 4000});
    uint32_t noise = 12345;
    for (int y = 0; y < 4000; ++y)
      for (int x = 0; x < 6000; ++x) {
        noise = noise * 1664525u + 1013904223u;
        const int n = int(noise >> 28);
        if (busy && y >= 2000) {
          const double fold = 0.75 + 0.25 * std::sin(x * 0.21 + std::sin(y * 0.05) * 3);
          Set(Image, x, y, int(220 * fold) + n, int(30 * fold), int(40 * fold));
        } else {
          Set(Image, x, y, 110 + n, 116 + n, 120 + n);
        }
      }
    for (int i = 0; i < 12; ++i) {
      const double cx = 600 + (i % 6) * 960, cy = 900 + (i / 6) * 1000;
      Ellipse(Image, cx, cy, 200, 260, 215, 168, 150);
      for (int side : {-1, 1}) {
        const double ex = cx + side * 84, ey = cy - 50;
        Ellipse(Image, ex, ey, 38, 20, 236, 234, 230);
        Ellipse(Image, ex, ey, 20, 20, 96, 112, 128);
        Ellipse(Image, ex, ey, 9, 9, 205, 38, 52);
      }
      Ellipse(Image, cx, cy + 125, 76, 20, 206, 72, 84);
    }
  }
};

TGroupPhoto& Photo(bool busy) {
  static std::unique_ptr<TGroupPhoto> calm, full;
  std::unique_ptr<TGroupPhoto>& photo = busy ? full : calm;
  if (!photo)
    photo = std::make_unique<TGroupPhoto>(busy);
  return *photo;
}

void Find(benchmark::State& state, bool busy, int threads) {
  TGroupPhoto& photo = Photo(busy);
  if (photo.Image.IsEmpty()) {
    state.SkipWithError("could not allocate the image");
    return;
  }
  size_t found = 0;
  for (auto _ : state) {
    const TRedEyeFinderResult result = FindRedEyes(photo.Image, TRedEyeFinderOptions{true, threads});
    found = result.Pupils.size();
    benchmark::DoNotOptimize(found);
  }
  state.counters["pupils"] = double(found);
}

} // namespace

static void FindRedEyes_6000x4000(benchmark::State& state) { Find(state, false, 0); }
static void FindRedEyes_6000x4000_OneThread(benchmark::State& state) { Find(state, false, 1); }
static void FindRedEyes_6000x4000_RedCloth(benchmark::State& state) { Find(state, true, 0); }
BENCHMARK(FindRedEyes_6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FindRedEyes_6000x4000_OneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FindRedEyes_6000x4000_RedCloth)->Unit(benchmark::kMillisecond)->UseRealTime();
