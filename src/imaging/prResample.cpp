#include "prResample.h"

#include "QvParallel.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define QV_RESAMPLE_AVX2 1
#endif

// ---------------------------------------------------------------------------------------------
// Kernels
// ---------------------------------------------------------------------------------------------

double Sinc(double x) {
  if (x == 0) return 1.0;
  const double px = 3.1415926535897932385 * x;
  return std::sin(px) / px;
}

double TWindowedSincResampler::Filter(double x) const {
  x = std::fabs(x);
  if (x >= FRadius) return 0.0;
  return Sinc(x) * Window(x);
}

double TLanczosResampler::Window(double x) const { return Sinc(x / FRadius); }

// ---------------------------------------------------------------------------------------------
// Mapping tables
// ---------------------------------------------------------------------------------------------

TMappingTable BuildMappingTable(int32_t dstLo, int32_t dstHi, int32_t clipLo, int32_t clipHi,
                                int32_t srcLo, int32_t srcHi, const TPixelResampler& kernel) {
  const int32_t srcW = srcHi - srcLo;
  const int32_t dstW = dstHi - dstLo;
  const int32_t clipW = std::max(clipHi - clipLo, 0);
  if (srcW <= 0) return {};
  if (srcW == 1) return TMappingTable(size_t(clipW), TCluster{TContributor{srcLo, 256}});
  TMappingTable table(static_cast<size_t>(clipW));
  if (clipW == 0) return table;
  const double scale = double(dstW) / double(srcW);
  if (scale <= 0) {
    table[0] = TCluster{TContributor{(srcLo + srcHi) / 2, 256}};
    return table;
  }
  const double width = scale >= 1 ? kernel.GetWidth() : kernel.GetWidth() / scale;
  for (int32_t i = 0; i < clipW; ++i) {
    TCluster& cluster = table[size_t(i)];
    // Pixel centres map onto pixel centres.
    const double center = srcLo - 0.5 + (i + clipLo - dstLo + 0.5) / scale;
    const int32_t first = int32_t(std::floor(center - width));
    const int32_t last = int32_t(std::ceil(center + width));
    cluster.reserve(size_t(last - first + 1));
    int32_t sum = 0;
    for (int32_t j = first; j <= last; ++j) {
      const double weight = scale >= 1 ? kernel.Filter(center - j) * 256
                                       : scale * kernel.Filter(scale * (center - j)) * 256;
      const int32_t w = int32_t(std::nearbyint(weight));
      if (w == 0) continue;
      // Edge pixels repeat, so one position may occur more than once.
      cluster.push_back(TContributor{Clamp(j, srcLo, srcHi - 1), w});
      sum += w;
    }
    if (cluster.empty()) {
      // Only a shrinking kernel narrow enough to miss every sample gets here; the sample under
      // the centre stands in. (An enlarging cluster stays empty and writes 0.)
      if (scale < 1) cluster.push_back(TContributor{Clamp(int32_t(std::floor(center)), srcLo, srcHi - 1), 256});
      continue;
    }
    // Rounding leaves the sum a little off 256; the middle entry absorbs the difference.
    const int32_t count = sum - 256;
    if (count != 0) cluster[(cluster.size() - 1) / 2].Weight -= count;
  }
  return table;
}

// ---------------------------------------------------------------------------------------------
// Resample
// ---------------------------------------------------------------------------------------------

namespace {

struct TResampleJob {
  TQvPixels* Dst;
  const TQvPixels* Src;
  TRect Clip;
  const TMappingTable* MapX;
  const TMappingTable* MapY;
  int32_t Lo;  // first source column the row buffer holds
  int32_t Hi;  // last source column the row buffer holds
  bool RangeCheck;
  bool WeightsFit16;  // every vertical weight fits a signed 16-bit multiply-add
};

// v is in units of 1/65536.
inline uint8_t ChannelByte(int32_t v, bool rangeCheck) {
  if (rangeCheck) {
    if (v < 0) return 0;
    if (v > 0xFF0000) return 0xFF;
  }
  return uint8_t(v >> 16);
}

// Vertical pass, scalar: sums[k] = Σ weight × byte k of the source row span, over the cluster.
void VerticalScalar(const TResampleJob& job, const TCluster& cluster, int32_t* sums) {
  const size_t n = size_t(job.Hi - job.Lo + 1) * 3;
  std::fill(sums, sums + n, 0);
  for (const TContributor& entry : cluster) {
    const uint8_t* row = job.Src->PixelAt(job.Lo, entry.Position);
    const int32_t w = entry.Weight;
    for (size_t k = 0; k < n; ++k) sums[k] += w * row[k];
  }
}

void HorizontalScalar(const TResampleJob& job, const int32_t* sums, uint8_t* out) {
  for (int32_t x = job.Clip.Left; x < job.Clip.Right; ++x, out += 3) {
    const TCluster& cluster = (*job.MapX)[size_t(x - job.Clip.Left)];
    int32_t blue = 0, green = 0, red = 0;
    for (const TContributor& entry : cluster) {
      const int32_t* s = sums + size_t(entry.Position - job.Lo) * 3;
      blue += entry.Weight * s[ChannelBlue];
      green += entry.Weight * s[ChannelGreen];
      red += entry.Weight * s[ChannelRed];
    }
    out[ChannelBlue] = ChannelByte(blue, job.RangeCheck);
    out[ChannelGreen] = ChannelByte(green, job.RangeCheck);
    out[ChannelRed] = ChannelByte(red, job.RangeCheck);
  }
}

#ifdef QV_RESAMPLE_AVX2
// Two source rows at a time: the bytes of both rows are interleaved as 16-bit pairs and one
// multiply-add applies both weights. All sums are exact integers, so this gives the scalar
// pass's numbers.
// Weights must fit 16 bits (the caller checks).
__attribute__((target("avx2"))) void VerticalAvx2(const TResampleJob& job, const TCluster& cluster,
                                                  int32_t* sums, std::vector<const uint8_t*>& rows,
                                                  std::vector<int32_t>& pairWeights) {
  const size_t n = size_t(job.Hi - job.Lo + 1) * 3;
  const size_t taps = cluster.size();
  rows.resize(taps);
  for (size_t t = 0; t < taps; ++t) rows[t] = job.Src->PixelAt(job.Lo, cluster[t].Position);
  const size_t pairs = taps / 2;
  const bool odd = taps % 2 != 0;
  // Each 32-bit word holds the weights of two rows as a 16-bit pair (low = first row).
  pairWeights.resize(pairs + 1);
  for (size_t p = 0; p < pairs; ++p)
    pairWeights[p] = int32_t(uint32_t(uint16_t(cluster[2 * p].Weight)) |
                             (uint32_t(uint16_t(cluster[2 * p + 1].Weight)) << 16));
  if (odd) pairWeights[pairs] = int32_t(uint32_t(uint16_t(cluster[taps - 1].Weight)));
  const __m256i zero = _mm256_setzero_si256();
  size_t k = 0;
  for (; k + 16 <= n; k += 16) {
    __m256i lo = _mm256_setzero_si256();
    __m256i hi = _mm256_setzero_si256();
    for (size_t p = 0; p < pairs; ++p) {
      const __m256i a = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * p] + k)));
      const __m256i b = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[2 * p + 1] + k)));
      const __m256i w = _mm256_set1_epi32(pairWeights[p]);
      lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), w));
      hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), w));
    }
    if (odd) {
      const __m256i a = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[taps - 1] + k)));
      const __m256i w = _mm256_set1_epi32(pairWeights[pairs]);
      lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, zero), w));
      hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, zero), w));
    }
    // unpack works per 128-bit lane: lo holds bytes 0-3 and 8-11, hi bytes 4-7 and 12-15.
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + k), _mm256_permute2x128_si256(lo, hi, 0x20));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(sums + k + 8), _mm256_permute2x128_si256(lo, hi, 0x31));
  }
  for (; k < n; ++k) {
    int32_t sum = 0;
    for (size_t t = 0; t < taps; ++t) sum += cluster[t].Weight * rows[t][k];
    sums[k] = sum;
  }
}

// One destination pixel per 128-bit register: lanes blue, green, red and a spare lane that
// reads the next pixel's blue sum (the row buffer has room for it) and is never stored.
__attribute__((target("avx2"))) void HorizontalAvx2(const TResampleJob& job, const int32_t* sums,
                                                    uint8_t* out) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i top = _mm_set1_epi32(0xFF0000);
  const int32_t count = job.Clip.Width();
  for (int32_t i = 0; i < count; ++i, out += 3) {
    const TCluster& cluster = (*job.MapX)[size_t(i)];
    __m128i v = _mm_setzero_si128();
    for (const TContributor& entry : cluster) {
      const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sums + size_t(entry.Position - job.Lo) * 3));
      v = _mm_add_epi32(v, _mm_mullo_epi32(s, _mm_set1_epi32(entry.Weight)));
    }
    v = _mm_srli_epi32(_mm_min_epi32(_mm_max_epi32(v, zero), top), 16);
    const uint32_t bytes = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packus_epi32(v, v), zero)));
    out[ChannelBlue] = uint8_t(bytes);
    out[ChannelGreen] = uint8_t(bytes >> 8);
    out[ChannelRed] = uint8_t(bytes >> 16);
  }
}

bool HasAvx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}
#endif

void ResampleRows(const TResampleJob& job, int32_t rowBegin, int32_t rowEnd, bool simd) {
  const size_t n = size_t(job.Hi - job.Lo + 1) * 3;
  // One spare pixel of sums for the 4-lane loads of the last column.
  std::vector<int32_t> sums(n + 4, 0);
  std::vector<const uint8_t*> rows;
  std::vector<int32_t> pairWeights;
#ifdef QV_RESAMPLE_AVX2
  simd = simd && HasAvx2() && job.WeightsFit16;
#else
  simd = false;
#endif
  for (int32_t y = job.Clip.Top + rowBegin; y < job.Clip.Top + rowEnd; ++y) {
    const TCluster& cluster = (*job.MapY)[size_t(y - job.Clip.Top)];
    uint8_t* out = job.Dst->PixelAt(job.Clip.Left, y);
#ifdef QV_RESAMPLE_AVX2
    if (simd) {
      VerticalAvx2(job, cluster, sums.data(), rows, pairWeights);
      if (job.RangeCheck)
        HorizontalAvx2(job, sums.data(), out);
      else
        HorizontalScalar(job, sums.data(), out);
      continue;
    }
#endif
    VerticalScalar(job, cluster, sums.data());
    HorizontalScalar(job, sums.data(), out);
  }
}

void DoResample(TQvPixels& dst, const TRect& dstRect, const TRect& dstClip, const TQvPixels& src,
                const TRect& srcRect, const TPixelResampler& kernel, int threads, bool simd) {
  if (dst.Format != PixelFormat24 || src.Format != PixelFormat24 || dst.IsEmpty() || src.IsEmpty())
    return;
  // Every position of the tables lies inside srcRect, so srcRect must lie inside the source.
  if (srcRect.IsEmpty() || IntersectRect(srcRect, src.BoundsRect()) != srcRect) return;
  // Clipping to dstRect as well keeps every table entry a real destination pixel.
  const TRect clip = IntersectRect(IntersectRect(dstClip, dst.BoundsRect()), dstRect);
  if (clip.IsEmpty()) return;
  const TMappingTable mapX =
      BuildMappingTable(dstRect.Left, dstRect.Right, clip.Left, clip.Right, srcRect.Left, srcRect.Right, kernel);
  const TMappingTable mapY =
      BuildMappingTable(dstRect.Top, dstRect.Bottom, clip.Top, clip.Bottom, srcRect.Top, srcRect.Bottom, kernel);
  if (mapX.empty() || mapY.empty()) return;
  // The row buffer spans every position any cluster uses, not only the outer clusters' ends.
  int32_t lo = srcRect.Right, hi = srcRect.Left - 1;
  for (const TCluster& cluster : mapX)
    for (const TContributor& entry : cluster) {
      lo = std::min(lo, entry.Position);
      hi = std::max(hi, entry.Position);
    }
  if (hi < lo) return;
  bool fit16 = true;
  for (const TCluster& cluster : mapY)
    for (const TContributor& entry : cluster) fit16 = fit16 && entry.Weight >= -32768 && entry.Weight <= 32767;
  const TResampleJob job{&dst, &src, clip, &mapX, &mapY, lo, hi, kernel.RangeCheck(), fit16};
  // Small areas are not worth a thread start.
  if (int64_t(clip.Width()) * clip.Height() < 65536) threads = 1;
  QvParallelFor(clip.Height(), threads,
                [&](int begin, int end) { ResampleRows(job, begin, end, simd); });
}

}  // namespace

void Resample(TQvPixels& dst, const TRect& dstRect, const TRect& dstClip, const TQvPixels& src,
              const TRect& srcRect, const TPixelResampler& kernel, int threads) {
  DoResample(dst, dstRect, dstClip, src, srcRect, kernel, threads, true);
}

void ResampleScalar(TQvPixels& dst, const TRect& dstRect, const TRect& dstClip, const TQvPixels& src,
                    const TRect& srcRect, const TPixelResampler& kernel) {
  DoResample(dst, dstRect, dstClip, src, srcRect, kernel, 1, false);
}

// ---------------------------------------------------------------------------------------------
// Nearest neighbour and unscaled copies
// ---------------------------------------------------------------------------------------------

namespace {

// d + floor((s − d) × alpha / 256) per channel.
inline void BlendAlphaPixel(uint8_t* d, const uint8_t* s) {
  const int32_t alpha = s[ChannelAlpha];
  for (int c = ChannelBlue; c <= ChannelRed; ++c) d[c] = uint8_t(d[c] + (((s[c] - d[c]) * alpha) >> 8));
}

enum class TAlphaMode { Blend, Drop };

void CopyUnscaled(TQvPixels& dst, int32_t dstX, int32_t dstY, const TRect& dstClip, const TQvPixels& src,
                  const TRect& srcRect, TAlphaMode mode) {
  if (dst.Format != PixelFormat24 || dst.IsEmpty() || src.IsEmpty()) return;
  if (src.Format != PixelFormat24 && src.Format != PixelFormat32Alpha) return;
  TRect r = IntersectRect(srcRect, src.BoundsRect());
  if (r.IsEmpty()) return;
  const int32_t dx = dstX - srcRect.Left;
  const int32_t dy = dstY - srcRect.Top;
  // Clipped to the destination's bounds too: nothing may be written outside its memory.
  r = IntersectRect(IntersectRect(OffsetRect(r, dx, dy), dstClip), dst.BoundsRect());
  if (r.IsEmpty()) return;
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    uint8_t* d = dst.PixelAt(r.Left, y);
    const uint8_t* s = src.PixelAt(r.Left - dx, y - dy);
    if (src.Format == PixelFormat24) {
      std::memmove(d, s, size_t(r.Width()) * 3);
    } else if (mode == TAlphaMode::Blend) {
      for (int32_t x = 0; x < r.Width(); ++x, d += 3, s += 4) BlendAlphaPixel(d, s);
    } else {
      for (int32_t x = 0; x < r.Width(); ++x, d += 3, s += 4) std::memcpy(d, s, 3);
    }
  }
}

}  // namespace

void CopyBlend(TQvPixels& dst, int32_t dstX, int32_t dstY, const TRect& dstClip, const TQvPixels& src,
               const TRect& srcRect) {
  CopyUnscaled(dst, dstX, dstY, dstClip, src, srcRect, TAlphaMode::Blend);
}

void CopyDropAlpha(TQvPixels& dst, int32_t dstX, int32_t dstY, const TRect& dstClip, const TQvPixels& src,
                   const TRect& srcRect) {
  CopyUnscaled(dst, dstX, dstY, dstClip, src, srcRect, TAlphaMode::Drop);
}

void StretchNearest(TQvPixels& dst, const TRect& dstRect, const TRect& dstClip, const TQvPixels& src,
                    const TRect& srcRect) {
  if (dst.Format != PixelFormat24 || dst.IsEmpty() || src.IsEmpty()) return;
  if (src.Format != PixelFormat24 && src.Format != PixelFormat32Alpha) return;
  const TRect r = IntersectRect(IntersectRect(dst.BoundsRect(), dstClip), dstRect);
  if (r.IsEmpty()) return;
  if (dstRect.Width() == srcRect.Width() && dstRect.Height() == srcRect.Height()) {
    CopyBlend(dst, dstRect.Left, dstRect.Top, dstClip, src, srcRect);
    return;
  }
  // Every sampled position lies inside srcRect, so srcRect must lie inside the source.
  if (srcRect.IsEmpty() || IntersectRect(srcRect, src.BoundsRect()) != srcRect) return;
  const double scaleX = double(srcRect.Width()) / dstRect.Width();
  const double scaleY = double(srcRect.Height()) / dstRect.Height();
  const int32_t bpp = src.BytesPerPixel;
  std::vector<ptrdiff_t> columns(size_t(r.Width()));
  for (int32_t x = r.Left; x < r.Right; ++x) {
    const int32_t sx = srcRect.Left + int32_t(std::floor((x - dstRect.Left) * scaleX));
    columns[size_t(x - r.Left)] = ptrdiff_t(std::min(sx, srcRect.Right - 1) - src.Left) * bpp;
  }
  for (int32_t y = r.Top; y < r.Bottom; ++y) {
    const int32_t sy = std::min(srcRect.Top + int32_t(std::floor((y - dstRect.Top) * scaleY)), srcRect.Bottom - 1);
    const uint8_t* row = src.PixelAt(src.Left, sy);
    uint8_t* d = dst.PixelAt(r.Left, y);
    if (src.Format == PixelFormat24) {
      for (ptrdiff_t offset : columns) {
        std::memcpy(d, row + offset, 3);
        d += 3;
      }
    } else {
      for (ptrdiff_t offset : columns) {
        BlendAlphaPixel(d, row + offset);
        d += 3;
      }
    }
  }
}
