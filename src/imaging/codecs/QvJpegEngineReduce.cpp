// A picture at an eighth of its size from the DC coefficients of its blocks.
#include "QvJpegEngineCore.h"

#include <algorithm>
#include <cstdio>

#include <jpeglib.h>

// The source at an eighth of its size from the blocks' DC coefficients, which the coefficients
// read for the save hold anyway: each output pixel is the mean of its 8 × 8 block (of the block
// its chroma samples fall in), without a second pass over the entropy-coded data.
void ReduceFromDc(j_decompress_ptr src, jvirt_barray_ptr* from, TJpegReduced& reduced) {
  const int32_t w = int32_t((src->image_width + 7) / 8), h = int32_t((src->image_height + 7) / 8);
  const int components = src->num_components;
  if (w <= 0 || h <= 0 || (components != 1 && components != 3)) return;
  reduced.Bgr.assign(size_t(w) * size_t(h) * 3, 0);
  std::vector<uint8_t> planes[3];
  for (int c = 0; c < components; ++c) {
    const jpeg_component_info& info = src->comp_info[c];
    const JQUANT_TBL* quant = info.quant_table;
    const int32_t q0 = quant ? quant->quantval[0] : 1;
    const int32_t bw = int32_t(info.width_in_blocks), bh = int32_t(info.height_in_blocks);
    planes[c].assign(size_t(bw) * size_t(bh), 0);
    for (int32_t by = 0; by < bh; ++by) {
      JBLOCKROW row = (*src->mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(src), from[c], JDIMENSION(by), 1,
                                                      FALSE)[0];
      for (int32_t bx = 0; bx < bw; ++bx) {
        // An 8 × 8 inverse DCT of the DC term alone: DC × q / 8, around mid-grey.
        const int32_t dc = int32_t(row[bx][0]) * q0;
        const int32_t v = ((dc + 4) >> 3) + 128;
        planes[c][size_t(by) * size_t(bw) + size_t(bx)] = uint8_t(std::clamp(v, 0, 255));
      }
    }
  }
  const int maxH = src->max_h_samp_factor, maxV = src->max_v_samp_factor;
  for (int32_t y = 0; y < h; ++y) {
    for (int32_t x = 0; x < w; ++x) {
      int32_t v[3] = {0, 128, 128};
      for (int c = 0; c < components; ++c) {
        const jpeg_component_info& info = src->comp_info[c];
        const int32_t bw = int32_t(info.width_in_blocks), bh = int32_t(info.height_in_blocks);
        const int32_t bx = std::min(bw - 1, x * info.h_samp_factor / maxH);
        const int32_t by = std::min(bh - 1, y * info.v_samp_factor / maxV);
        v[c] = planes[c][size_t(by) * size_t(bw) + size_t(bx)];
      }
      uint8_t* p = reduced.Bgr.data() + (size_t(y) * size_t(w) + size_t(x)) * 3;
      if (components == 1) {
        p[0] = p[1] = p[2] = uint8_t(v[0]);
        continue;
      }
      const double yy = v[0], cb = v[1] - 128.0, cr = v[2] - 128.0;
      const auto level = [](double value) { return uint8_t(std::clamp(int(value + 0.5), 0, 255)); };
      p[0] = level(yy + 1.772 * cb);
      p[1] = level(yy - 0.344136 * cb - 0.714136 * cr);
      p[2] = level(yy + 1.402 * cr);
    }
  }
  reduced.Width = w;
  reduced.Height = h;
}
