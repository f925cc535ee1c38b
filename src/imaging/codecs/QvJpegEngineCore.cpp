// The lossless engine's libjpeg work on the save side: turned and cut coefficients, blocks
// recompressed from pixels, the written file. libjpeg reports errors through a function that must
// not return, so the functions here that hold a jmp_buf keep only plain locals and libjpeg-owned
// memory: the jump skips no destructor.

#include "QvJpegEngineLib.h"
#include "QvProgress.h"

#include "QvCodecInternal.h"

#include <algorithm>
#include <climits>
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace {

[[noreturn]] void OnEngineError(j_common_ptr info) {
  auto* error = reinterpret_cast<TEngineError*>(info->err);
  longjmp(error->Jump, 1);
}

void OnEngineMessage(j_common_ptr info, int level) {
  if (level < 0 && IsJpegDamageWarning(info->err->msg_code)) OnEngineError(info);
}

}  // namespace

void InstallEngineErrors(TEngineError& error) {
  jpeg_std_error(&error.Manager);
  error.Manager.error_exit = OnEngineError;
  error.Manager.emit_message = OnEngineMessage;
}

void ReadEngineHeader(j_decompress_ptr src, const uint8_t* data, unsigned long size) {
  jpeg_create_decompress(src);
  jpeg_mem_src(src, data, size);
  if (jpeg_read_header(src, TRUE) != JPEG_HEADER_OK) ERREXIT(src, JERR_NO_IMAGE);
}

namespace {

void RefuseZeroQuantTables(j_compress_ptr info) {
  for (int slot = 0; slot < NUM_QUANT_TBLS; ++slot)
    if (HasZeroQuantValue(info->quant_tbl_ptrs[slot])) ERREXIT1(info, JERR_NO_QUANT_TABLE, slot);
}

// ---- compressed bytes into a std::vector that grows by doubling ----

struct TVectorDestination {
  jpeg_destination_mgr Manager;
  std::vector<uint8_t>* Out;
};

void InitVectorDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<TVectorDestination*>(info->dest);
  bool ok = true;
  try {
    destination->Out->resize(destination->Out->capacity() > 65536 ? destination->Out->capacity() : 65536);
  } catch (...) {
    ok = false;
  }
  if (!ok) ERREXIT(info, JERR_OUT_OF_MEMORY);
  destination->Manager.next_output_byte = destination->Out->data();
  destination->Manager.free_in_buffer = destination->Out->size();
}

boolean GrowVectorDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<TVectorDestination*>(info->dest);
  const size_t used = destination->Out->size();
  bool ok = true;
  try {
    destination->Out->resize(used * 2);
  } catch (...) {
    ok = false;
  }
  if (!ok) ERREXIT(info, JERR_OUT_OF_MEMORY);
  destination->Manager.next_output_byte = destination->Out->data() + used;
  destination->Manager.free_in_buffer = destination->Out->size() - used;
  return TRUE;
}

void TermVectorDestination(j_compress_ptr info) {
  auto* destination = reinterpret_cast<TVectorDestination*>(info->dest);
  destination->Out->resize(destination->Out->size() - destination->Manager.free_in_buffer);
}

void UseVectorDestination(j_compress_ptr info, TVectorDestination* destination, std::vector<uint8_t>* out) {
  destination->Out = out;
  destination->Manager.init_destination = InitVectorDestination;
  destination->Manager.empty_output_buffer = GrowVectorDestination;
  destination->Manager.term_destination = TermVectorDestination;
  info->dest = &destination->Manager;
}

// ---- coefficients ----

// Where each coefficient of a turned block comes from, and whether it changes sign. A mirror
// negates the odd frequencies along its axis; a transpose swaps the two frequency indices.
struct TBlockMap {
  uint8_t From[DCTSIZE2];
  int16_t Sign[DCTSIZE2];  // 1 or -1
  bool Plain;
};

void MakeBlockMap(const TJpegGeometry* g, TBlockMap* map) {
  map->Plain = !g->Transpose && !g->FlipX && !g->FlipY;
  for (int v = 0; v < DCTSIZE; ++v) {
    for (int u = 0; u < DCTSIZE; ++u) {
      const int index = v * DCTSIZE + u;
      map->From[index] = uint8_t(g->Transpose ? u * DCTSIZE + v : index);
      const bool negate = ((g->FlipX && (u & 1)) != 0) != ((g->FlipY && (v & 1)) != 0);
      map->Sign[index] = negate ? -1 : 1;
    }
  }
}

void TurnBlock(const JCOEF* in, JCOEF* out, const TBlockMap* map) {
  if (map->Plain) {
    std::memcpy(out, in, sizeof(JBLOCK));
    return;
  }
  for (int k = 0; k < DCTSIZE2; ++k) out[k] = JCOEF(in[map->From[k]] * map->Sign[k]);
}

// Sizes of the result's coefficient arrays, in blocks, per component: whole MCUs.
struct TOutLayout {
  int32_t McuWidth, McuHeight;  // pixels
  int32_t Blocks[MAX_COMPONENTS][2];
};

void MakeOutLayout(j_compress_ptr dst, const TJpegGeometry* g, TOutLayout* layout) {
  layout->McuWidth = DCTSIZE * dst->max_h_samp_factor;
  layout->McuHeight = DCTSIZE * dst->max_v_samp_factor;
  for (int c = 0; c < dst->num_components; ++c) {
    layout->Blocks[c][0] = CeilDiv(g->OutWidth, layout->McuWidth) * dst->comp_info[c].h_samp_factor;
    layout->Blocks[c][1] = CeilDiv(g->OutHeight, layout->McuHeight) * dst->comp_info[c].v_samp_factor;
  }
}

// dst's max sampling factors are only computed by jpeg_write_coefficients; the layout needs them first.
void ComputeMaxFactors(j_compress_ptr dst) {
  dst->max_h_samp_factor = 1;
  dst->max_v_samp_factor = 1;
  for (int c = 0; c < dst->num_components; ++c) {
    if (dst->comp_info[c].h_samp_factor > dst->max_h_samp_factor) dst->max_h_samp_factor = dst->comp_info[c].h_samp_factor;
    if (dst->comp_info[c].v_samp_factor > dst->max_v_samp_factor) dst->max_v_samp_factor = dst->comp_info[c].v_samp_factor;
  }
}

void FillTurned(j_decompress_ptr src, jvirt_barray_ptr* from, j_compress_ptr dst, jvirt_barray_ptr* to,
                const TJpegGeometry* g, const TOutLayout* layout) {
  TBlockMap map;
  MakeBlockMap(g, &map);
  for (int c = 0; c < dst->num_components; ++c) {
    const jpeg_component_info& in = src->comp_info[c];
    const int32_t sourceWide = CeilDiv(in.width_in_blocks, in.h_samp_factor) * in.h_samp_factor;
    const int32_t sourceHigh = CeilDiv(in.height_in_blocks, in.v_samp_factor) * in.v_samp_factor;
    const int32_t planeWide = g->Transpose ? sourceHigh : sourceWide;
    const int32_t planeHigh = g->Transpose ? sourceWide : sourceHigh;
    const int32_t offsetX = (g->PlaneX / layout->McuWidth) * dst->comp_info[c].h_samp_factor;
    const int32_t offsetY = (g->PlaneY / layout->McuHeight) * dst->comp_info[c].v_samp_factor;
    auto* rows = static_cast<JBLOCKROW*>((*dst->mem->alloc_small)(reinterpret_cast<j_common_ptr>(dst), JPOOL_IMAGE,
                                                                 size_t(sourceHigh) * sizeof(JBLOCKROW)));
    for (int32_t sy = 0; sy < sourceHigh; ++sy)
      rows[sy] = (*src->mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(src), from[c], JDIMENSION(sy), 1, FALSE)[0];
    const int32_t wide = layout->Blocks[c][0], high = layout->Blocks[c][1];
    auto* outRows = static_cast<JBLOCKROW*>((*dst->mem->alloc_small)(reinterpret_cast<j_common_ptr>(dst), JPOOL_IMAGE,
                                                                    size_t(high) * sizeof(JBLOCKROW)));
    for (int32_t by = 0; by < high; ++by)
      outRows[by] = (*dst->mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(dst), to[c], JDIMENSION(by), 1, TRUE)[0];
    // Tiles of 8 × 8 blocks: a transpose reads a source tile row by row as it writes the result's
    // tile column by column, so both stay in the cache.
    constexpr int32_t Tile = 8;
    for (int32_t by0 = 0; by0 < high; by0 += Tile) {
      const int32_t byEnd = by0 + Tile < high ? by0 + Tile : high;
      for (int32_t bx0 = 0; bx0 < wide; bx0 += Tile) {
        const int32_t bxEnd = bx0 + Tile < wide ? bx0 + Tile : wide;
        for (int32_t by = by0; by < byEnd; ++by) {
          JBLOCKROW out = outRows[by];
          const int32_t ty = by + offsetY;
          for (int32_t bx = bx0; bx < bxEnd; ++bx) {
            const int32_t tx = bx + offsetX;
            if (tx >= planeWide || ty >= planeHigh) {
              std::memset(out[bx], 0, sizeof(JBLOCK));
              continue;
            }
            const int32_t x1 = g->FlipX ? planeWide - 1 - tx : tx;
            const int32_t y1 = g->FlipY ? planeHigh - 1 - ty : ty;
            const int32_t sx = g->Transpose ? y1 : x1;
            const int32_t sy = g->Transpose ? x1 : y1;
            TurnBlock(rows[sy][sx], out[bx], &map);
          }
        }
      }
    }
  }
}

// The result's parameters on a fresh compressor, for a piece encoded from pixels.
void CopyOutputParameters(j_compress_ptr dst, j_compress_ptr piece) {
  piece->input_components = 3;
  piece->in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(piece);
  jpeg_set_colorspace(piece, dst->jpeg_color_space);
  if (piece->num_components != dst->num_components) ERREXIT(piece, JERR_COMPONENT_COUNT);
  for (int c = 0; c < dst->num_components; ++c) {
    piece->comp_info[c].h_samp_factor = dst->comp_info[c].h_samp_factor;
    piece->comp_info[c].v_samp_factor = dst->comp_info[c].v_samp_factor;
    piece->comp_info[c].quant_tbl_no = dst->comp_info[c].quant_tbl_no;
  }
  for (int slot = 0; slot < NUM_QUANT_TBLS; ++slot) {
    if (!dst->quant_tbl_ptrs[slot]) continue;
    if (!piece->quant_tbl_ptrs[slot]) piece->quant_tbl_ptrs[slot] = jpeg_alloc_quant_table(reinterpret_cast<j_common_ptr>(piece));
    std::memcpy(piece->quant_tbl_ptrs[slot]->quantval, dst->quant_tbl_ptrs[slot]->quantval, sizeof(UINT16) * DCTSIZE2);
    piece->quant_tbl_ptrs[slot]->sent_table = FALSE;
  }
  piece->dct_method = JDCT_ISLOW;
  piece->optimize_coding = FALSE;
  piece->write_JFIF_header = FALSE;
  piece->write_Adobe_marker = FALSE;
}

// The rows count towards the progress of the whole save as the pixels they hold: doneBefore of
// the total were written before the first of them.
void WritePixelRows(j_compress_ptr info, const uint8_t* first, int64_t stride, int32_t left, int32_t top,
                    int32_t height, int64_t doneBefore, int64_t total) {
  for (int32_t y = 0; y < height;) {
    JSAMPROW rows[16];
    const int32_t n = height - y < 16 ? height - y : 16;
    for (int32_t k = 0; k < n; ++k) rows[k] = const_cast<JSAMPROW>(first + int64_t(top + y + k) * stride + int64_t(left) * 3);
    const JDIMENSION written = jpeg_write_scanlines(info, rows, JDIMENSION(n));
    if (written == 0) ERREXIT(info, JERR_BAD_BUFFER_MODE);
    y += int32_t(written);
    QvReportProgress(doneBefore + int64_t(y) * info->image_width, total);
  }
}

int64_t RectPixels(const TJpegPixelRect* rect) {
  return rect->Right > rect->Left && rect->Bottom > rect->Top
             ? int64_t(rect->Right - rect->Left) * (rect->Bottom - rect->Top)
             : 0;
}

// Encodes one MCU-aligned rectangle of the pixels with the result's tables and sampling, and puts
// its coefficients into the result's arrays. doneBefore and total: the progress of the whole save,
// in pixels, as for WritePixelRows.
bool RecompressRect(j_compress_ptr dst, jvirt_barray_ptr* to, const TOutLayout* layout, const TJpegSaveJob* job,
                    const TJpegPixelRect* rect, std::vector<uint8_t>* scratch, int64_t doneBefore, int64_t total) {
  jpeg_compress_struct piece;
  jpeg_decompress_struct back;
  TEngineError error;
  TVectorDestination destination;
  std::memset(&piece, 0, sizeof piece);
  std::memset(&back, 0, sizeof back);
  InstallEngineErrors(error);
  piece.err = &error.Manager;
  back.err = &error.Manager;
  if (setjmp(error.Jump)) {
    jpeg_destroy_compress(&piece);
    jpeg_destroy_decompress(&back);
    return false;
  }
  const int32_t width = rect->Right - rect->Left, height = rect->Bottom - rect->Top;
  if (width <= 0 || height <= 0 || rect->Left % layout->McuWidth != 0 || rect->Top % layout->McuHeight != 0)
    return false;
  jpeg_create_compress(&piece);
  UseVectorDestination(&piece, &destination, scratch);
  piece.image_width = JDIMENSION(width);
  piece.image_height = JDIMENSION(height);
  CopyOutputParameters(dst, &piece);
  RefuseZeroQuantTables(&piece);
  jpeg_start_compress(&piece, TRUE);
  WritePixelRows(&piece, job->Pixels, job->Stride, rect->Left, rect->Top, height, doneBefore, total);
  jpeg_finish_compress(&piece);
  jpeg_destroy_compress(&piece);

  ReadEngineHeader(&back, scratch->data(), static_cast<unsigned long>(scratch->size()));
  jvirt_barray_ptr* from = jpeg_read_coefficients(&back);
  for (int c = 0; c < dst->num_components; ++c) {
    const int32_t h = dst->comp_info[c].h_samp_factor, v = dst->comp_info[c].v_samp_factor;
    const int32_t x0 = rect->Left / layout->McuWidth * h, y0 = rect->Top / layout->McuHeight * v;
    const int32_t wide = CeilDiv(width, layout->McuWidth) * h, high = CeilDiv(height, layout->McuHeight) * v;
    if (back.comp_info[c].h_samp_factor != h || back.comp_info[c].v_samp_factor != v ||
        x0 + wide > layout->Blocks[c][0] || y0 + high > layout->Blocks[c][1])
      ERREXIT(&back, JERR_BAD_CROP_SPEC);
    for (int32_t y = 0; y < high; ++y) {
      JBLOCKROW in = (*back.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&back), from[c], JDIMENSION(y), 1, FALSE)[0];
      JBLOCKROW out = (*dst->mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(dst), to[c], JDIMENSION(y0 + y), 1, TRUE)[0];
      std::memcpy(out + x0, in, size_t(wide) * sizeof(JBLOCK));
    }
  }
  jpeg_finish_decompress(&back);
  jpeg_destroy_decompress(&back);
  return true;
}

void TransposeTables(j_compress_ptr dst) {
  for (int slot = 0; slot < NUM_QUANT_TBLS; ++slot) {
    JQUANT_TBL* table = dst->quant_tbl_ptrs[slot];
    if (!table) continue;
    for (int v = 0; v < DCTSIZE; ++v) {
      for (int u = v + 1; u < DCTSIZE; ++u) {
        const UINT16 keep = table->quantval[v * DCTSIZE + u];
        table->quantval[v * DCTSIZE + u] = table->quantval[u * DCTSIZE + v];
        table->quantval[u * DCTSIZE + v] = keep;
      }
    }
  }
}

void SetOutputGeometry(j_compress_ptr dst, const TJpegGeometry* g, bool progressive) {
  dst->image_width = JDIMENSION(g->OutWidth);
  dst->image_height = JDIMENSION(g->OutHeight);
  if (g->Transpose) {
    for (int c = 0; c < dst->num_components; ++c) {
      const int h = dst->comp_info[c].h_samp_factor;
      dst->comp_info[c].h_samp_factor = dst->comp_info[c].v_samp_factor;
      dst->comp_info[c].v_samp_factor = h;
    }
    TransposeTables(dst);
  }
  // The source's own APP0/APP14 segments are copied as they were.
  dst->write_JFIF_header = FALSE;
  dst->write_Adobe_marker = FALSE;
  dst->dct_method = JDCT_ISLOW;
  if (progressive) jpeg_simple_progression(dst);
  ComputeMaxFactors(dst);
}

void WriteMarkers(j_compress_ptr dst, const TJpegSaveJob* job) {
  for (int32_t i = 0; i < job->MarkerCount; ++i) {
    const TJpegMarkerOut& marker = job->Markers[i];
    if (marker.Size > 65533) continue;
    jpeg_write_marker(dst, marker.Code, marker.Data, marker.Size);
  }
}

// A Follow save's changed blocks, put in as the encoder comes to the MCU row each starts in: the
// reader then need hold no more than the rows between them and the encoder.
struct TRectsOnTheWay {
  j_compress_ptr Dst;
  jvirt_barray_ptr* To;
  const TOutLayout* Layout;
  const TJpegSaveJob* Job;
  std::vector<uint8_t>* Scratch;
  int64_t Done, Total;  // progress in pixels
  int64_t DoneBelow;    // every rectangle starting in MCU rows up to this one is in
  int32_t Count;        // how many are in
};

bool PutRectsStartingBy(void* context, uint32_t m) {
  auto* rects = static_cast<TRectsOnTheWay*>(context);
  if (int64_t(m) <= rects->DoneBelow) return true;
  const int32_t mcuHeight = rects->Layout->McuHeight;
  for (int32_t i = 0; i < rects->Job->RectCount; ++i) {
    const TJpegPixelRect* rect = rects->Job->Rects + i;
    const int64_t top = rect->Top / mcuHeight;
    if (top <= rects->DoneBelow || top > int64_t(m)) continue;
    if (!rects->Job->Pixels || !RecompressRect(rects->Dst, rects->To, rects->Layout, rects->Job, rect,
                                               rects->Scratch, rects->Done, rects->Total))
      return false;
    rects->Done += RectPixels(rect);
    ++rects->Count;
  }
  rects->DoneBelow = m;
  return true;
}

// How a save uses coefficients read ahead.
enum class THeldUse {
  None,    // it reads the source itself
  Whole,   // the read is complete: its decompressor is the save's source
  Follow,  // the save reads the header itself and follows right behind the reader through its arrays
};

// markersLater: a Follow save leaves the markers out (the caller puts them in after SOI once the
// read is complete, when the thumbnail can be made).
bool SaveCore(const TJpegSaveJob* job, TJpegHeldSource* held, THeldUse use, bool markersLater,
              std::vector<uint8_t>* out, std::vector<uint8_t>* scratch) {
  jpeg_decompress_struct own;
  jpeg_compress_struct dst;
  TEngineError error;
  TVectorDestination destination;
  std::memset(&own, 0, sizeof own);
  std::memset(&dst, 0, sizeof dst);
  InstallEngineErrors(error);
  // A whole read comes with its decompressor, which reports to this save from now on.
  j_decompress_ptr src = use == THeldUse::Whole ? &held->Src : &own;
  src->err = &error.Manager;
  dst.err = &error.Manager;
  if (setjmp(error.Jump)) {
    jpeg_destroy_compress(&dst);
    jpeg_destroy_decompress(src);
    return false;
  }
  const TJpegGeometry* g = &job->Geometry;
  if (use != THeldUse::Whole) {
    ReadEngineHeader(src, job->Source, static_cast<unsigned long>(job->SourceSize));
  }
  jpeg_create_compress(&dst);
  UseVectorDestination(&dst, &destination, out);
  if (use == THeldUse::Follow) FollowHeldSource(&dst, held);

  if (job->Reencode) {
    if (!job->Pixels) ERREXIT(&dst, JERR_BAD_BUFFER_MODE);
    jpeg_copy_critical_parameters(src, &dst);
    dst.input_components = 3;
    dst.in_color_space = JCS_EXT_BGR;
    SetOutputGeometry(&dst, g, job->Progressive);
    RefuseZeroQuantTables(&dst);
    jpeg_start_compress(&dst, TRUE);
    WriteMarkers(&dst, job);
    WritePixelRows(&dst, job->Pixels, job->Stride, 0, 0, g->OutHeight, 0, int64_t(g->OutWidth) * g->OutHeight);
    jpeg_finish_compress(&dst);
    jpeg_destroy_compress(&dst);
    jpeg_destroy_decompress(src);
    return true;
  }

  jvirt_barray_ptr* from = use == THeldUse::Whole    ? held->Coefficients
                           : use == THeldUse::Follow ? held->Arrays
                                                     : jpeg_read_coefficients(src);
  if (job->ReducedSource && !markersLater) {
    try {
      if (use == THeldUse::Whole && held->HasDc) {
        TJpegReduced reduced;
        CombineDcPlanes(held->Dc, reduced);
        job->ReducedSource(reduced);
      } else {
        TJpegReduced reduced;
        ReduceFromDc(src, from, reduced);
        job->ReducedSource(reduced);
      }
    } catch (...) {
      // Without it the markers stay as they were given.
    }
  }
  jpeg_copy_critical_parameters(src, &dst);
  SetOutputGeometry(&dst, g, job->Progressive);
  TOutLayout layout;
  MakeOutLayout(&dst, g, &layout);
  if (g->PlaneX % layout.McuWidth != 0 || g->PlaneY % layout.McuHeight != 0) ERREXIT(&dst, JERR_BAD_CROP_SPEC);
  const bool untouched = !g->Transpose && !g->FlipX && !g->FlipY && g->PlaneX == 0 && g->PlaneY == 0 &&
                         JDIMENSION(g->OutWidth) == src->image_width && JDIMENSION(g->OutHeight) == src->image_height;
  jvirt_barray_ptr* to = from;
  if (!untouched) {
    to = static_cast<jvirt_barray_ptr*>((*dst.mem->alloc_small)(reinterpret_cast<j_common_ptr>(&dst), JPOOL_IMAGE,
                                                                sizeof(jvirt_barray_ptr) * size_t(dst.num_components)));
    for (int c = 0; c < dst.num_components; ++c)
      to[c] = (*dst.mem->request_virt_barray)(reinterpret_cast<j_common_ptr>(&dst), JPOOL_IMAGE, FALSE,
                                              JDIMENSION(layout.Blocks[c][0]), JDIMENSION(layout.Blocks[c][1]),
                                              JDIMENSION(dst.comp_info[c].v_samp_factor));
    (*dst.mem->realize_virt_arrays)(reinterpret_cast<j_common_ptr>(&dst));
    FillTurned(src, from, &dst, to, g, &layout);
  }
  // The rectangles fill one progress run between them, each by its pixels.
  int64_t rectPixels = 0;
  for (int32_t i = 0; i < job->RectCount; ++i) rectPixels += RectPixels(job->Rects + i);
  // Behind the reader of one pass over the blocks (each row once), the changed blocks go in on the
  // way and the rows written are no longer needed; otherwise they all go in first.
  const bool onePass = use == THeldUse::Follow && !job->Progressive && !dst.optimize_coding;
  TRectsOnTheWay rects{&dst, to, &layout, job, scratch, 0, rectPixels, -1, 0};
  if (onePass) {
    held->BeforeRow = PutRectsStartingBy;
    held->BeforeRowContext = &rects;
    ReleaseHeldRowsBehind(held);
  } else {
    if (use != THeldUse::None && held->RingRows > 0) ERREXIT(&dst, JERR_BAD_VIRTUAL_ACCESS);  // read once
    if (!PutRectsStartingBy(&rects, UINT32_MAX - 1)) ERREXIT(&dst, JERR_BAD_BUFFER_MODE);
  }
  jpeg_write_coefficients(&dst, to);
  if (!markersLater) WriteMarkers(&dst, job);
  jpeg_finish_compress(&dst);
  if (held) held->BeforeRow = nullptr;
  if (rects.Count != job->RectCount) ERREXIT(&dst, JERR_BAD_BUFFER_MODE);
  // A Follow save's own decompressor read only the header.
  if (use != THeldUse::Follow) jpeg_finish_decompress(src);
  jpeg_destroy_compress(&dst);
  jpeg_destroy_decompress(src);
  return true;
}

}  // namespace

namespace {

// After a Follow save: the thumbnail from the DC terms the reader took, then the markers (as the
// job's callback leaves them) written in after SOI.
bool InsertMarkersAfterStart(const TJpegSaveJob& job, TJpegHeldSource& held, std::vector<uint8_t>& out) {
  if (out.size() < 2 || out[0] != 0xFF || out[1] != 0xD8 || !AwaitHeldSource(&held)) return false;
  try {
    TJpegReduced reduced;
    if (held.HasDc) CombineDcPlanes(held.Dc, reduced);
    job.ReducedSource(reduced);
  } catch (...) {
    // Without it the markers stay as they were given.
  }
  try {
    std::vector<uint8_t> segments;
    for (int32_t i = 0; i < job.MarkerCount; ++i) {
      const TJpegMarkerOut& marker = job.Markers[i];
      if (marker.Size > 65533) continue;
      const uint32_t length = marker.Size + 2;
      segments.insert(segments.end(), {uint8_t(0xFF), uint8_t(marker.Code), uint8_t(length >> 8), uint8_t(length)});
      segments.insert(segments.end(), marker.Data, marker.Data + marker.Size);
    }
    out.insert(out.begin() + 2, segments.begin(), segments.end());
  } catch (...) {
    return false;
  }
  return true;
}

// Whether a save behind the reader can have the rows of each changed rectangle at once: a ring
// holds fewer rows than the picture, and the encoder's own row besides.
bool FitsTheRing(const TJpegSaveJob& job, const TJpegHeldSource& held) {
  if (held.RingRows == 0) return true;
  const int32_t mcuHeight = DCTSIZE * std::max(1, held.Src.max_v_samp_factor);
  for (int32_t i = 0; i < job.RectCount; ++i) {
    const TJpegPixelRect& rect = job.Rects[i];
    if (rect.Bottom <= rect.Top) continue;
    const int64_t rows = (rect.Bottom - 1) / mcuHeight - rect.Top / mcuHeight + 1;
    if (rows >= int64_t(held.RingRows)) return false;
  }
  return true;
}

}  // namespace

bool JpegEngineSave(const TJpegSaveJob& job, std::vector<uint8_t>& out) {
  if (!job.Source || job.SourceSize < 4 || job.SourceSize > ULONG_MAX || job.Geometry.OutWidth <= 0 ||
      job.Geometry.OutHeight <= 0)
    return false;
  std::vector<uint8_t> scratch;
  out.clear();
  try {
    out.reserve(size_t(job.SourceSize) + 65536);
  } catch (...) {
    return false;
  }
  // A fresh encoding reads no coefficients: what was read ahead is left to its owner.
  TJpegHeldSource* held = job.Ahead && !job.Reencode ? job.Ahead->Take(job.Source, job.SourceSize) : nullptr;
  THeldUse use = THeldUse::None;
  if (held) {
    // Only blocks copied where they lie can be encoded in the order the reader fills them.
    const TJpegGeometry& g = job.Geometry;
    const bool inPlace = !g.Transpose && !g.FlipX && !g.FlipY && g.PlaneX == 0 && g.PlaneY == 0 &&
                         JDIMENSION(g.OutWidth) == held->Src.image_width &&
                         JDIMENSION(g.OutHeight) == held->Src.image_height;
    if (held->OneScan && inPlace && !job.Progressive && FitsTheRing(job, *held)) use = THeldUse::Follow;
    else if (held->RingRows == 0 && AwaitHeldSource(held)) use = THeldUse::Whole;
    // Otherwise the few rows of a ring are of no use: the save reads the source itself.
    if (use == THeldUse::None) held = nullptr;
  }
  // The thumbnail needs every block's DC term, and its marker comes before them all.
  const bool markersLater = use == THeldUse::Follow && job.ReducedSource;
  bool ok = SaveCore(&job, held, use, markersLater, &out, &scratch);
  if (ok && markersLater) ok = InsertMarkersAfterStart(job, *held, out);
  if (!ok) out.clear();
  return ok;
}
