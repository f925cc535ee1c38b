// Finding red eyes in a whole 6000 x 4000 photograph on every core: the scan of all pixels for
// strongly coloured patches, then the click and the surround tests on the few that look like
// pupils. Scenes full of red (a cloth in fine folds, a pattern of 20 000 red dots) are timed too.
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

  explicit TGroupPhoto(int scene) {
    const bool busy = scene == 1, dots = scene == 2;
    Image.Allocate(PixelFormat24, TRect{0, 0, 6000, 4000});
    uint32_t noise = 12345;
    for (int y = 0; y < 4000; ++y)
      for (int x = 0; x < 6000; ++x) {
        noise = noise * 1664525u + 1013904223u;
        const int n = int(noise >> 28);
        if (dots && y >= 2400 && (x % 24) < 10 && (y % 24) < 10 && (x / 24 + y / 24) % 2 == 0) {
          Set(Image, x, y, 220, 30 + n, 40);
        } else if (busy && y >= 2000) {
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

TGroupPhoto& Photo(int scene) {
  static std::unique_ptr<TGroupPhoto> photos[3];
  std::unique_ptr<TGroupPhoto>& photo = photos[scene];
  if (!photo)
    photo = std::make_unique<TGroupPhoto>(scene);
  return *photo;
}

// scene 0: wall and faces; 1: a red cloth in folds over the lower half; 2: red polka dots below
// the faces.
void Find(benchmark::State& state, int scene, int threads) {
  TGroupPhoto& photo = Photo(scene);
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

static void FindRedEyes_6000x4000(benchmark::State& state) { Find(state, 0, 0); }
static void FindRedEyes_6000x4000_OneThread(benchmark::State& state) { Find(state, 0, 1); }
static void FindRedEyes_6000x4000_RedCloth(benchmark::State& state) { Find(state, 1, 0); }
static void FindRedEyes_6000x4000_PolkaDots(benchmark::State& state) { Find(state, 2, 0); }
BENCHMARK(FindRedEyes_6000x4000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FindRedEyes_6000x4000_OneThread)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FindRedEyes_6000x4000_RedCloth)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(FindRedEyes_6000x4000_PolkaDots)->Unit(benchmark::kMillisecond)->UseRealTime();
