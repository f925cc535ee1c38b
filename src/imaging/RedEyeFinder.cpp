#include "RedEyeFinder.h"

#include "RedEyeSelection.h"
#include "RedEyeShape.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

namespace {

// Shape limits of a pupil patch. A lid may cover up to half a pupil, so the box may be twice as
// wide as high; a solid disc fills pi / 4 of its box, a catch-light takes some of that away.
constexpr int64_t kMinBlobArea = 4;  // a patch worth a click
constexpr int64_t kMinArea = 20;     // the pupil the click finds: a disc of radius 2.5
constexpr double kMaxBoxAspect = 2.2;
constexpr double kMinFill = 0.45;
constexpr double kMaxAxisRatio = 2.0;

// Surround limits.
constexpr double kMaxRingColored = 0.12;
constexpr double kMinRingContrast = 0.45;
constexpr double kMinSkinShare = 0.2;
constexpr double kMaxFarColored = 0.06;
// Eye-shine glows: a green or blue merely as saturated as cloth or paper is not enough.
constexpr double kMinShineValue = 170;

bool IsUsableStore(const TQvPixels& pixels) {
  return !pixels.IsEmpty() && pixels.Format == PixelFormat24 && pixels.BytesPerPixel == 3;
}

// The lead of channel over the stronger of the other two, relative to the channel's value: 0 for a
// grey or a pixel of another colour, 1 for a pure primary.
double Chroma(const uint8_t* p, int32_t channel) {
  const int32_t blue = p[ChannelBlue], green = p[ChannelGreen], red = p[ChannelRed];
  int32_t f = red, other = std::max(green, blue);
  if (channel == ChannelGreen) {
    f = green;
    other = std::max(red, blue);
  } else if (channel == ChannelBlue) {
    f = blue;
    other = std::max(red, green);
  }
  return f <= other ? 0.0 : double(f - other) / double(f);
}

// Skin under flash: reddish, not grey, not as saturated as lips or a red pupil.
bool IsSkin(const uint8_t* p) {
  const int32_t blue = p[ChannelBlue], green = p[ChannelGreen], red = p[ChannelRed];
  const int32_t high = std::max({red, green, blue}), low = std::min({red, green, blue});
  return red > 95 && green > 40 && blue > 20 && red > green && red >= blue && red - green > 10
      && (high - low) * 100 >= high * 13 && green * 100 >= red * 45 && blue * 100 >= green * 55
      && blue * 100 <= green * 108;
}

// The channel a 3 x 3 block votes for, as the click's channel choice does.
int32_t BlockChannel(const TQvPixels& pixels, int32_t x, int32_t y) {
  int32_t sumBlue = 0, sumGreen = 0, sumRed = 0;
  const TRect bounds = pixels.BoundsRect();
  for (int32_t yy = y - 1; yy <= y + 1; ++yy)
    for (int32_t xx = x - 1; xx <= x + 1; ++xx)
      if (bounds.Contains(xx, yy)) {
        const uint8_t* p = pixels.PixelAt(xx, yy);
        sumBlue += p[ChannelBlue];
        sumGreen += p[ChannelGreen];
        sumRed += p[ChannelRed];
      }
  if (sumRed > sumGreen && sumRed > sumBlue)
    return ChannelRed;
  return sumGreen > sumBlue ? ChannelGreen : ChannelBlue;
}

// Visits the pixels whose centres lie at a distance in (inner, outer] from (cx, cy), inside the
// store, every step-th row and column.
template <typename Visit>
void ForAnnulus(const TQvPixels& pixels, double cx, double cy, double inner, double outer, int step,
                Visit visit) {
  const TRect bounds = pixels.BoundsRect();
  const int32_t top = std::max<int32_t>(bounds.Top, int32_t(std::floor(cy - outer)));
  const int32_t bottom = std::min<int32_t>(bounds.Bottom - 1, int32_t(std::ceil(cy + outer)));
  const int32_t left = std::max<int32_t>(bounds.Left, int32_t(std::floor(cx - outer)));
  const int32_t right = std::min<int32_t>(bounds.Right - 1, int32_t(std::ceil(cx + outer)));
  const double in2 = inner * inner, out2 = outer * outer;
  for (int32_t y = top; y <= bottom; y += step) {
    const double dy = y + 0.5 - cy;
    for (int32_t x = left; x <= right; x += step) {
      const double dx = x + 0.5 - cx;
      const double d2 = dx * dx + dy * dy;
      if (d2 > in2 && d2 <= out2)
        visit(pixels.PixelAt(x, y));
    }
  }
}

// The click the finder makes on a patch: the tool's default colour test.
constexpr int32_t kClickThreshold = 255 - 176;
// When that runs out of the pupil (reddish skin close by), a stricter one.
constexpr int32_t kStrictThreshold = 150;

// Shape of a pupil as a click detects it, catch-light filled in.
bool PupilShaped(const TRegionShape& s, const TRect& window) {
  if (s.Area < kMinArea || s.Aspect() > kMaxBoxAspect || s.Fill() < kMinFill
      || s.AxisRatio() > kMaxAxisRatio)
    return false;
  // A region that reaches the edge of its search window is not a pupil but a flood.
  const TRect inner = InflateRect(window, -1, -1);
  return s.Box.Left > inner.Left && s.Box.Top > inner.Top && s.Box.Right < inner.Right
      && s.Box.Bottom < inner.Bottom;
}

// The seed: the passing pixel nearest the patch's centre whose block votes for its colour.
TPoint SeedOf(const TQvPixels& pixels, const TRedEyeBlob& blob, const TRedEyeColorTest& test) {
  const double cx = blob.CentreX(), cy = blob.CentreY();
  double best = -1;
  TPoint seed{int32_t(cx), int32_t(cy)};
  for (int32_t y = blob.Box.Top; y < blob.Box.Bottom; ++y)
    for (int32_t x = blob.Box.Left; x < blob.Box.Right; ++x) {
      if (!PassesColorTest(pixels.PixelAt(x, y), blob.Channel, test))
        continue;
      const double dx = x + 0.5 - cx, dy = y + 0.5 - cy;
      const double d = dx * dx + dy * dy;
      if ((best < 0 || d < best) && BlockChannel(pixels, x, y) == blob.Channel) {
        best = d;
        seed = TPoint{x, y};
      }
    }
  return seed;
}

void MeasureSurround(const TQvPixels& pixels, const TQvPixelRegion& region, const TRegionShape& shape,
                     const TRedEyeColorTest& test, TRedEyeCandidate& c) {
  const double half = std::max(shape.Box.Width(), shape.Box.Height()) / 2.0;
  double pupilChroma = 0, pupilValue = 0;
  region.ForEachRun([&](int y, int left, int right) {
    for (int x = left; x < right; ++x) {
      const uint8_t* p = pixels.PixelAt(x, y);
      pupilChroma += Chroma(p, c.Channel);
      pupilValue += p[c.Channel];
    }
  });
  pupilChroma /= double(shape.Area);
  c.Value = pupilValue / double(shape.Area);

  // The close ring: iris, white and lid. Little of it may be of the pupil's colour.
  int64_t ringCount = 0, ringColored = 0;
  double ringChroma = 0;
  ForAnnulus(pixels, c.CentreX, c.CentreY, half + 1.5, 2 * half + 2.5, 1, [&](const uint8_t* p) {
    ++ringCount;
    ringColored += PassesColorTest(p, c.Channel, test) ? 1 : 0;
    ringChroma += Chroma(p, c.Channel);
  });
  c.RingColored = ringCount > 0 ? double(ringColored) / double(ringCount) : 1.0;
  const double meanRing = ringCount > 0 ? ringChroma / double(ringCount) : pupilChroma;
  c.RingContrast = pupilChroma > 0 ? (pupilChroma - meanRing) / pupilChroma : 0.0;

  // Further out, a face, and nothing more of the pupil's colour than the other eye. Sampled
  // sparsely around large pupils: only the shares count.
  const int step = std::max(1, int(half / 4));
  int64_t farCount = 0, skin = 0, farColored = 0;
  ForAnnulus(pixels, c.CentreX, c.CentreY, 2.5 * half + 2, 6 * half + 4, step, [&](const uint8_t* p) {
    ++farCount;
    skin += IsSkin(p) ? 1 : 0;
    farColored += PassesColorTest(p, c.Channel, test) ? 1 : 0;
  });
  c.SkinShare = farCount > 0 ? double(skin) / double(farCount) : 0.0;
  c.FarColored = farCount > 0 ? double(farColored) / double(farCount) : 1.0;
}

// Cheap tests on the patch itself, before a click: not a line, not a scattered speckle, and not one
// of many patches of its colour close together (a pattern). Sampled sparsely, so that a scene of a
// thousand dots costs little; the click's region is tested properly afterwards.
bool WorthAClick(const TQvPixels& pixels, const TRedEyeBlob& blob, const TRedEyeColorTest& test) {
  const int32_t w = blob.Box.Width(), h = blob.Box.Height();
  if (std::max(w, h) > 3 * std::min(w, h) || double(blob.Area) < 0.25 * w * h)
    return false;
  const double half = std::max(w, h) / 2.0, outer = 6 * half + 4;
  int64_t count = 0, colored = 0, skin = 0;
  ForAnnulus(pixels, blob.CentreX(), blob.CentreY(), 2.5 * half + 2, outer,
             std::max(1, int(outer / 8)), [&](const uint8_t* p) {
               ++count;
               colored += PassesColorTest(p, blob.Channel, test) ? 1 : 0;
               skin += IsSkin(p) ? 1 : 0;
             });
  if (count > 0 && double(colored) > 2 * kMaxFarColored * double(count))
    return false;
  if (blob.Channel == ChannelRed)
    return count == 0 || double(skin) >= 0.5 * kMinSkinShare * double(count);
  // Eye-shine glows: its brightest passing pixel must be near the pupils' mean already.
  int32_t brightest = 0;
  for (int32_t y = blob.Box.Top; y < blob.Box.Bottom; ++y)
    for (int32_t x = blob.Box.Left; x < blob.Box.Right; ++x)
      brightest = std::max<int32_t>(brightest, pixels.PixelAt(x, y)[blob.Channel]);
  return brightest >= kMinShineValue;
}

// The click regions measured so far, found by the 32-pixel cells their boxes cover.
class TTakenRegions {
public:
  bool Holds(const TPoint& p) const {
    const auto cell = FCells.find(Key(p.X >> 5, p.Y >> 5));
    if (cell == FCells.end())
      return false;
    return std::any_of(cell->second.begin(), cell->second.end(),
                       [&](size_t i) { return FRegions[i].Contains(p.X, p.Y); });
  }
  void Add(const TQvPixelRegion& region) {
    const TRect box = region.Bounds();
    for (int32_t cy = box.Top >> 5; cy <= (box.Bottom - 1) >> 5; ++cy)
      for (int32_t cx = box.Left >> 5; cx <= (box.Right - 1) >> 5; ++cx)
        FCells[Key(cx, cy)].push_back(FRegions.size());
    FRegions.push_back(region);
  }

private:
  static int64_t Key(int32_t cx, int32_t cy) { return (int64_t(cy) << 32) ^ uint32_t(cx); }
  std::vector<TQvPixelRegion> FRegions;
  std::unordered_map<int64_t, std::vector<size_t>> FCells;
};

} // namespace

TRedEyeFinderResult FindRedEyes(const TQvPixels& pixels, const TRedEyeFinderOptions& options) {
  TRedEyeFinderResult result;
  if (!IsUsableStore(pixels))
    return result;
  TRedEyeBlobOptions blobOptions;
  blobOptions.EyeShine = options.EyeShine;
  blobOptions.Threads = options.Threads;
  const TRedEyeBlobResult blobs = FindColorBlobs(pixels, blobOptions);
  result.GaveUp = blobs.GaveUp;

  TRedEyeSelection click;
  TTakenRegions taken;  // click regions already measured
  for (const TRedEyeBlob& blob : blobs.Blobs) {
    if (blob.Area < kMinBlobArea)
      continue;
    const TRedEyeColorTest& test = blob.Channel == ChannelRed     ? blobOptions.Red
                                 : blob.Channel == ChannelGreen ? blobOptions.Green
                                                                : blobOptions.Blue;
    if (!WorthAClick(pixels, blob, test))
      continue;
    TRedEyeCandidate c;
    c.Channel = blob.Channel;
    c.Seed = SeedOf(pixels, blob, test);
    // Two patches of one pupil (split by a catch-light) give one click.
    if (taken.Holds(c.Seed))
      continue;
    TQvPixelRegion region;
    TRegionShape shape;
    bool shaped = false;
    for (int32_t threshold : {kClickThreshold, kStrictThreshold}) {
      click.Select(pixels, c.Seed, threshold, 0, TRedEyeSelection::FormulaCubic);
      region = FillHoles(click.Region());
      shape = MeasureShape(region);
      shaped = PupilShaped(shape, click.Window());
      if (shaped)
        break;
    }
    c.Box = shape.Box;
    c.Area = shape.Area;
    c.CentreX = shape.CentreX;
    c.CentreY = shape.CentreY;
    c.Radius = std::sqrt(double(shape.Area) / 3.14159265358979);
    c.Fill = shape.Fill();
    c.AxisRatio = shape.AxisRatio();
    if (!region.IsEmpty())
      taken.Add(region);
    if (!shaped)
      continue;
    MeasureSurround(pixels, region, shape, test, c);
    c.Accepted = c.RingColored <= kMaxRingColored && c.RingContrast >= kMinRingContrast
              && c.FarColored <= kMaxFarColored
              && (c.Channel == ChannelRed ? c.SkinShare >= kMinSkinShare : c.Value >= kMinShineValue);
    result.Candidates.push_back(c);
    if (c.Accepted)
      result.Pupils.push_back(c);
  }
  std::sort(result.Pupils.begin(), result.Pupils.end(), [](const TRedEyeCandidate& a, const TRedEyeCandidate& b) {
    return a.Seed.Y != b.Seed.Y ? a.Seed.Y < b.Seed.Y : a.Seed.X < b.Seed.X;
  });
  return result;
}
