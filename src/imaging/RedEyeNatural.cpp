#include "RedEyeNatural.h"

#include "RedEyeShape.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// A pupil is round or, under a lid, at most about half a disc.
constexpr double kMinFill = 0.4;
constexpr double kMaxAxisRatio = 2.2;
constexpr double kMaxAspect = 2.5;
// A region leaks when it holds more than kLeakFactor times (plus kLeakSlack pixels) what the test
// kLeakStep levels stricter finds: the pupil has a firm edge, the skin it floods into does not.
constexpr int32_t kLeakStep = 32;
constexpr int64_t kLeakFactor = 3;
constexpr int64_t kLeakSlack = 30;
// Steps of the search for a stricter test when the region runs away, and of its refinement.
constexpr int32_t kCutBackStep = 16;
// Deepest opening tried to part a pupil from a red patch it touches.
constexpr int32_t kMaxOpening = 6;
// The rim joins when its lead of the dominant channel exceeds the surround's by this much at least
// (in 1/256 of the pixel's value).
constexpr int32_t kMinRimMargin = 24;
// The plain detection's test at the tool's default area size: a larger area size widens the
// natural region only for pupils too weak to pass it; the rim is taken by the growth instead.
constexpr int32_t kAnchorThreshold = 255 - 176;
// Catch-light: the non-dominant channels' lower value from which a pixel keeps its luminance
// (fully from kCatchLightFull on).
constexpr int32_t kCatchLightStart = 90;
constexpr int32_t kCatchLightFull = 150;

int32_t ChannelOf(const TRedEyeChannel& c) {
  return c.Red ? ChannelRed : c.Green ? ChannelGreen : ChannelBlue;
}

void OthersOf(int32_t channel, int32_t& first, int32_t& second) {
  first = channel == ChannelRed ? ChannelGreen : ChannelRed;
  second = channel == ChannelBlue ? ChannelGreen : ChannelBlue;
}

// How far the dominant channel leads the stronger of the other two, in 1/256 of its own value
// (negative when it does not lead), so that a dark rim counts as much as a bright one.
int32_t Lead(const uint8_t* p, int32_t channel) {
  int32_t first = 0, second = 0;
  OthersOf(channel, first, second);
  const int32_t lead = int32_t(p[channel]) - std::max<int32_t>(p[first], p[second]);
  return lead * 256 / std::max<int32_t>(1, p[channel]);
}

// A lead this small (in levels) is noise in dark pixels, whatever its share.
constexpr int32_t kMinRimLead = 8;

bool RimPixel(const uint8_t* p, int32_t channel, int32_t level) {
  int32_t first = 0, second = 0;
  OthersOf(channel, first, second);
  return int32_t(p[channel]) - std::max<int32_t>(p[first], p[second]) >= kMinRimLead
      && Lead(p, channel) >= level;
}

bool TouchesEdge(const TRect& box, const TRect& inner) {
  return box.Left <= inner.Left || box.Top <= inner.Top || box.Right >= inner.Right
      || box.Bottom >= inner.Bottom;
}

bool Compact(const TQvPixelRegion& region) {
  const TRegionShape s = MeasureShape(FillHoles(region));
  return s.Area > 0 && s.Fill() >= kMinFill && s.AxisRatio() <= kMaxAxisRatio && s.Aspect() <= kMaxAspect;
}

// The plain detection at one threshold, with the search window's usable part.
struct TDetector {
  TRedEyeSelection& Selection;
  const TQvPixels& Pixels;
  TPoint Seed;
  int32_t Formula;
  TRect Inner;  // the window without its outer ring: where members may lie

  TQvPixelRegion At(int32_t threshold) {
    Selection.Select(Pixels, Seed, threshold, 0, Formula);
    Inner = InflateRect(Selection.Window(), -1, -1);
    return Selection.Region();
  }

  // Inside the window's usable part, clear of its edge, and compact.
  bool Sound(const TQvPixelRegion& region) const {
    return !region.IsEmpty() && !TouchesEdge(region.Bounds(), Inner) && Compact(region);
  }

  bool Leaks(const TQvPixelRegion& region, int32_t threshold) {
    if (threshold + kLeakStep > 255)
      return false;
    const int64_t stricter = At(threshold + kLeakStep).PixelCount();
    return stricter > 0 && region.PixelCount() > kLeakFactor * stricter + kLeakSlack;
  }

  // The pupil part of a region that also holds something else it touches: the part around the
  // seed that survives the shallowest opening able to part them.
  bool Separate(const TQvPixelRegion& region, TQvPixelRegion& part) const {
    const int32_t depth = InscribedDepth(region);
    for (int32_t k = 1; k <= std::min(kMaxOpening, depth - 1); ++k) {
      const TQvPixelRegion core = ConnectedPart(Erode(region, k), Seed);
      if (core.IsEmpty())
        break;
      TQvPixelRegion opened = Dilate(core, k);
      opened.Intersect(region);
      if (Sound(opened) && opened.PixelCount() < region.PixelCount()) {
        part = opened;
        return true;
      }
    }
    return false;
  }

  // A sound pupil at threshold, directly or parted from what it touches.
  bool Pupil(int32_t threshold, TQvPixelRegion& pupil, bool& parted) {
    const TQvPixelRegion region = At(threshold);
    if (region.IsEmpty())
      return false;
    parted = false;
    if (Sound(region)) {
      if (Leaks(region, threshold))
        return false;
      pupil = region;
      return true;
    }
    parted = Separate(region, pupil);
    return parted;
  }
};

// The pupil around the click: the plain detection when it is sound, else the one at the least
// stricter test that is. Empty when no test gives one. When an opening was needed to part the
// pupil from what it touches, removed gets what the opening took away.
TQvPixelRegion FindCore(TDetector& detector, int32_t threshold, TQvPixelRegion& removed) {
  TQvPixelRegion pupil;
  bool parted = false;
  const TQvPixelRegion plain = detector.At(threshold);
  if (detector.Pupil(threshold, pupil, parted)) {
    if (parted) {
      removed = plain;
      removed.Subtract(pupil);
    }
    return pupil;
  }
  int32_t bad = threshold, good = -1;
  for (int32_t t = threshold + kCutBackStep; t <= 255 + kCutBackStep - 1; t += kCutBackStep) {
    const int32_t level = std::min(t, 255);
    if (detector.At(level).IsEmpty())
      break;
    if (detector.Pupil(level, pupil, parted)) {
      good = level;
      break;
    }
    bad = level;
  }
  if (good < 0)
    return TQvPixelRegion{};
  // The least strict sound test between the last unsound one and the first sound one.
  while (good - bad > 1) {
    const int32_t mid = bad + (good - bad) / 2;
    TQvPixelRegion candidate;
    bool candidateParted = false;
    if (detector.Pupil(mid, candidate, candidateParted)) {
      good = mid;
      pupil = candidate;
      parted = candidateParted;
    } else {
      bad = mid;
    }
  }
  if (parted) {
    removed = detector.At(good);
    removed.Subtract(pupil);
  }
  return pupil;
}

// Grows solid by up to steps rings of pixels whose dominant channel leads by level at least.
TQvPixelRegion GrowRim(const TQvPixels& pixels, const TQvPixelRegion& solid, int32_t channel,
                       int32_t level, int32_t steps, const TRect& inner, const TQvPixelRegion& barred) {
  TQvPixelRegion grown = solid;
  for (int32_t step = 0; step < steps; ++step) {
    TQvPixelRegion ring = Dilate(grown, 1);
    ring.Subtract(grown);
    ring.Intersect(inner);
    if (!barred.IsEmpty())
      ring.Subtract(barred);
    std::vector<TRect> joined;
    ring.ForEachRun([&](int y, int left, int right) {
      for (int x = left; x < right; ++x)
        if (RimPixel(pixels.PixelAt(x, y), channel, level))
          joined.push_back(TRect{x, y, x + 1, y + 1});
    });
    if (joined.empty())
      break;
    for (const TRect& r : joined)
      grown.Unite(TQvPixelRegion::FromRect(r));
  }
  return grown;
}

// The lead level above which a pixel next to the pupil is still clearly of its colour: above the
// upper quartile of the ring of iris and skin around it by a quarter of the way up to the pupil.
int32_t RimLevel(const TQvPixels& pixels, const TQvPixelRegion& solid, int32_t channel, int32_t gap,
                 int32_t width) {
  std::vector<int32_t> core, ring;
  solid.ForEachRun([&](int y, int left, int right) {
    for (int x = left; x < right; ++x)
      core.push_back(Lead(pixels.PixelAt(x, y), channel));
  });
  TQvPixelRegion band = Dilate(solid, gap + width);
  band.Subtract(Dilate(solid, gap));
  band.Intersect(pixels.BoundsRect());
  band.ForEachRun([&](int y, int left, int right) {
    for (int x = left; x < right; ++x)
      ring.push_back(Lead(pixels.PixelAt(x, y), channel));
  });
  if (core.empty() || ring.empty())
    return 256;  // nothing to compare with: no rim
  auto quantile = [](std::vector<int32_t>& v, double q) {
    const size_t i = std::min(v.size() - 1, size_t(q * double(v.size())));
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(i), v.end());
    return v[i];
  };
  const int32_t surround = std::max(0, quantile(ring, 0.75));
  const int32_t pupil = quantile(core, 0.5);
  if (pupil <= surround + kMinRimMargin)
    return 256;
  return surround + std::max(kMinRimMargin, (pupil - surround) / 4);
}

TQvPixelRegion Morphed(const TQvPixelRegion& region, int32_t border) {
  return border > 0 ? Dilate(region, border) : border < 0 ? Erode(region, -border) : region;
}

} // namespace

void SelectNatural(TRedEyeSelection& selection, const TQvPixels& pixels, const TPoint& seed,
                   int32_t threshold, int32_t border, int32_t formula) {
  TDetector detector{selection, pixels, seed, formula, TRect{}};
  TQvPixelRegion barred;
  const int32_t anchor = std::max(threshold, kAnchorThreshold);
  TQvPixelRegion core = FindCore(detector, anchor, barred);
  if (core.IsEmpty() && anchor != threshold)
    core = FindCore(detector, threshold, barred);
  // The selection ends as a Select with the user's settings would leave it, apart from the region.
  selection.Select(pixels, seed, threshold, border, formula);
  if (core.IsEmpty()) {
    selection.ReplaceRegion(TQvPixelRegion{});
    return;
  }
  const int32_t channel = ChannelOf(selection.Channel());
  const TQvPixelRegion solid = FillHoles(core);
  const double radius = std::sqrt(double(solid.PixelCount()) / 3.14159265358979);
  const int32_t reach = std::clamp(int32_t(radius / 2 + 1), 1, 6);
  const int32_t level = RimLevel(pixels, solid, channel, reach, std::max(3, int32_t(radius + 0.5)));
  TQvPixelRegion pupil = FillHoles(
      level > 255 ? solid : GrowRim(pixels, solid, channel, level, reach, detector.Inner, barred));
  // Growing must not turn a pupil into a flood of its own.
  if (TouchesEdge(pupil.Bounds(), detector.Inner) || !Compact(pupil))
    pupil = solid;
  // |border| beyond the window's size changes nothing more once clipped to the window.
  selection.ReplaceRegion(Morphed(pupil, std::clamp(border, -selection.WindowSize(), selection.WindowSize())));
}

uint8_t NaturalValue(const uint8_t* pixel, int32_t channel, int32_t brightness) {
  int32_t first = 0, second = 0;
  OthersOf(channel, first, second);
  const int32_t f = pixel[channel], a = pixel[first], b = pixel[second];
  // The plain correction's new value of the dominant channel, never lighter than the light the
  // other two channels carry.
  const int32_t dark = std::min<int32_t>(DarkenedRed(uint8_t(f), uint8_t(a), uint8_t(b), std::max(1, brightness)),
                                         std::max(a, b));
  // A catch-light is light in every channel: it keeps its luminance, losing only its cast.
  const int32_t light = std::min(a, b);
  const int32_t keep = std::clamp((light - kCatchLightStart) * 256 / (kCatchLightFull - kCatchLightStart), 0, 256);
  const int32_t luminance =
      (77 * pixel[ChannelRed] + 150 * pixel[ChannelGreen] + 29 * pixel[ChannelBlue] + 128) >> 8;
  return uint8_t(dark + ((keep * (luminance - dark)) >> 8));
}

void CorrectRedEyeNatural(TQvPixels& pixels, const TRedEyeSelection& selection, int32_t brightness) {
  if (pixels.IsEmpty() || pixels.Format != PixelFormat24 || pixels.BytesPerPixel != 3)
    return;
  const TRect rect = IntersectRect(selection.GetBounds(), pixels.BoundsRect());
  if (rect.IsEmpty())
    return;
  const int32_t channel = ChannelOf(selection.Channel());
  const TQvPixelRegion& region = selection.Region();
  const int32_t width = rect.Width();
  const int32_t span = width + 2;
  std::vector<uint8_t> rows(3 * std::size_t(span));
  uint8_t* above = rows.data();
  uint8_t* row = above + span;
  uint8_t* below = row + span;
  const int64_t spanLeft = int64_t(rect.Left) - 1;
  region.GetRow(int64_t(rect.Top) - 1, spanLeft, span, above);
  region.GetRow(rect.Top, spanLeft, span, row);
  for (int32_t y = rect.Top; y < rect.Bottom; ++y) {
    region.GetRow(int64_t(y) + 1, spanLeft, span, below);
    uint8_t* p = pixels.PixelAt(rect.Left, y);
    for (int32_t i = 1; i <= width; ++i, p += 3) {
      // Members are corrected fully; the ring outside gets the 3 x 3 blur of membership.
      int32_t w = 256;
      if (!row[i]) {
        const int32_t k = above[i - 1] + 2 * above[i] + above[i + 1] + 2 * row[i - 1] + 2 * row[i + 1]
                        + below[i - 1] + 2 * below[i] + below[i + 1];
        if (k == 0)
          continue;
        w = (255 * k) >> 4;
      }
      const int32_t value = NaturalValue(p, channel, brightness);
      for (int32_t c : {ChannelRed, ChannelGreen, ChannelBlue})
        p[c] = uint8_t(p[c] + ((w * (value - p[c])) >> 8));
    }
    std::swap(above, row);
    std::swap(row, below);
  }
}
