// The lossless engine's libjpeg work on the reading side: what a source is, and its pixels
// decoded through a turn and a cut, whole or in spans of rows. Functions that hold a jmp_buf keep
// only plain locals and libjpeg-owned memory: the jump skips no destructor.

#include "QvJpegEngineLib.h"
#include "QvProgress.h"

#include "QvCodecInternal.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include <jerror.h>

namespace {

// ---- header ----

bool InspectCore(const uint8_t* data, unsigned long size, TJpegSourceInfo* out) {
  jpeg_decompress_struct info;
  TEngineError error;
  std::memset(&info, 0, sizeof info);
  InstallEngineErrors(error);
  info.err = &error.Manager;
  if (setjmp(error.Jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  ReadEngineHeader(&info, data, size);
  bool accepted = info.data_precision == 8 && !info.arith_code && info.image_width > 0 && info.image_height > 0;
  if (info.num_components == 1) accepted = accepted && info.jpeg_color_space == JCS_GRAYSCALE &&
                                           info.comp_info[0].h_samp_factor == 1 &&
                                           info.comp_info[0].v_samp_factor == 1;
  else if (info.num_components == 3) accepted = accepted && info.jpeg_color_space == JCS_YCbCr;
  else accepted = false;
  if (accepted) {
    out->Width = int32_t(info.image_width);
    out->Height = int32_t(info.image_height);
    out->Components = info.num_components;
    out->MaxH = info.max_h_samp_factor;
    out->MaxV = info.max_v_samp_factor;
    out->Progressive = info.progressive_mode != 0;
    for (int c = 0; c < info.num_components; ++c) {
      const jpeg_component_info& component = info.comp_info[c];
      const int h = component.h_samp_factor, v = component.v_samp_factor;
      if (h < 1 || v < 1 || h > 4 || v > 4 || info.max_h_samp_factor % h != 0 || info.max_v_samp_factor % v != 0 ||
          component.quant_tbl_no < 0 || component.quant_tbl_no >= NUM_QUANT_TBLS ||
          !info.quant_tbl_ptrs[component.quant_tbl_no] || HasZeroQuantValue(info.quant_tbl_ptrs[component.quant_tbl_no])) {
        accepted = false;
        break;
      }
      out->HSamp[c] = h;
      out->VSamp[c] = v;
      out->QuantSlot[c] = component.quant_tbl_no;
    }
    for (int slot = 0; slot < 4; ++slot) {
      out->HasQuant[slot] = info.quant_tbl_ptrs[slot] != nullptr;
      if (out->HasQuant[slot])
        for (int k = 0; k < 64; ++k) out->Quant[slot][k] = info.quant_tbl_ptrs[slot]->quantval[k];
    }
  }
  jpeg_destroy_decompress(&info);
  return accepted;
}

// ---- pixels ----

// Rows decoded at a time. A transposed strip becomes columns of the result: each of its rows
// touches every output row, so a tall strip means fewer visits to each output page.
constexpr int StripRows = 32;
constexpr int TurnedStripRows = 128;

void CopyPixel(const uint8_t* from, uint8_t* to) {
  to[0] = from[0];
  to[1] = from[1];
  to[2] = from[2];
}

// Puts decoded source rows sy0 .. sy0 + count - 1 where the geometry sends them.
void ScatterStrip(const TJpegGeometry* g, int32_t turnedWidth, int32_t turnedHeight, JSAMPARRAY strip,
                  int32_t sy0, int32_t count, int32_t sourceWidth, uint8_t* first, int64_t stride) {
  if (!g->Transpose) {
    for (int32_t k = 0; k < count; ++k) {
      const int32_t sy = sy0 + k;
      const int32_t oy = (g->FlipY ? turnedHeight - 1 - sy : sy) - g->PlaneY;
      if (oy < 0 || oy >= g->OutHeight) continue;
      uint8_t* out = first + oy * stride;
      if (!g->FlipX) {
        std::memcpy(out, strip[k] + int64_t(g->PlaneX) * 3, size_t(g->OutWidth) * 3);
      } else {
        const uint8_t* in = strip[k] + int64_t(turnedWidth - 1 - g->PlaneX) * 3;
        for (int32_t x = 0; x < g->OutWidth; ++x, in -= 3, out += 3) CopyPixel(in, out);
      }
    }
    return;
  }
  // Transposed: source row sy becomes a column of the turned picture, source column sx a row.
  int32_t kFirst = -1, kLast = -1;  // strip rows that land inside the output columns
  for (int32_t k = 0; k < count; ++k) {
    const int32_t sy = sy0 + k;
    const int32_t ox = (g->FlipX ? turnedWidth - 1 - sy : sy) - g->PlaneX;
    if (ox < 0 || ox >= g->OutWidth) continue;
    if (kFirst < 0) kFirst = k;
    kLast = k;
  }
  if (kFirst < 0) return;
  const int32_t ox0 = (g->FlipX ? turnedWidth - 1 - (sy0 + kFirst) : sy0 + kFirst) - g->PlaneX;
  const int step = g->FlipX ? -3 : 3;
  // Bands of output rows: each strip row gives a short contiguous run of pixels to the band, and
  // the band's rows stay few enough to keep their pages and lines at hand.
  constexpr int32_t Band = 16;
  for (int32_t oy0 = 0; oy0 < g->OutHeight; oy0 += Band) {
    const int32_t n = g->OutHeight - oy0 < Band ? g->OutHeight - oy0 : Band;
    const int32_t ty = g->PlaneY + oy0;
    const int32_t sxFirst = g->FlipY ? turnedHeight - 1 - ty : ty;  // source column of the band's first row
    const int64_t sxStep = g->FlipY ? -3 : 3;
    if (sxFirst < 0 || sxFirst >= sourceWidth || sxFirst + (n - 1) * (sxStep / 3) < 0 ||
        sxFirst + (n - 1) * (sxStep / 3) >= sourceWidth)
      continue;
    uint8_t* out[Band];
    for (int32_t i = 0; i < n; ++i) out[i] = first + (oy0 + i) * stride + int64_t(ox0) * 3;
    for (int32_t k = kFirst; k <= kLast; ++k) {
      const uint8_t* in = strip[k] + int64_t(sxFirst) * 3;
      for (int32_t i = 0; i < n; ++i, in += sxStep) {
        CopyPixel(in, out[i]);
        out[i] += step;
      }
    }
  }
}

// Only the source rows of the spans (sorted, apart, inside the picture) are wanted; the decoder
// skips the others. Each span starts decoding one whole MCU row early, so the upsampler's context
// rows are decoded ones and the rows kept are exactly those of a full decode.
void DecodeSpans(j_decompress_ptr info, const TJpegGeometry* g, JSAMPARRAY strip, const int32_t* spans,
                 int32_t spanCount, uint8_t* first, int64_t stride) {
  const int32_t width = int32_t(info->output_width), height = int32_t(info->output_height);
  if (g->Transpose) ERREXIT(info, JERR_BAD_CROP_SPEC);
  const int32_t mcuRows = info->max_v_samp_factor * DCTSIZE;
  for (int32_t i = 0; i < spanCount; ++i) {
    const int32_t top = spans[2 * i], bottom = spans[2 * i + 1] < height ? spans[2 * i + 1] : height;
    if (top < 0 || bottom <= top) continue;
    int32_t start = (top / mcuRows - 1) * mcuRows;
    if (start < 0) start = 0;
    if (JDIMENSION(start) > info->output_scanline) jpeg_skip_scanlines(info, JDIMENSION(start) - info->output_scanline);
    while (int32_t(info->output_scanline) < bottom) {
      const int32_t sy0 = int32_t(info->output_scanline);
      const int32_t wanted = bottom - sy0 < StripRows ? bottom - sy0 : StripRows;
      int32_t count = 0;
      while (count < wanted) {
        const JDIMENSION got = jpeg_read_scanlines(info, strip + count, JDIMENSION(wanted - count));
        if (got == 0) ERREXIT(info, JERR_INPUT_EOF);
        count += int32_t(got);
      }
      ScatterStrip(g, width, height, strip, sy0, count, width, first, stride);
    }
  }
}

using TStripTaker = std::function<bool(int32_t, int32_t, const uint8_t* const*)>;

// The whole picture, or with spans only their rows (the rest is neither needed nor decoded); or,
// with take and no geometry, the picture as stored strip by strip to take, which says false to
// stop (an error then).
bool DecodeCore(const uint8_t* data, unsigned long size, const TJpegGeometry* geometry, uint8_t* first,
                int64_t stride, const int32_t* spans, int32_t spanCount, const TStripTaker* take = nullptr) {
  jpeg_decompress_struct info;
  TEngineError error;
  std::memset(&info, 0, sizeof info);
  InstallEngineErrors(error);
  info.err = &error.Manager;
  if (setjmp(error.Jump)) {
    jpeg_destroy_decompress(&info);
    return false;
  }
  ReadEngineHeader(&info, data, size);
  info.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&info);
  const int32_t width = int32_t(info.output_width), height = int32_t(info.output_height);
  const TJpegGeometry stored{false, false, false, 0, 0, width, height};
  const TJpegGeometry* g = geometry ? geometry : &stored;
  const int32_t turnedWidth = g->Transpose ? height : width;
  const int32_t turnedHeight = g->Transpose ? width : height;
  if (g->PlaneX < 0 || g->PlaneY < 0 || g->OutWidth <= 0 || g->OutHeight <= 0 ||
      int64_t(g->PlaneX) + g->OutWidth > turnedWidth || int64_t(g->PlaneY) + g->OutHeight > turnedHeight)
    ERREXIT(&info, JERR_BAD_CROP_SPEC);
  const bool direct = !take && !g->Transpose && !g->FlipX && !g->FlipY && g->PlaneX == 0 && g->OutWidth == width;
  const int32_t stripRows = g->Transpose ? TurnedStripRows : StripRows;
  JSAMPARRAY strip = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                               JDIMENSION(width) * 3, JDIMENSION(stripRows));
  if (spans) {
    DecodeSpans(&info, g, strip, spans, spanCount, first, stride);
    jpeg_destroy_decompress(&info);
    return true;
  }
  while (info.output_scanline < info.output_height) {
    QvReportProgress(info.output_scanline, info.output_height);
    const int32_t sy0 = int32_t(info.output_scanline);
    int32_t count = 0;
    if (direct) {
      // Rows land where they belong; rows above and below the cut go to the strip and are dropped.
      JSAMPROW rows[StripRows];
      const int32_t wanted = height - sy0 < StripRows ? height - sy0 : StripRows;
      for (int32_t k = 0; k < wanted; ++k) {
        const int32_t oy = sy0 + k - g->PlaneY;
        rows[k] = (oy >= 0 && oy < g->OutHeight) ? first + oy * stride : strip[k];
      }
      while (count < wanted) {
        const JDIMENSION got = jpeg_read_scanlines(&info, rows + count, JDIMENSION(wanted - count));
        if (got == 0) ERREXIT(&info, JERR_INPUT_EOF);
        count += int32_t(got);
      }
      continue;
    }
    while (count < stripRows && info.output_scanline < info.output_height) {
      const JDIMENSION got = jpeg_read_scanlines(&info, strip + count, JDIMENSION(stripRows - count));
      if (got == 0) ERREXIT(&info, JERR_INPUT_EOF);
      count += int32_t(got);
    }
    if (!take) ScatterStrip(g, turnedWidth, turnedHeight, strip, sy0, count, width, first, stride);
    else if (!(*take)(sy0, count, strip)) ERREXIT(&info, JERR_FILE_WRITE);
  }
  QvReportProgress(1, 1);
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return true;
}

}  // namespace

bool JpegEngineDecodeStrips(const uint8_t* data, uint64_t size,
                            const std::function<bool(int32_t, int32_t, const uint8_t* const*)>& take) {
  if (!data || size < 4 || size > ULONG_MAX || !take) return false;
  return DecodeCore(data, static_cast<unsigned long>(size), nullptr, nullptr, 0, nullptr, 0, &take);
}

bool JpegEngineInspect(const uint8_t* data, uint64_t size, TJpegSourceInfo& info) {
  if (!data || size < 4 || size > ULONG_MAX) return false;
  info = TJpegSourceInfo{};
  return InspectCore(data, static_cast<unsigned long>(size), &info);
}

bool JpegEngineDecode(const uint8_t* data, uint64_t size, const TJpegGeometry& geometry, uint8_t* firstPixel,
                      int64_t stride) {
  if (!data || !firstPixel || size < 4 || size > ULONG_MAX) return false;
  return DecodeCore(data, static_cast<unsigned long>(size), &geometry, firstPixel, stride, nullptr, 0);
}

bool JpegEngineDecodeRows(const uint8_t* data, uint64_t size, const TJpegGeometry& geometry, uint8_t* firstPixel,
                          int64_t stride, const std::vector<std::pair<int32_t, int32_t>>& sourceRows) {
  if (!data || !firstPixel || size < 4 || size > ULONG_MAX || geometry.Transpose) return false;
  std::vector<std::pair<int32_t, int32_t>> sorted;
  for (const auto& span : sourceRows)
    if (span.second > span.first && span.second > 0) sorted.emplace_back(std::max(span.first, 0), span.second);
  std::sort(sorted.begin(), sorted.end());
  std::vector<int32_t> spans;  // merged: top, bottom, top, bottom, ...
  for (const auto& span : sorted) {
    if (!spans.empty() && span.first <= spans.back()) spans.back() = std::max(spans.back(), span.second);
    else spans.insert(spans.end(), {span.first, span.second});
  }
  return DecodeCore(data, static_cast<unsigned long>(size), &geometry, firstPixel, stride, spans.data(),
                    int32_t(spans.size() / 2));
}

