#pragma once
// What the engine's libjpeg files share: the error manager, a picture from the blocks' DC terms,
// and the coefficients read ahead on another thread as a save sees them.

#include "QvJpegEngineCore.h"

#include <atomic>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <mutex>
#include <vector>

#include <jpeglib.h>

struct TEngineError {
  jpeg_error_mgr Manager;
  jmp_buf Jump;
};
// Errors jump to Jump; corrupt-data warnings count as errors, as in the decoder: a picture that is
// not what the file holds must never be copied into a saved file.
void InstallEngineErrors(TEngineError& error);
// Creates src on the bytes and reads their header; no picture there is an error.
void ReadEngineHeader(j_decompress_ptr src, const uint8_t* data, unsigned long size);

// A decoder multiplies by the quantisation values, an encoder divides by them: a table holding a
// zero decodes but cannot be used to encode (libjpeg would divide by zero).
inline bool HasZeroQuantValue(const JQUANT_TBL* table) {
  if (!table) return false;
  for (int k = 0; k < DCTSIZE2; ++k)
    if (table->quantval[k] == 0) return true;
  return false;
}

inline int32_t CeilDiv(int64_t a, int64_t b) { return int32_t((a + b - 1) / b); }

// Each block's mean (8 × its DC term, dequantised) per component: one byte a block.
struct TDcPlanes {
  int32_t Width = 0, Height = 0;  // the picture's, in pixels
  int Components = 0, MaxH = 1, MaxV = 1;
  int HSamp[3] = {}, VSamp[3] = {};
  int32_t BlocksWide[3] = {}, BlocksHigh[3] = {};
  std::vector<uint8_t> Planes[3];
};
// Sizes the planes after the source's header; false for a picture they cannot show (neither grey
// nor three components). May throw when memory runs out.
bool InitDcPlanes(j_decompress_ptr src, TDcPlanes& planes);
// Block rows [first, end) of component c (rows[by] is block row by), its DC quantised by quant0;
// rows beyond the picture's blocks are left out.
void ReduceDcRows(TDcPlanes& planes, int c, int32_t quant0, const JBLOCKROW* rows, int32_t first, int32_t end);
// The planes as one blue-green-red picture at an eighth of the picture's size.
void CombineDcPlanes(const TDcPlanes& planes, TJpegReduced& reduced);
// All of it from the coefficient arrays of a whole read.
void ReduceFromDc(j_decompress_ptr src, jvirt_barray_ptr* from, TJpegReduced& reduced);

// What the reading thread of TJpegCoefficientsAhead shares with the save. The reader fills the
// fields above Lock before it says Realized or Done; the save reads them after.
struct TJpegHeldSource {
  const uint8_t* Data = nullptr;
  uint64_t Size = 0;
  jpeg_decompress_struct Src{};
  TEngineError Error{};
  // One scan writes every block once, from the top down: a save may follow right behind it.
  bool OneScan = false;
  jvirt_barray_ptr Arrays[MAX_COMPONENTS] = {};  // in component order
  int ArrayCount = 0;
  std::vector<JBLOCKROW> Rows[MAX_COMPONENTS];  // each array's block rows, as the reader reaches them
  TDcPlanes Dc;
  bool HasDc = false;
  jvirt_barray_ptr* Coefficients = nullptr;  // once Done and Read
  // The reader's memory manager's own methods, which its wrappers call.
  jvirt_barray_ptr (*SrcRequest)(j_common_ptr, int, boolean, JDIMENSION, JDIMENSION, JDIMENSION) = nullptr;
  void (*SrcRealize)(j_common_ptr) = nullptr;
  JBLOCKARRAY (*SrcAccess)(j_common_ptr, jvirt_barray_ptr, JDIMENSION, JDIMENSION, boolean) = nullptr;
  // The following save's own access method (its other arrays go through it).
  JBLOCKARRAY (*DstAccess)(j_common_ptr, jvirt_barray_ptr, JDIMENSION, JDIMENSION, boolean) = nullptr;

  JDIMENSION RowBlocks[MAX_COMPONENTS] = {};   // each array's blocks per row

  // For one scan and a caller that changes only a few rows, the blocks live in a ring of MCU rows
  // instead of whole arrays: MCU row m in slot m % RingRows, which the reader fills again only once
  // the save has passed row m. Memory for a few rows, and no fresh pages for each one.
  int32_t SpanRows = 0;  // the tallest run of pixel rows the caller may change (0: whole arrays)
  uint32_t RingRows = 0;
  JBLOCKROW Ring[MAX_COMPONENTS] = {};
  // Called by the save before it writes MCU row m (each m once, rising), to put the changed
  // blocks in; false fails the save.
  bool (*BeforeRow)(void* context, uint32_t m) = nullptr;
  void* BeforeRowContext = nullptr;

  // Changed under Lock (for Moved), read with or without it.
  std::mutex Lock;
  std::condition_variable Moved;
  std::atomic<bool> Realized{false};  // the arrays exist
  std::atomic<bool> Done{false};      // the read ended, whole (Read) or not
  std::atomic<bool> Read{false};
  std::atomic<JDIMENSION> Reached[MAX_COMPONENTS] = {};  // how many block rows of each array are complete
  std::atomic<uint32_t> WriterRow{0};  // the MCU row the save is at: the ring's rows above it are free
  std::atomic<bool> Stop{false};       // the owner goes: a reader waiting for room gives up

  // The save's own: when it reads each block row once, from the top, the rows it has passed go
  // back to the system as it goes.
  bool ReleaseBehind = false;
  uintptr_t ReleasedTo[MAX_COMPONENTS] = {};  // the address below which an array is given back
  bool Scattered[MAX_COMPONENTS] = {};        // its rows are not one run: none are given back

  int IndexOf(jvirt_barray_ptr array) const {
    for (int i = 0; i < ArrayCount; ++i)
      if (Arrays[i] == array) return i;
    return -1;
  }
};

// Makes dst's accesses to the held arrays wait until the reader has completed the rows asked
// for; one it can no longer complete (the read failed) is an error of dst.
void FollowHeldSource(j_compress_ptr dst, TJpegHeldSource* held);
// Waits for the end of the read; true when it read the whole source. Never for a ring, whose
// reader waits for the save.
bool AwaitHeldSource(TJpegHeldSource* held);
// From now on the save reads each block row of the held arrays once, from the top down: the rows
// above the last one it asked for go back to the system.
void ReleaseHeldRowsBehind(TJpegHeldSource* held);
