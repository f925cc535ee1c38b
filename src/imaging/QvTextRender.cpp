#include "QvTextRender.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

QStringList SplitTextLines(const QString& text) {
  static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
  return text.split(lineEnd);
}

namespace {

// The pixel width of one line. A very long line is first summed in pieces, in 64 bits: the font
// engine's own sum is a 32-bit fixed-point number that a pasted book at 400 points overflows.
int64_t LineWidth(const QFontMetrics& metrics, const QString& line) {
  constexpr qsizetype piece = 1024;
  if (line.size() > piece) {
    int64_t sum = 0;
    for (qsizetype i = 0; i < line.size();) {
      qsizetype n = std::min(piece, line.size() - i);
      if (i + n < line.size() && line.at(i + n - 1).isHighSurrogate()) --n;
      sum += metrics.horizontalAdvance(line.mid(i, n));
      if (sum > 2 * int64_t(TextMaskMaxSide)) return sum;
      i += n;
    }
  }
  // The advance leaves out what a slanted last letter hangs over; the ink's box has it.
  return std::max<int64_t>(metrics.horizontalAdvance(line), int64_t(metrics.boundingRect(line).right()) + 1);
}

bool HasInk(const QImage& mask) {
  for (int y = 0; y < mask.height(); ++y) {
    const uchar* row = mask.constScanLine(y);
    if (std::any_of(row, row + mask.width(), [](uchar v) { return v != 0; })) return true;
  }
  return false;
}

}  // namespace

TTextMaskStatus BuildTextMask(const QStringList& lines, const QFont& font, QImage& mask) {
  mask = QImage();
  qsizetype last = lines.size() - 1;
  while (last >= 0 && lines.at(last).isEmpty()) --last;
  if (last < 0) return TTextMaskStatus::Empty;

  const QFontMetrics metrics(font);
  const int64_t lineHeight = std::max(1, metrics.height());
  const int64_t height = (int64_t(last) + 1) * lineHeight;
  if (height > TextMaskMaxSide) return TTextMaskStatus::TooLarge;
  int64_t width = 0;
  for (qsizetype i = 0; i <= last; ++i) {
    if (lines.at(i).isEmpty()) continue;
    width = std::max(width, LineWidth(metrics, lines.at(i)));
    if (width > TextMaskMaxSide) return TTextMaskStatus::TooLarge;
  }
  if (width <= 0) return TTextMaskStatus::Empty;

  QImage image(int(width), int(height), QImage::Format_Grayscale8);
  if (image.isNull()) return TTextMaskStatus::TooLarge;
  image.fill(0);
  {
    QPainter painter(&image);
    painter.setFont(font);
    painter.setPen(Qt::white);
    for (qsizetype i = 0; i <= last; ++i)
      if (!lines.at(i).isEmpty())
        painter.drawText(QPoint(0, int(i * lineHeight) + metrics.ascent()), lines.at(i));
  }
  // Blanks alone leave no ink: that text draws nothing, like an empty one.
  if (!HasInk(image)) return TTextMaskStatus::Empty;
  mask = image;
  return TTextMaskStatus::Built;
}

namespace {

constexpr int32_t WeightBits = 12;
constexpr int32_t WeightOne = 1 << WeightBits;

// The source samples of one destination column (or row): weights of First, First + 1, ...
struct TTap {
  int32_t First = 0;
  int32_t Count = 0;
  int32_t Offset = 0;  // into the table's weights
};

struct TTapTable {
  std::vector<TTap> Taps;
  std::vector<int32_t> Weights;  // in 1/WeightOne, each tap's weights summing to WeightOne
};

// A tent over the source: one pixel wide (bilinear) when enlarging, as wide as one destination
// pixel covers when shrinking. Samples beyond the edges count as the edge pixel.
TTapTable BuildTaps(int32_t sourceSize, int32_t destSize) {
  TTapTable table;
  table.Taps.resize(size_t(destSize));
  const double scale = double(sourceSize) / destSize;
  const double radius = std::max(1.0, scale);
  std::vector<double> w;
  for (int32_t d = 0; d < destSize; ++d) {
    const double centre = (d + 0.5) * scale - 0.5;
    if (radius == 1.0) {
      // Enlarging: the two neighbours of the centre, by distance.
      const int32_t left = int32_t(std::floor(centre));
      const int32_t q = int32_t(std::lround((centre - left) * WeightOne));
      const int32_t first = std::clamp(left, 0, std::max(0, sourceSize - 2));
      TTap& tap = table.Taps[size_t(d)];
      tap.First = first;
      tap.Count = std::min(2, sourceSize);
      tap.Offset = int32_t(table.Weights.size());
      if (sourceSize == 1) {
        table.Weights.push_back(WeightOne);
      } else if (left < 0) {
        table.Weights.insert(table.Weights.end(), {WeightOne, 0});
      } else if (left > sourceSize - 2) {
        table.Weights.insert(table.Weights.end(), {0, WeightOne});
      } else {
        table.Weights.insert(table.Weights.end(), {WeightOne - q, q});
      }
      continue;
    }
    const int32_t lo = std::max<int32_t>(0, int32_t(std::ceil(centre - radius)));
    const int32_t hi = std::min<int32_t>(sourceSize - 1, int32_t(std::floor(centre + radius)));
    const int32_t first = std::min(lo, sourceSize - 1);
    const int32_t last = std::max(hi, first);
    w.assign(size_t(last - first + 1), 0.0);
    double total = 0;
    for (int32_t i = int32_t(std::ceil(centre - radius)); i <= int32_t(std::floor(centre + radius)); ++i) {
      const double weight = 1.0 - std::abs(i - centre) / radius;
      if (weight <= 0) continue;
      w[size_t(std::clamp(i, first, last) - first)] += weight;
      total += weight;
    }
    TTap& tap = table.Taps[size_t(d)];
    tap.First = first;
    tap.Count = last - first + 1;
    tap.Offset = int32_t(table.Weights.size());
    int32_t sum = 0;
    size_t heaviest = 0;
    for (size_t i = 0; i < w.size(); ++i) {
      const int32_t q = total > 0 ? int32_t(std::lround(w[i] / total * WeightOne)) : (i == 0 ? WeightOne : 0);
      table.Weights.push_back(q);
      sum += q;
      if (w[i] > w[heaviest]) heaviest = i;
    }
    table.Weights[size_t(tap.Offset) + heaviest] += WeightOne - sum;
  }
  return table;
}

}  // namespace

void StretchMask(const QImage& src, int32_t width, int32_t height, QImage& dst) {
  dst = QImage();
  if (src.isNull() || src.format() != QImage::Format_Grayscale8 || width <= 0 || height <= 0) return;
  QImage out(width, height, QImage::Format_Grayscale8);
  if (out.isNull()) return;
  const int32_t sw = src.width();
  const int32_t sh = src.height();
  const TTapTable columns = BuildTaps(sw, width);
  const TTapTable rows = BuildTaps(sh, height);

  // Horizontal pass, kept in 1/16 steps (at most 255 × 256, fits 16 bits). Text is mostly
  // background: each row is worked out only between the destination columns its ink reaches,
  // and rows without ink are skipped; `reach` keeps each row's [first, last) column.
  std::vector<uint16_t> across(size_t(sh) * size_t(width));
  std::vector<std::pair<int32_t, int32_t>> reach(size_t(sh), {0, 0});
  for (int32_t y = 0; y < sh; ++y) {
    const uchar* in = src.constScanLine(y);
    int32_t inkLo = 0;
    while (inkLo < sw && in[inkLo] == 0) ++inkLo;
    if (inkLo == sw) continue;
    int32_t inkHi = sw - 1;
    while (in[inkHi] == 0) --inkHi;
    int32_t x = 0;
    while (x < width && columns.Taps[size_t(x)].First + columns.Taps[size_t(x)].Count <= inkLo) ++x;
    const int32_t first = x;
    uint16_t* line = across.data() + size_t(y) * size_t(width);
    for (; x < width; ++x) {
      const TTap& tap = columns.Taps[size_t(x)];
      if (tap.First > inkHi) break;
      const int32_t* w = columns.Weights.data() + tap.Offset;
      const uchar* s = in + tap.First;
      int32_t sum = 0;
      if (tap.Count == 2) {
        sum = w[0] * s[0] + w[1] * s[1];
      } else {
        for (int32_t i = 0; i < tap.Count; ++i) sum += w[i] * s[i];
      }
      line[x] = uint16_t((sum + 8) >> 4);
    }
    reach[size_t(y)] = {first, x};
  }
  // Vertical pass: the sum stays below 65280 × 4096 < 2^31.
  std::vector<int32_t> acc(static_cast<size_t>(width));
  constexpr int32_t shift = WeightBits + WeightBits - 4;
  for (int32_t y = 0; y < height; ++y) {
    const TTap& tap = rows.Taps[size_t(y)];
    const int32_t* w = rows.Weights.data() + tap.Offset;
    int32_t lo = width;
    int32_t hi = 0;
    for (int32_t i = 0; i < tap.Count; ++i) {
      const auto& r = reach[size_t(tap.First + i)];
      if (w[i] == 0 || r.first >= r.second) continue;
      lo = std::min(lo, r.first);
      hi = std::max(hi, r.second);
    }
    uchar* o = out.scanLine(y);
    if (lo >= hi) {
      std::memset(o, 0, size_t(width));
      continue;
    }
    std::fill(acc.begin() + lo, acc.begin() + hi, 1 << (shift - 1));
    for (int32_t i = 0; i < tap.Count; ++i) {
      const int32_t weight = w[i];
      const auto& r = reach[size_t(tap.First + i)];
      if (weight == 0 || r.first >= r.second) continue;
      const uint16_t* line = across.data() + size_t(tap.First + i) * size_t(width);
      for (int32_t x = r.first; x < r.second; ++x) acc[size_t(x)] += weight * line[x];
    }
    std::memset(o, 0, size_t(lo));
    for (int32_t x = lo; x < hi; ++x) o[x] = uchar(std::clamp(acc[size_t(x)] >> shift, 0, 255));
    std::memset(o + hi, 0, size_t(width - hi));
  }
  dst = out;
}

void BlendTextMask(TQvPixels& image, const TRect& rect, const QImage& mask, const TTextBlend& blend) {
  if (image.IsEmpty() || image.Format != PixelFormat24 || mask.format() != QImage::Format_Grayscale8 ||
      mask.width() != rect.Width() || mask.height() != rect.Height())
    return;
  const TRect clip = IntersectRect(rect, image.BoundsRect());
  if (clip.IsEmpty()) return;
  const bool inverted = blend.ColorMode == TextColorInverted;
  const uint8_t fixed[3] = {ColorBlue(blend.Color), ColorGreen(blend.Color), ColorRed(blend.Color)};
  for (int32_t y = clip.Top; y < clip.Bottom; ++y) {
    const uchar* row = mask.constScanLine(blend.FlipV ? rect.Bottom - 1 - y : y - rect.Top);
    uint8_t* p = image.PixelAt(clip.Left, y);
    for (int32_t x = clip.Left; x < clip.Right; ++x, p += 3) {
      const int32_t a = row[blend.FlipH ? rect.Right - 1 - x : x - rect.Left];
      if (a == 0) continue;
      // BlendPixel, per channel and inline: this loop runs for every pixel of a dragged text.
      for (int channel = 0; channel < 3; ++channel) {
        const int32_t v = p[channel];
        const int32_t c = !inverted ? fixed[channel] : blend.MaxInverse ? (v >= 128 ? 0 : 255) : 255 - v;
        p[channel] = uint8_t(a == 255 ? c : v + ((a * (c - v)) >> 8));
      }
    }
  }
}

TTextBlend MakeTextBlend(const TTextSettings& settings, bool flipH, bool flipV) {
  return TTextBlend{ClampTextColorMode(settings.ColorMode), settings.ColorValue(), settings.MaxInverse, flipH, flipV};
}

TTextMaskStatus DrawTextInto(TQvPixels& image, const QStringList& lines, const TTextSettings& settings,
                             const TRect& rect, bool flipH, bool flipV) {
  QImage mask;
  const TTextMaskStatus status = BuildTextMask(lines, settings.Font(), mask);
  if (status != TTextMaskStatus::Built || rect.IsEmpty()) return status;
  QImage stretched;
  StretchMask(mask, rect.Width(), rect.Height(), stretched);
  BlendTextMask(image, rect, stretched, MakeTextBlend(settings, flipH, flipV));
  return status;
}

TTextMaskStatus TQvTextRenderer::SetText(const QStringList& lines, const QFont& font) {
  FStatus = BuildTextMask(lines, font, FTextMask);
  FStretchedMask = QImage();
  return FStatus;
}

bool TQvTextRenderer::CanDraw(const TRect& rect) const {
  return FStatus == TTextMaskStatus::Built && !rect.IsEmpty();
}

TRect TQvTextRenderer::Render(TQvPixels& image, const TQvPixels& backup, const TRect& rect,
                              const TTextBlend& blend) {
  TRect changed = Remove(image, backup);
  if (!CanDraw(rect)) return changed;
  if (FStretchedMask.width() != rect.Width() || FStretchedMask.height() != rect.Height())
    StretchMask(FTextMask, rect.Width(), rect.Height(), FStretchedMask);
  const TRect drawn = IntersectRect(rect, image.BoundsRect());
  if (FStretchedMask.isNull() || drawn.IsEmpty()) return changed;
  BlendTextMask(image, rect, FStretchedMask, blend);
  FRendered = true;
  FRenderedRect = rect;
  return UnionRect(changed, drawn);
}

TRect TQvTextRenderer::Remove(TQvPixels& image, const TQvPixels& backup) {
  if (!FRendered) return TRect{};
  FRendered = false;
  const TRect clip = IntersectRect(IntersectRect(FRenderedRect, image.BoundsRect()), backup.BoundsRect());
  if (!clip.IsEmpty()) image.CopyRect(clip.Left, clip.Top, backup, clip);
  return clip;
}

void TQvTextRenderer::Forget() {
  FRendered = false;
  FRenderedRect = TRect{};
}
