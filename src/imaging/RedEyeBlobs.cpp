#include "RedEyeBlobs.h"

#include "QvParallel.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <numeric>

namespace {

// A run of passing pixels in one row, right exclusive.
struct TRun {
  int32_t X0 = 0;
  int32_t X1 = 0;
  int32_t Channel = 0;
};

struct TBand {
  std::vector<TRun> Runs;
  std::vector<int32_t> RowCounts;  // runs per row of the band
};

bool IsUsableStore(const TQvPixels& pixels) {
  return !pixels.IsEmpty() && pixels.Format == PixelFormat24 && pixels.BytesPerPixel == 3;
}

inline bool Strong(int32_t f, int32_t a, int32_t b, const TRedEyeColorTest& test) {
  if (f < test.MinValue || f < a + test.MinLead || f < b + test.MinLead)
    return false;
  // f^3 < 2^24 and Strength x e^2 stays in 64 bits for any Strength an int holds.
  const int64_t e = std::max(1, a + b);
  return int64_t(f) * f * f >= int64_t(test.Strength) * e * e;
}

// The channel a pixel is strong in, or -1.
inline int32_t Classify(const uint8_t* p, const TRedEyeBlobOptions& o) {
  const int32_t blue = p[ChannelBlue], green = p[ChannelGreen], red = p[ChannelRed];
  if (red > green && red > blue)
    return Strong(red, green, blue, o.Red) ? ChannelRed : -1;
  if (!o.EyeShine)
    return -1;
  if (green > red && green > blue)
    return Strong(green, red, blue, o.Green) ? ChannelGreen : -1;
  if (blue > red && blue > green)
    return Strong(blue, red, green, o.Blue) ? ChannelBlue : -1;
  return -1;
}

int32_t Find(std::vector<int32_t>& parent, int32_t i) {
  while (parent[i] != i) {
    parent[i] = parent[parent[i]];
    i = parent[i];
  }
  return i;
}

void Join(std::vector<int32_t>& parent, int32_t a, int32_t b) {
  a = Find(parent, a);
  b = Find(parent, b);
  // The smaller index stays the root, so a patch is named by its first run.
  if (a < b)
    parent[b] = a;
  else if (b < a)
    parent[a] = b;
}

// Sums of x and x^2 for x in [x0, x1).
inline int64_t SumTo(int64_t n) { return n * (n + 1) / 2; }  // 0 + 1 + ... + n
inline int64_t SumSqTo(int64_t n) { return n * (n + 1) * (2 * n + 1) / 6; }

struct TAccumulator {
  int32_t Channel = 0;
  int64_t Area = 0;
  int64_t Left = INT32_MAX, Top = INT32_MAX, Right = INT32_MIN, Bottom = INT32_MIN;
  int64_t SumX = 0, SumY = 0, SumXX = 0, SumYY = 0, SumXY = 0;  // image coordinates
};

} // namespace

void TRedEyeBlob::Axes(double& major, double& minor) const {
  const double n = double(Area);
  const double mx = double(SumX) / n, my = double(SumY) / n;
  const double cxx = double(SumXX) / n - mx * mx;
  const double cyy = double(SumYY) / n - my * my;
  const double cxy = double(SumXY) / n - mx * my;
  const double mean = (cxx + cyy) / 2;
  const double spread = std::sqrt(std::max(0.0, (cxx - cyy) * (cxx - cyy) / 4 + cxy * cxy));
  // A single pixel has the variance 1/12 of a unit square along each axis.
  major = std::sqrt(std::max(0.0, mean + spread) + 1.0 / 12);
  minor = std::sqrt(std::max(0.0, mean - spread) + 1.0 / 12);
}

bool PassesColorTest(const uint8_t* pixel, int32_t channel, const TRedEyeColorTest& test) {
  const int32_t blue = pixel[ChannelBlue], green = pixel[ChannelGreen], red = pixel[ChannelRed];
  switch (channel) {
  case ChannelRed:
    return Strong(red, green, blue, test);
  case ChannelGreen:
    return Strong(green, red, blue, test);
  case ChannelBlue:
    return Strong(blue, red, green, test);
  default:
    return false;
  }
}

TRedEyeBlobResult FindColorBlobs(const TQvPixels& pixels, const TRedEyeBlobOptions& options) {
  TRedEyeBlobResult result;
  if (!IsUsableStore(pixels))
    return result;
  const int32_t width = pixels.Width, height = pixels.Height;

  // Bands of rows, one per thread; each band keeps its own runs, in row order.
  const int parts = std::min(QvThreadCount(options.Threads), height);
  std::vector<TBand> bands(size_t(std::max(1, parts)));
  std::atomic<int64_t> runTotal{0};
  std::atomic<bool> gaveUp{false};
  QvParallelFor(parts, parts, [&](int begin, int end) {
    for (int part = begin; part < end; ++part) {
      const int32_t rowBegin = int32_t(int64_t(height) * part / parts);
      const int32_t rowEnd = int32_t(int64_t(height) * (part + 1) / parts);
      TBand& band = bands[size_t(part)];
      band.RowCounts.assign(size_t(rowEnd - rowBegin), 0);
      for (int32_t row = rowBegin; row < rowEnd && !gaveUp.load(std::memory_order_relaxed); ++row) {
        const uint8_t* p = pixels.PixelAt(pixels.Left, pixels.Top + row);
        const size_t before = band.Runs.size();
        int32_t x = 0;
        while (x < width) {
          const int32_t channel = Classify(p + size_t(x) * 3, options);
          if (channel < 0) {
            ++x;
            continue;
          }
          const int32_t start = x++;
          while (x < width && Classify(p + size_t(x) * 3, options) == channel)
            ++x;
          band.Runs.push_back(TRun{start, x, channel});
        }
        const size_t added = band.Runs.size() - before;
        band.RowCounts[size_t(row - rowBegin)] = int32_t(added);
        if (runTotal.fetch_add(int64_t(added), std::memory_order_relaxed) + int64_t(added)
            > options.MaxRuns)
          gaveUp = true;
      }
    }
  });
  if (gaveUp) {
    result.GaveUp = true;
    return result;
  }

  // All runs in row order, with the index of each row's first run.
  std::vector<TRun> runs;
  std::vector<int32_t> rowStart;
  runs.reserve(size_t(runTotal.load()));
  rowStart.reserve(size_t(height) + 1);
  for (TBand& band : bands) {
    int32_t index = int32_t(runs.size());
    for (int32_t count : band.RowCounts) {
      rowStart.push_back(index);
      index += count;
    }
    runs.insert(runs.end(), band.Runs.begin(), band.Runs.end());
    band.Runs = {};
  }
  rowStart.push_back(int32_t(runs.size()));

  // Runs of one colour that touch, also diagonally, belong to one patch.
  std::vector<int32_t> parent(runs.size());
  std::iota(parent.begin(), parent.end(), 0);
  for (int32_t row = 1; row < height; ++row) {
    int32_t i = rowStart[size_t(row)], j = rowStart[size_t(row) - 1];
    const int32_t iEnd = rowStart[size_t(row) + 1], jEnd = rowStart[size_t(row)];
    while (i < iEnd && j < jEnd) {
      const TRun& cur = runs[size_t(i)];
      const TRun& prev = runs[size_t(j)];
      if (cur.X0 <= prev.X1 && prev.X0 <= cur.X1 && cur.Channel == prev.Channel)
        Join(parent, i, j);
      if (prev.X1 < cur.X1)
        ++j;
      else
        ++i;
    }
  }

  // Moments per patch, named in the order of their first runs.
  std::vector<int32_t> slot(runs.size(), -1);
  std::vector<TAccumulator> acc;
  for (int32_t row = 0; row < height; ++row) {
    const int64_t y = int64_t(pixels.Top) + row;
    for (int32_t i = rowStart[size_t(row)]; i < rowStart[size_t(row) + 1]; ++i) {
      const int32_t root = Find(parent, i);
      if (slot[size_t(root)] < 0) {
        slot[size_t(root)] = int32_t(acc.size());
        acc.emplace_back();
        acc.back().Channel = runs[size_t(i)].Channel;
      }
      TAccumulator& a = acc[size_t(slot[size_t(root)])];
      const TRun& run = runs[size_t(i)];
      const int64_t x0 = int64_t(pixels.Left) + run.X0, x1 = int64_t(pixels.Left) + run.X1;
      const int64_t n = x1 - x0;
      const int64_t sx = SumTo(x1 - 1) - SumTo(x0 - 1);
      a.Area += n;
      a.Left = std::min(a.Left, x0);
      a.Right = std::max(a.Right, x1);
      a.Top = std::min(a.Top, y);
      a.Bottom = std::max(a.Bottom, y + 1);
      a.SumX += sx;
      a.SumY += n * y;
      a.SumXX += SumSqTo(x1 - 1) - SumSqTo(x0 - 1);
      a.SumYY += n * y * y;
      a.SumXY += sx * y;
    }
  }

  for (const TAccumulator& a : acc) {
    if (a.Right - a.Left > options.MaxExtent || a.Bottom - a.Top > options.MaxExtent)
      continue;
    TRedEyeBlob blob;
    blob.Channel = a.Channel;
    blob.Area = a.Area;
    blob.Box = TRect{int32_t(a.Left), int32_t(a.Top), int32_t(a.Right), int32_t(a.Bottom)};
    // Moments about the box's corner: small numbers, exact in 64 bits.
    const int64_t l = a.Left, t = a.Top, n = a.Area;
    blob.SumX = a.SumX - n * l;
    blob.SumY = a.SumY - n * t;
    blob.SumXX = a.SumXX - 2 * l * a.SumX + n * l * l;
    blob.SumYY = a.SumYY - 2 * t * a.SumY + n * t * t;
    blob.SumXY = a.SumXY - l * a.SumY - t * a.SumX + n * l * t;
    result.Blobs.push_back(blob);
  }
  return result;
}
