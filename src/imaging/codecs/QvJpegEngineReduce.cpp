// A picture at an eighth of its size from the DC coefficients of its blocks, which a save that
// keeps the blocks reads anyway: each output pixel is the mean of its 8 × 8 block (of the block its
// chroma samples fall in), without a second pass over the entropy-coded data.
#include "QvJpegEngineLib.h"

#include <algorithm>

bool InitDcPlanes(j_decompress_ptr src, TDcPlanes& planes) {
  planes = TDcPlanes{};
  const int components = src->num_components;
  if (src->image_width == 0 || src->image_height == 0 || (components != 1 && components != 3)) return false;
  planes.Width = int32_t(src->image_width);
  planes.Height = int32_t(src->image_height);
  planes.Components = components;
  for (int c = 0; c < components; ++c) {
    const jpeg_component_info& info = src->comp_info[c];
    planes.HSamp[c] = info.h_samp_factor;
    planes.VSamp[c] = info.v_samp_factor;
    planes.MaxH = std::max(planes.MaxH, info.h_samp_factor);
    planes.MaxV = std::max(planes.MaxV, info.v_samp_factor);
    planes.BlocksWide[c] = int32_t(info.width_in_blocks);
    planes.BlocksHigh[c] = int32_t(info.height_in_blocks);
    planes.Planes[c].assign(size_t(planes.BlocksWide[c]) * size_t(planes.BlocksHigh[c]), 0);
  }
  return true;
}

void ReduceDcRows(TDcPlanes& planes, int c, int32_t quant0, const JBLOCKROW* rows, int32_t first, int32_t end) {
  const int32_t bw = planes.BlocksWide[c];
  end = std::min(end, planes.BlocksHigh[c]);
  for (int32_t by = first; by < end; ++by) {
    const JBLOCKROW row = rows[by];
    uint8_t* out = planes.Planes[c].data() + size_t(by) * size_t(bw);
    for (int32_t bx = 0; bx < bw; ++bx) {
      // An 8 × 8 inverse DCT of the DC term alone: DC × q / 8, around mid-grey.
      const int32_t v = ((int32_t(row[bx][0]) * quant0 + 4) >> 3) + 128;
      out[bx] = uint8_t(std::clamp(v, 0, 255));
    }
  }
}

void CombineDcPlanes(const TDcPlanes& planes, TJpegReduced& reduced) {
  const int32_t w = (planes.Width + 7) / 8, h = (planes.Height + 7) / 8;
  const int components = planes.Components;
  if (w <= 0 || h <= 0 || (components != 1 && components != 3)) return;
  reduced.Bgr.assign(size_t(w) * size_t(h) * 3, 0);
  // Which block of each plane an output pixel takes, by column (rows are found once a row).
  std::vector<int32_t> columns[3];
  for (int c = 0; c < components; ++c) {
    columns[c].resize(size_t(w));
    for (int32_t x = 0; x < w; ++x)
      columns[c][size_t(x)] = std::min(planes.BlocksWide[c] - 1, x * planes.HSamp[c] / planes.MaxH);
  }
  // YCbCr to RGB in 16-bit fixed point, rounded: the JFIF constants.
  constexpr int32_t One = 1 << 16, Half = 1 << 15;
  constexpr int32_t CbToB = int32_t(1.772 * One + 0.5), CbToG = int32_t(0.344136 * One + 0.5);
  constexpr int32_t CrToG = int32_t(0.714136 * One + 0.5), CrToR = int32_t(1.402 * One + 0.5);
  const auto level = [](int32_t value) { return uint8_t(std::clamp(value >> 16, 0, 255)); };
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* rows[3] = {};
    for (int c = 0; c < components; ++c) {
      const int32_t by = std::min(planes.BlocksHigh[c] - 1, y * planes.VSamp[c] / planes.MaxV);
      rows[c] = planes.Planes[c].data() + size_t(by) * size_t(planes.BlocksWide[c]);
    }
    uint8_t* p = reduced.Bgr.data() + size_t(y) * size_t(w) * 3;
    if (components == 1) {
      for (int32_t x = 0; x < w; ++x, p += 3) p[0] = p[1] = p[2] = rows[0][columns[0][size_t(x)]];
      continue;
    }
    for (int32_t x = 0; x < w; ++x, p += 3) {
      const int32_t yy = int32_t(rows[0][columns[0][size_t(x)]]) * One + Half;
      const int32_t cb = int32_t(rows[1][columns[1][size_t(x)]]) - 128, cr = int32_t(rows[2][columns[2][size_t(x)]]) - 128;
      p[0] = level(yy + CbToB * cb);
      p[1] = level(yy - CbToG * cb - CrToG * cr);
      p[2] = level(yy + CrToR * cr);
    }
  }
  reduced.Width = w;
  reduced.Height = h;
}

void ReduceFromDc(j_decompress_ptr src, jvirt_barray_ptr* from, TJpegReduced& reduced) {
  TDcPlanes planes;
  if (!InitDcPlanes(src, planes)) return;
  std::vector<JBLOCKROW> rows;
  for (int c = 0; c < planes.Components; ++c) {
    const jpeg_component_info& info = src->comp_info[c];
    rows.assign(size_t(planes.BlocksHigh[c]), nullptr);
    for (int32_t by = 0; by < planes.BlocksHigh[c]; ++by)
      rows[size_t(by)] = (*src->mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(src), from[c], JDIMENSION(by),
                                                         1, FALSE)[0];
    ReduceDcRows(planes, c, info.quant_table ? info.quant_table->quantval[0] : 1, rows.data(), 0, planes.BlocksHigh[c]);
  }
  CombineDcPlanes(planes, reduced);
}
