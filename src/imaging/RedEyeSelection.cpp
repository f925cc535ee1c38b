#include "RedEyeSelection.h"

#include <QElapsedTimer>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

Q_LOGGING_CATEGORY(lcRedEye, "ocuvane.imaging.redeye", QtInfoMsg)

namespace {

// Window pixels during Grow.
constexpr uint8_t kUntested = 0;
constexpr uint8_t kMember = 1;
constexpr uint8_t kRejected = 2;

// Rounding of the stack's growth factor 1.4142 to nearest: 32 -> 45 -> 64 -> 91 ...
std::size_t NextStackCapacity(std::size_t capacity) {
  return static_cast<std::size_t>(std::llround(static_cast<double>(capacity) * 1.4142));
}

bool IsUsableStore(const TQvPixels& pixels) {
  return !pixels.IsEmpty() && pixels.Format == PixelFormat24 && pixels.BytesPerPixel == 3;
}

// a ∩ b, computed without overflow for boxes given in 64 bits; the all-zero rectangle when empty.
TRect Intersect64(int64_t left, int64_t top, int64_t right, int64_t bottom, const TRect& b) {
  const int64_t l = std::max<int64_t>(left, b.Left);
  const int64_t t = std::max<int64_t>(top, b.Top);
  const int64_t r = std::min<int64_t>(right, b.Right);
  const int64_t btm = std::min<int64_t>(bottom, b.Bottom);
  if (r <= l || btm <= t)
    return TRect{};
  return TRect{int32_t(l), int32_t(t), int32_t(r), int32_t(btm)};
}

} // namespace

TRedEyeSelection::TRedEyeSelection() = default;

void TRedEyeSelection::Clear() {
  FRegion.SetEmpty();
  FPixels = nullptr;
  FPixelBounds = TRect{};
}

void TRedEyeSelection::ReplaceRegion(const TQvPixelRegion& region) {
  FRegion = region;
  FRegion.Intersect(InflateRect(FWindow, -1, -1));
}

void TRedEyeSelection::Select(const TQvPixels& pixels, const TPoint& seed, int32_t threshold,
                              int32_t border, int32_t formula) {
  Clear();
  FPixels = &pixels;
  FPixelBounds = pixels.BoundsRect();

  // The window is seed ± half; with half = 87 it is 174 pixels wide (right edge exclusive).
  // 64-bit corners: a seed near the int limits must not overflow.
  const int64_t half = FWindowSize / 2;
  FWindow = IsUsableStore(pixels)
                ? Intersect64(int64_t(seed.X) - half, int64_t(seed.Y) - half, int64_t(seed.X) + half,
                              int64_t(seed.Y) + half, FPixelBounds)
                : TRect{};
  FSeed = seed;
  FThreshold = threshold;
  FBorder = border;
  FFormula = formula;

  // The outermost ring of the window (and so of the image) never joins the region.
  FWindow = InflateRect(FWindow, -1, -1);
  ChooseChannel(seed);
  if (!FWindow.IsEmpty()) {
    Grow(seed);
    // |border| steps beyond the window's size change nothing more once the result is clipped to
    // the window, so the count is capped to keep absurd values from running for hours.
    Morph(FRegion, std::clamp(border, -FWindowSize, FWindowSize), FWindow);
    FRegion.Intersect(FWindow);
  }
  FWindow = InflateRect(FWindow, 1, 1);
}

void TRedEyeSelection::ChooseChannel(const TPoint& seed) {
  int32_t sumBlue = 0, sumGreen = 0, sumRed = 0;
  if (FPixels != nullptr && IsUsableStore(*FPixels)) {
    const TRect block = Intersect64(int64_t(seed.X) - 1, int64_t(seed.Y) - 1, int64_t(seed.X) + 2,
                                    int64_t(seed.Y) + 2, FPixelBounds);
    for (int32_t y = block.Top; y < block.Bottom; ++y)
      for (int32_t x = block.Left; x < block.Right; ++x) {
        const uint8_t* p = FPixels->PixelAt(x, y);
        sumBlue += p[ChannelBlue];
        sumGreen += p[ChannelGreen];
        sumRed += p[ChannelRed];
      }
  }
  // Red must beat both others strictly; a tie of green and blue (a grey or empty block) is blue.
  if (sumRed > sumGreen && sumRed > sumBlue)
    FChannel = TRedEyeChannel{0, 0, 1};
  else if (sumGreen > sumBlue)
    FChannel = TRedEyeChannel{0, 1, 0};
  else
    FChannel = TRedEyeChannel{1, 0, 0};
}

void TRedEyeSelection::Grow(const TPoint& seed) {
  QElapsedTimer timer;
  const bool trace = lcRedEye().isDebugEnabled();
  if (trace)
    timer.start();

  const TRect window = FWindow;  // shrunk, not empty
  const int32_t windowWidth = window.Width();
  FGrowState.assign(std::size_t(windowWidth) * window.Height(), kUntested);
  uint8_t* const state = FGrowState.data();
  auto stateAt = [&](int32_t x, int32_t y) -> uint8_t& {
    return state[std::size_t(y - window.Top) * windowWidth + (x - window.Left)];
  };

  // The colour test, in integers. F is the pixel's value in the chosen channel, E the sum of the
  // other two and E' = max(1, E); both are whole numbers, so the real comparisons
  //   "1": threshold <= (F / E')^2 x F      <=>  threshold x E'^2 <= F^3
  //   "2": threshold <= (F / E')^2 x 127    <=>  threshold x E'^2 <= 127 x F^2
  // are exact after multiplying by E'^2 > 0. Bounds: |threshold| <= 2^31, E'^2 <= 510^2 < 2^18,
  // F^3 < 2^24, so every product stays below 2^50 in 64 bits.
  //   "3": max(sqrt(d), |dR|, |dG|, |dB|) <= L  <=>  d <= L^2 and each |dX| <= L, for whole d >= 0
  // and L >= 0; L <= (220 + 2^31) / 2 < 2^31, so L^2 < 2^62.
  const TQvPixels& pixels = *FPixels;
  const TRedEyeChannel channel = FChannel;
  const int64_t threshold = FThreshold;
  const int32_t formula = FFormula;
  const int64_t limit = 220 - int64_t(FThreshold) > 0 ? (220 - int64_t(FThreshold)) / 2 : 0;
  // The seed's own colour for "3". A seed outside the image has none, and nothing is similar to it
  // (its window has no usable pixel in its 3 x 3 block anyway).
  const bool seedInside = FPixelBounds.Contains(seed.X, seed.Y);
  const uint8_t* seedPixel = seedInside ? pixels.PixelAt(seed.X, seed.Y) : nullptr;

  auto matchesColor = [&](int32_t x, int32_t y) -> bool {
    const uint8_t* p = pixels.PixelAt(x, y);
    const int32_t blue = p[ChannelBlue], green = p[ChannelGreen], red = p[ChannelRed];
    switch (formula) {
    case FormulaCubic:
    case FormulaRatio: {
      const int64_t f = channel.Blue * blue + channel.Green * green + channel.Red * red;
      const int64_t e = std::max(1, (1 - channel.Blue) * blue + (1 - channel.Green) * green
                                        + (1 - channel.Red) * red);
      const int64_t rhs = formula == FormulaCubic ? f * f * f : 127 * f * f;
      return threshold * e * e <= rhs;
    }
    case FormulaSimilar: {
      if (seedPixel == nullptr)
        return false;
      const int64_t d = std::max(std::abs(int64_t(x) - seed.X), std::abs(int64_t(y) - seed.Y));
      return d <= limit * limit && std::abs(red - seedPixel[ChannelRed]) <= limit
          && std::abs(green - seedPixel[ChannelGreen]) <= limit
          && std::abs(blue - seedPixel[ChannelBlue]) <= limit;
    }
    default:
      return false;
    }
  };
  // Each window pixel is tested once: the first time the fill reaches it, it joins the region
  // and goes on the stack, or it is marked as rejected. The stack is an array with a top index
  // that grows by the factor 1.4142 when full.
  int64_t pushes = 0;
  std::size_t top = 0;
  if (FStack.size() < 32)
    FStack.resize(32);
  TRect members{window.Right, window.Bottom, window.Left, window.Top};  // empty until the first
  // Callers have checked that (x, y) lies in the window.
  auto reach = [&](int32_t x, int32_t y) __attribute__((always_inline)) {
    uint8_t& s = stateAt(x, y);
    if (s != kUntested)
      return;
    if (!matchesColor(x, y)) {
      s = kRejected;
      return;
    }
    s = kMember;
    members.Left = std::min(members.Left, x);
    members.Top = std::min(members.Top, y);
    members.Right = std::max(members.Right, x + 1);
    members.Bottom = std::max(members.Bottom, y + 1);
    if (top == FStack.size())
      FStack.resize(NextStackCapacity(FStack.size()));
    FStack[top++] = TPoint{x, y};
    ++pushes;
  };

  // Diagonal steps happen only here: any passing pixel of the 3 x 3 block starts the fill. The
  // block's corners are formed in 64 bits and clipped by the window test.
  for (int64_t x = int64_t(seed.X) - 1; x <= int64_t(seed.X) + 1; ++x)
    for (int64_t y = int64_t(seed.Y) - 1; y <= int64_t(seed.Y) + 1; ++y)
      if (x >= window.Left && x < window.Right && y >= window.Top && y < window.Bottom)
        reach(int32_t(x), int32_t(y));

  // Then only the four edge neighbours.
  while (top > 0) {
    const TPoint p = FStack[--top];
    if (p.X >= window.Left + 1)
      reach(p.X - 1, p.Y);
    if (p.X <= window.Right - 2)
      reach(p.X + 1, p.Y);
    if (p.Y >= window.Top + 1)
      reach(p.X, p.Y - 1);
    if (p.Y <= window.Bottom - 2)
      reach(p.X, p.Y + 1);
  }

  // Only the members' box is handed over, so a small pupil costs little however large the window.
  if (!members.IsEmpty()) {
    for (int32_t y = members.Top; y < members.Bottom; ++y) {
      uint8_t* line = &stateAt(members.Left, y);
      for (int32_t i = 0; i < members.Width(); ++i)
        line[i] = line[i] == kMember ? 1 : 0;
    }
    FRegion = TQvPixelRegion::FromMask(members.Left, members.Top, members.Width(), members.Height(),
                                       &stateAt(members.Left, members.Top), windowWidth);
  }

  if (trace)
    qCDebug(lcRedEye).noquote() << QStringLiteral("Stack iterations: %1 Time: %2")
                                       .arg(pushes)
                                       .arg(timer.elapsed());
}

void TRedEyeSelection::Morph(TQvPixelRegion& region, int32_t n, const TRect& clip) {
  // Applied one after another to the same copy, these offsets visit the eight neighbours
  // (1, 0), (1, -1), (0, -1), (-1, -1), (-1, 0), (-1, 1), (0, 1), (1, 1).
  static constexpr TPoint kSteps[8] = {{1, 0}, {0, -1}, {-1, 0}, {-1, 0},
                                       {0, 1}, {0, 1},  {1, 0},  {1, 0}};
  const bool dilate = n > 0;
  for (int32_t step = 0; step < std::abs(n) && !region.IsEmpty(); ++step) {
    TQvPixelRegion copy = region;
    for (const TPoint& offset : kSteps) {
      copy.Offset(offset.X, offset.Y);
      if (dilate)
        region.Unite(copy);
      else
        region.Intersect(copy);
    }
    // Clipping each dilation step to the (rectangular) window gives the same pixels inside it as
    // clipping once at the end: every pixel within n steps of the region is reached through
    // pixels of the box spanned by the two, which lies in the window. It keeps the work per step
    // at the window's size.
    if (dilate)
      region.Intersect(clip);
  }
}

TRect TRedEyeSelection::GetBounds() const {
  if (FRegion.IsEmpty())
    return TRect{};
  const TRect box = FRegion.Bounds();
  return Intersect64(int64_t(box.Left) - 1, int64_t(box.Top) - 1, int64_t(box.Right) + 1,
                     int64_t(box.Bottom) + 1, FPixelBounds);
}

int32_t TRedEyeSelection::Coverage(int32_t x, int32_t y) const {
  auto in = [this](int64_t px, int64_t py) {
    return px >= INT_MIN && px <= INT_MAX && py >= INT_MIN && py <= INT_MAX
        && FRegion.Contains(int32_t(px), int32_t(py));
  };
  const int64_t cx = x, cy = y;
  const int32_t k = 4 * in(cx, cy)
                  + 2 * (in(cx - 1, cy) + in(cx + 1, cy) + in(cx, cy - 1) + in(cx, cy + 1))
                  + in(cx - 1, cy - 1) + in(cx + 1, cy - 1) + in(cx - 1, cy + 1) + in(cx + 1, cy + 1);
  return (255 * k) >> 4;
}

namespace {

// Kept local so that the correction loop can inline it.
uint8_t LowerRed(uint8_t red, uint8_t green, uint8_t blue, int32_t brightness) {
  // Lowering R' from red while brightness <= (R' / h)^2 x red stops at the largest R' <= red with
  // R'^2 x red < brightness x h^2, the left side growing with R'. In whole numbers that is
  // R'^2 <= (brightness x h^2 - 1) div red. With brightness < 2^31 and h <= 510 the product stays
  // below 2^49, exact in 64 bits and in a double, so the square root needs at most one correction.
  if (red == 0)
    return 0;
  const int64_t h = std::max(1, int32_t(green) + int32_t(blue));
  const int64_t bound = (int64_t(std::max(1, brightness)) * h * h - 1) / red;
  int64_t root = int64_t(std::sqrt(double(bound)));
  while (root * root > bound)
    --root;
  while ((root + 1) * (root + 1) <= bound)
    ++root;
  return uint8_t(std::min<int64_t>(root, red));
}

} // namespace

uint8_t DarkenedRed(uint8_t red, uint8_t green, uint8_t blue, int32_t brightness) {
  return LowerRed(red, green, blue, brightness);
}

void CorrectRedEye(TQvPixels& pixels, const TRedEyeSelection& selection, int32_t brightness) {
  if (!IsUsableStore(pixels))
    return;
  // Clipping to pixels as well keeps a store of another size from being written outside its
  // memory.
  const TRect rect = IntersectRect(selection.GetBounds(), pixels.BoundsRect());
  if (rect.IsEmpty())
    return;
  const int32_t level = std::max(1, brightness);

  // Membership of three rows at a time, each with a column to spare on both sides, so that the
  // 3 x 3 blur needs no bounds tests.
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
      const int32_t k = above[i - 1] + 2 * above[i] + above[i + 1] + 2 * row[i - 1] + 4 * row[i]
                      + 2 * row[i + 1] + below[i - 1] + 2 * below[i] + below[i + 1];
      if (k == 0)
        continue;
      const int32_t w = (255 * k) >> 4;
      const int32_t blue = p[ChannelBlue], green = p[ChannelGreen], red = p[ChannelRed];
      const int32_t newRed = LowerRed(uint8_t(red), uint8_t(green), uint8_t(blue), level);
      const int32_t newGreen = std::min(green, newRed);
      const int32_t newBlue = std::min(blue, newRed);
      // Signed product shifted arithmetically: floor(w x (P' - P) / 256), so the result lies
      // between P' and P and equals P' at w = 255.
      p[ChannelRed] = uint8_t(red + ((w * (newRed - red)) >> 8));
      p[ChannelGreen] = uint8_t(green + ((w * (newGreen - green)) >> 8));
      p[ChannelBlue] = uint8_t(blue + ((w * (newBlue - blue)) >> 8));
    }
    std::swap(above, row);
    std::swap(row, below);
  }
}
