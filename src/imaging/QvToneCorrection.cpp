#include "QvToneCorrection.h"

#include "QvPixelSnapshot.h"

#include "QvParallel.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

constexpr int32_t kWhiteSum = 3 * 255;

// Below this many pixels a thread start costs more than it saves.
constexpr int64_t kParallelPixels = 65536;

int ThreadsFor(const TQvPixels& pixels, int threads) {
  return int64_t(pixels.Width) * pixels.Height < kParallelPixels ? 1 : threads;
}

// A pixel that set a new darkest (or lightest) sum, with the channel it offers to MinV (MaxV).
struct TToneRecord {
  int32_t Sum;
  int32_t Channel;
};

// The records of one band of rows, in scan order. The sums strictly fall (rise), so each list
// holds at most 765 entries whatever the band's size.
struct TToneBand {
  std::vector<TToneRecord> Dark;
  std::vector<TToneRecord> Light;
};

// Whether a pixel of sum s can set a record, as a table over every sum: 1 for 0 < s < minSum and
// for maxSum < s < 765. Most pixels set none, so the scan pays one look-up per pixel and takes the
// record path only for the few that do.
class TRecordSums {
 public:
  TRecordSums() {
    FCandidate.fill(1);
    FCandidate[0] = 0;
    FCandidate[kWhiteSum] = 0;
  }
  bool Candidate(int32_t sum) const { return FCandidate[size_t(sum)] != 0; }
  int32_t MinSum() const { return FMinSum; }
  int32_t MaxSum() const { return FMaxSum; }
  // Sums from sum up to the old darkest no longer beat the darkest; they stay candidates only if
  // they still beat the lightest (and the other way round for SetMaxSum).
  void SetMinSum(int32_t sum) {
    for (int32_t s = sum; s < FMinSum; ++s)
      if (s <= FMaxSum) FCandidate[size_t(s)] = 0;
    FMinSum = sum;
  }
  void SetMaxSum(int32_t sum) {
    for (int32_t s = FMaxSum + 1; s <= sum; ++s)
      if (s >= FMinSum) FCandidate[size_t(s)] = 0;
    FMaxSum = sum;
  }

 private:
  std::array<uint8_t, kWhiteSum + 1> FCandidate;
  int32_t FMinSum = kWhiteSum;
  int32_t FMaxSum = 0;
};

// The record tests for one pixel, in the order the scan meets the pixels.
void ScanPixel(const uint8_t* p, TRecordSums& sums, TToneBand& band) {
  const int32_t r = p[ChannelRed], g = p[ChannelGreen], b = p[ChannelBlue];
  const int32_t sum = r + g + b;
  if (sum > 0 && sum < sums.MinSum()) {
    int32_t low = 255;
    for (int32_t c : {r, g, b})
      if (c > 0) low = std::min(low, c);
    band.Dark.push_back({sum, low});
    sums.SetMinSum(sum);
  }
  if (sum < kWhiteSum && sum > sums.MaxSum()) {
    int32_t high = 0;
    for (int32_t c : {r, g, b})
      if (c < 255) high = std::max(high, c);
    band.Light.push_back({sum, high});
    sums.SetMaxSum(sum);
  }
}

#ifdef __SSE2__
// Whether any of the 8 pixels from p has a sum that can set a record (0 < s < minSum or
// maxSum < s < 765); reads 26 bytes. The sums of three neighbouring bytes are made at every byte
// offset, and only the offsets where a pixel starts are looked at.
bool AnyCandidateOf8(const uint8_t* p, __m128i minSum, __m128i maxSum) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
  const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 2));
  const __m128i d = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 16));
  const __m128i e = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 17));
  const __m128i f = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + 18));
  const __m128i sums[3] = {
      _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero)), _mm_unpacklo_epi8(c, zero)),
      _mm_add_epi16(_mm_add_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero)), _mm_unpackhi_epi8(c, zero)),
      _mm_add_epi16(_mm_add_epi16(_mm_unpacklo_epi8(d, zero), _mm_unpacklo_epi8(e, zero)), _mm_unpacklo_epi8(f, zero)),
  };
  // Pixels start at byte offsets 0, 3, ..., 21: lanes 0, 3, 6 of the first sums, 1, 4, 7 of the
  // second and 2, 5 of the third.
  const __m128i starts[3] = {_mm_setr_epi16(-1, 0, 0, -1, 0, 0, -1, 0), _mm_setr_epi16(0, -1, 0, 0, -1, 0, 0, -1),
                             _mm_setr_epi16(0, 0, -1, 0, 0, -1, 0, 0)};
  const __m128i white = _mm_set1_epi16(kWhiteSum);
  __m128i any = zero;
  for (int i = 0; i < 3; ++i) {
    const __m128i s = sums[i];
    const __m128i dark = _mm_and_si128(_mm_cmpgt_epi16(s, zero), _mm_cmplt_epi16(s, minSum));
    const __m128i light = _mm_and_si128(_mm_cmpgt_epi16(s, maxSum), _mm_cmplt_epi16(s, white));
    any = _mm_or_si128(any, _mm_and_si128(_mm_or_si128(dark, light), starts[i]));
  }
  return _mm_movemask_epi8(any) != 0;
}
#endif

void ScanBand(const TQvPixels& pixels, int begin, int end, TToneBand& band) {
  TRecordSums sums;
  for (int y = begin; y < end; ++y) {
    const uint8_t* p = pixels.Bits + ptrdiff_t(y) * pixels.Stride;
    const uint8_t* const last = p + ptrdiff_t(pixels.Width) * 3;
#ifdef __SSE2__
    // Eight pixels at a time while 26 bytes remain in the row; a group with a candidate is tested
    // pixel by pixel, in order. Records soon become rare, so most groups cost a few vector steps.
    for (; last - p >= 26; p += 24)
      if (AnyCandidateOf8(p, _mm_set1_epi16(int16_t(sums.MinSum())), _mm_set1_epi16(int16_t(sums.MaxSum()))))
        for (int i = 0; i < 8; ++i) ScanPixel(p + 3 * i, sums, band);
#endif
    // Two pixels at a time; a pair with a candidate is tested pixel by pixel, in order.
    for (; last - p >= 6; p += 6) {
      const int32_t first = p[0] + p[1] + p[2], second = p[3] + p[4] + p[5];
      if (sums.Candidate(first) | sums.Candidate(second)) {
        ScanPixel(p, sums, band);
        ScanPixel(p + 3, sums, band);
      }
    }
    if (p < last && sums.Candidate(p[0] + p[1] + p[2])) ScanPixel(p, sums, band);
  }
}

}  // namespace

void ManualTonePoints(const TBrightnessContrastSettings& settings, TQvPointList& points) {
  const int32_t b = settings.Brightness, k = settings.Contrast;
  QPoint first(-b, 0), second(255 - b, 255);
  if (k >= 0) {
    first.rx() += k;
    second.rx() -= k;
  } else {
    first.ry() -= k;
    second.ry() += k;
  }
  points.Clear();
  points.Add(first);
  points.Add(second);
}

TAutoTone ScanAutoTone(const TQvPixels& pixels, int threads) {
  TAutoTone tone;
  int32_t minV = 255, maxV = 0;
  if (!pixels.IsEmpty() && pixels.Format == PixelFormat24) {
    const int parts = std::min(QvThreadCount(ThreadsFor(pixels, threads)), int(pixels.Height));
    std::vector<TToneBand> bands(size_t(std::max(parts, 1)));
    // Band i covers the rows QvParallelFor gives its i-th part; the bands are merged in row order,
    // so a record counts only when it beats everything scanned before it in the whole image.
    QvParallelFor(parts, parts, [&](int first, int last) {
      for (int part = first; part < last; ++part) {
        const int begin = int(int64_t(pixels.Height) * part / parts);
        const int end = int(int64_t(pixels.Height) * (part + 1) / parts);
        ScanBand(pixels, begin, end, bands[size_t(part)]);
      }
    });
    int32_t minSum = kWhiteSum, maxSum = 0;
    for (const TToneBand& band : bands) {
      for (const TToneRecord& record : band.Dark)
        if (record.Sum < minSum) {
          minV = std::min(minV, record.Channel);
          minSum = record.Sum;
        }
      for (const TToneRecord& record : band.Light)
        if (record.Sum > maxSum) {
          maxV = std::max(maxV, record.Channel);
          maxSum = record.Sum;
        }
    }
  }
  tone.MinV = minV == 255 ? 0 : minV;
  tone.MaxV = maxV == 0 ? 255 : maxV;
  if (tone.Stretches()) {
    tone.Settings.Brightness = 127 - (tone.MinV + tone.MaxV) / 2;
    tone.Settings.Contrast = (256 - (tone.MaxV - tone.MinV)) / 2;
  }
  return tone;
}

void AutoTonePoints(const TAutoTone& tone, TQvPointList& points) {
  points.Clear();
  if (tone.Stretches()) {
    points.Add(QPoint(tone.MinV, 0));
    points.Add(QPoint(tone.MaxV, 255));
  } else {
    points.Add(QPoint(0, 0));
    points.Add(QPoint(255, 255));
  }
}

TQvLUT ToneTable(const TQvPointList& points) {
  TQvLUT table;
  BuildLUT(points, 255, table);
  return table;
}

TQvLUT ToneTable(const TBrightnessContrastSettings& settings) {
  TQvPointList points;
  ManualTonePoints(settings, points);
  return ToneTable(points);
}

void ApplyToneTable(TQvPixels& dst, const TQvPixels& src, const TQvLUT& table, int threads) {
  if (table.size() < 256 || dst.IsEmpty() || src.IsEmpty() || dst.Format != PixelFormat24
      || src.Format != PixelFormat24)
    return;
  const TRect area = IntersectRect(dst.BoundsRect(), src.BoundsRect());
  if (area.IsEmpty()) return;
  uint8_t bytes[256];
  for (int i = 0; i < 256; ++i) bytes[i] = uint8_t(table[size_t(i)]);
  // Two bytes per lookup: the 128 KiB pair table stays in the second-level cache and halves the
  // dependent loads, which is what bounds a byte-by-byte table walk.
  std::vector<uint16_t> pairs(65536);
  for (int high = 0; high < 256; ++high)
    for (int low = 0; low < 256; ++low) pairs[size_t(high << 8 | low)] = uint16_t(bytes[low] | bytes[high] << 8);
  const size_t rowBytes = size_t(area.Width()) * 3;
  const int rows = area.Height();
  // A whole image written afresh needs none of its old pages; anything less keeps them.
  if (!(area == dst.BoundsRect() && rowBytes == size_t(dst.Stride) && QvDiscardForOverwrite(dst)))
    QvPrepareForWriting(dst, area);
  QvParallelFor(rows, int64_t(area.Width()) * rows < kParallelPixels ? 1 : threads, [&](int begin, int end) {
    for (int row = begin; row < end; ++row) {
      const uint8_t* from = src.PixelAt(area.Left, area.Top + row);
      uint8_t* to = dst.PixelAt(area.Left, area.Top + row);
      size_t i = 0;
      for (; i + 8 <= rowBytes; i += 8) {
        uint64_t v;
        std::memcpy(&v, from + i, 8);
        const uint64_t r = uint64_t(pairs[v & 0xffff]) | uint64_t(pairs[(v >> 16) & 0xffff]) << 16
                         | uint64_t(pairs[(v >> 32) & 0xffff]) << 32 | uint64_t(pairs[v >> 48]) << 48;
        std::memcpy(to + i, &r, 8);
      }
      for (; i < rowBytes; ++i) to[i] = bytes[from[i]];
    }
  });
}
