// The source's coefficients read on a second thread for the save that follows. The reader's
// memory manager is wrapped to learn the arrays and how far each is filled; a save of one scan's
// blocks then follows right behind the reader instead of waiting for its end.
#include "QvJpegEngineLib.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include <jerror.h>
#include <sys/mman.h>
#include <unistd.h>

namespace {

constexpr uintptr_t ReleaseStep = uintptr_t(1) << 20;
// MCU rows a ring's reader may be ahead of the save: enough to overlap its work with the caller's
// before the save begins.
constexpr uint32_t RingRowsAhead = 32;

TJpegHeldSource* HeldOf(j_common_ptr info) { return static_cast<TJpegHeldSource*>(info->client_data); }

int32_t QuantZero(const jpeg_component_info& info) { return info.quant_table ? info.quant_table->quantval[0] : 1; }

JDIMENSION RowCount(const TJpegHeldSource* held, int c) { return JDIMENSION(held->Rows[c].size()); }

jvirt_barray_ptr RequestRecorded(j_common_ptr info, int pool, boolean preZero, JDIMENSION blocksPerRow,
                                 JDIMENSION rows, JDIMENSION maxAccess) {
  TJpegHeldSource* held = HeldOf(info);
  // A ring's arrays are only names: the blocks are in the ring.
  jvirt_barray_ptr array = held->RingRows > 0 ? held->SrcRequest(info, pool, preZero, blocksPerRow, 1, 1)
                                              : held->SrcRequest(info, pool, preZero, blocksPerRow, rows, maxAccess);
  if (held->ArrayCount < MAX_COMPONENTS) {
    held->Arrays[held->ArrayCount] = array;
    held->RowBlocks[held->ArrayCount] = blocksPerRow;
    // Sized here, filled as the reader reaches them; a failure leaves following off.
    try {
      held->Rows[held->ArrayCount].assign(rows, nullptr);
    } catch (...) {
      held->OneScan = false;
    }
    ++held->ArrayCount;
  }
  return array;
}

void PublishRealized(TJpegHeldSource* held) noexcept {
  j_decompress_ptr src = &held->Src;
  if (held->ArrayCount != src->num_components) held->OneScan = false;
  try {
    held->HasDc = InitDcPlanes(src, held->Dc);
  } catch (...) {
    held->HasDc = false;
  }
  {
    std::lock_guard<std::mutex> lock(held->Lock);
    held->Realized = true;
  }
  held->Moved.notify_all();
}

void RealizeRecorded(j_common_ptr info) {
  TJpegHeldSource* held = HeldOf(info);
  held->SrcRealize(info);
  if (held->RingRows > 0) {
    j_decompress_ptr src = &held->Src;
    if (held->ArrayCount != src->num_components) ERREXIT(info, JERR_BAD_VIRTUAL_ACCESS);
    for (int c = 0; c < held->ArrayCount; ++c) {
      const size_t rows = size_t(held->RingRows) * size_t(std::max(1, src->comp_info[c].v_samp_factor));
      held->Ring[c] = static_cast<JBLOCKROW>(
          (*info->mem->alloc_large)(info, JPOOL_IMAGE, rows * held->RowBlocks[c] * sizeof(JBLOCK)));
    }
  }
  PublishRealized(held);
}

// The MCU row that block row `row` of component c lies in.
uint32_t McuRowOf(const TJpegHeldSource* held, int c, JDIMENSION row) {
  return uint32_t(row / JDIMENSION(std::max(1, held->Src.comp_info[c].v_samp_factor)));
}

JBLOCKROW RingSlot(const TJpegHeldSource* held, int c, JDIMENSION row) {
  const JDIMENSION v = JDIMENSION(std::max(1, held->Src.comp_info[c].v_samp_factor));
  const size_t slot = size_t(row / v % held->RingRows) * v + row % v;
  return held->Ring[c] + slot * held->RowBlocks[c];
}

// Before the reader fills MCU row m of a ring: waits until the save has passed the row that slot
// held. False when the owner goes meanwhile.
bool AwaitRoom(TJpegHeldSource* held, uint32_t m) noexcept {
  const auto room = [&] { return held->Stop || m < held->WriterRow + held->RingRows; };
  if (!room()) {
    std::unique_lock<std::mutex> lock(held->Lock);
    held->Moved.wait(lock, room);
  }
  return !held->Stop;
}

// The reader asks for rows [start, start + count) to write: those above are complete, and in one
// scan never written again. Their DC terms are taken now, while they are in the cache and before a
// save behind the reader may change them.
void Advance(TJpegHeldSource* held, int c, JDIMENSION start, JDIMENSION count, JBLOCKARRAY rows) noexcept {
  std::vector<JBLOCKROW>& known = held->Rows[c];
  if (rows)
    for (JDIMENSION i = 0; i < count && start + i < known.size(); ++i) known[start + i] = rows[i];
  const JDIMENSION reached = held->Reached[c];  // only this thread writes it
  if (start <= reached) return;
  if (held->HasDc)
    ReduceDcRows(held->Dc, c, QuantZero(held->Src.comp_info[c]), known.data(), int32_t(reached), int32_t(start));
  {
    std::lock_guard<std::mutex> lock(held->Lock);
    held->Reached[c] = start;
  }
  held->Moved.notify_all();
}

// The reader's rows [start, start + count) of a ring: the rows above are complete, the slots are
// emptied for the decoder (which writes only the coefficients that are not zero).
JBLOCKARRAY AccessRing(j_common_ptr info, TJpegHeldSource* held, int c, JDIMENSION start, JDIMENSION count) {
  std::vector<JBLOCKROW>& known = held->Rows[c];
  if (count == 0 || start + count > known.size()) ERREXIT(info, JERR_BAD_VIRTUAL_ACCESS);
  Advance(held, c, start, count, nullptr);
  if (!AwaitRoom(held, McuRowOf(held, c, start + count - 1))) ERREXIT(info, JERR_BAD_VIRTUAL_ACCESS);
  for (JDIMENSION i = 0; i < count; ++i) {
    JBLOCKROW slot = RingSlot(held, c, start + i);
    std::memset(slot, 0, size_t(held->RowBlocks[c]) * sizeof(JBLOCK));
    known[start + i] = slot;
  }
  return known.data() + start;
}

JBLOCKARRAY AccessRecorded(j_common_ptr info, jvirt_barray_ptr array, JDIMENSION start, JDIMENSION count,
                           boolean writable) {
  TJpegHeldSource* held = HeldOf(info);
  if (held->RingRows > 0) {
    const int c = held->IndexOf(array);
    if (c < 0 || !writable) ERREXIT(info, JERR_BAD_VIRTUAL_ACCESS);
    return AccessRing(info, held, c, start, count);
  }
  JBLOCKARRAY rows = held->SrcAccess(info, array, start, count, writable);
  if (writable && held->OneScan) {
    const int c = held->IndexOf(array);
    if (c >= 0 && RowCount(held, c) > 0) Advance(held, c, start, count, rows);
  }
  return rows;
}

// The read itself. Only plain locals: errors jump here. On an error the decompressor stays for the
// owner to destroy, since a save following behind may still be reading its arrays.
bool ReadHeldSource(TJpegHeldSource* held) {
  j_decompress_ptr src = &held->Src;
  InstallEngineErrors(held->Error);
  src->err = &held->Error.Manager;
  src->client_data = held;
  if (setjmp(held->Error.Jump)) return false;
  ReadEngineHeader(src, held->Data, static_cast<unsigned long>(held->Size));
  // The arrays come with the coefficients, after the header.
  held->SrcRequest = src->mem->request_virt_barray;
  held->SrcRealize = src->mem->realize_virt_arrays;
  held->SrcAccess = src->mem->access_virt_barray;
  src->mem->request_virt_barray = RequestRecorded;
  src->mem->realize_virt_arrays = RealizeRecorded;
  src->mem->access_virt_barray = AccessRecorded;
  held->OneScan = !jpeg_has_multiple_scans(src);
  // A ring pays when it is well short of the picture: the changed rows, the MCU rows they may
  // reach into, and a few for the reader to stay ahead.
  if (held->OneScan && held->SpanRows > 0) {
    const int32_t mcuHeight = DCTSIZE * std::max(1, src->max_v_samp_factor);
    const uint32_t ring = uint32_t(CeilDiv(held->SpanRows, mcuHeight)) + 2 + RingRowsAhead;
    if (uint64_t(ring) * 2 < uint64_t(CeilDiv(src->image_height, mcuHeight))) held->RingRows = ring;
  }
  held->Coefficients = jpeg_read_coefficients(src);
  // The rows the reader never moved past (all of them after several scans).
  for (int c = 0; c < held->ArrayCount; ++c) {
    const JDIMENSION first = held->OneScan ? held->Reached[c].load() : 0, end = RowCount(held, c);
    if (held->RingRows == 0)  // a ring's rows are all known already
      for (JDIMENSION by = first; by < end; ++by)
        held->Rows[c][by] = held->SrcAccess(reinterpret_cast<j_common_ptr>(src), held->Arrays[c], by, 1, FALSE)[0];
    if (held->HasDc && end == JDIMENSION(held->Rows[c].size()) && end > 0)
      ReduceDcRows(held->Dc, c, QuantZero(src->comp_info[c]), held->Rows[c].data(), int32_t(first), int32_t(end));
  }
  return true;
}

JBLOCKROW* RowsWhenReached(TJpegHeldSource* held, int c, JDIMENSION end) noexcept {
  std::unique_lock<std::mutex> lock(held->Lock);
  held->Moved.wait(lock, [&] { return held->Reached[c] >= end || held->Done; });
  if (held->Reached[c] < end || end > RowCount(held, c)) return nullptr;
  return held->Rows[c].data();
}

// Gives the pages of component c's rows above `start` back to the system: the save has passed them
// and neither it nor the reader comes back to them. Only whole pages within the rows' own run.
void ReleaseRowsAbove(TJpegHeldSource* held, int c, JDIMENSION start) noexcept {
  if (held->Scattered[c] || start == 0) return;
  const std::vector<JBLOCKROW>& rows = held->Rows[c];
  const JDIMENSION blocks = held->RowBlocks[c];
  for (JDIMENSION by = 1; by <= start && by < rows.size(); ++by)
    if (rows[by] != rows[0] + size_t(by) * blocks) {
      held->Scattered[c] = true;
      return;
    }
  static const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t first = (reinterpret_cast<uintptr_t>(rows[0]) + page - 1) / page * page;
  const uintptr_t end = reinterpret_cast<uintptr_t>(rows[0] + size_t(start) * blocks) / page * page;
  const uintptr_t from = std::max(first, held->ReleasedTo[c]);
  // A megabyte at a time: each call stops the reader's core to flush what it has mapped.
  if (end <= from || end - from < ReleaseStep) return;
  if (madvise(reinterpret_cast<void*>(from), end - from, MADV_DONTNEED) == 0) held->ReleasedTo[c] = end;
  else held->Scattered[c] = true;
}

JBLOCKARRAY AccessFollowing(j_common_ptr info, jvirt_barray_ptr array, JDIMENSION start, JDIMENSION count,
                            boolean writable) {
  TJpegHeldSource* held = HeldOf(info);
  const int c = held->IndexOf(array);
  if (c < 0) return held->DstAccess(info, array, start, count, writable);
  // The encoder reads the MCU rows one after another: the rows above this one are written.
  if (!writable) {
    const uint32_t m = McuRowOf(held, c, start);
    if (m > held->WriterRow) {
      {
        std::lock_guard<std::mutex> lock(held->Lock);
        held->WriterRow = m;
      }
      held->Moved.notify_all();
    }
    if (held->BeforeRow && !held->BeforeRow(held->BeforeRowContext, m)) ERREXIT(info, JERR_BAD_VIRTUAL_ACCESS);
  }
  JBLOCKROW* rows = RowsWhenReached(held, c, start + count);
  if (!rows) ERREXIT(info, JERR_BAD_VIRTUAL_ACCESS);
  if (held->ReleaseBehind && !writable && held->RingRows == 0) ReleaseRowsAbove(held, c, start);
  return rows + start;
}

}  // namespace

void FollowHeldSource(j_compress_ptr dst, TJpegHeldSource* held) {
  dst->client_data = held;
  held->DstAccess = dst->mem->access_virt_barray;
  dst->mem->access_virt_barray = AccessFollowing;
}

bool AwaitHeldSource(TJpegHeldSource* held) {
  std::unique_lock<std::mutex> lock(held->Lock);
  held->Moved.wait(lock, [held] { return held->Done.load(); });
  return held->Read.load();
}

void ReleaseHeldRowsBehind(TJpegHeldSource* held) {
  held->ReleaseBehind = true;
}

TJpegCoefficientsAhead::TJpegCoefficientsAhead(const uint8_t* data, uint64_t size, int32_t spanRows)
    : FHeld(std::make_unique<TJpegHeldSource>()) {
  FHeld->Data = data;
  FHeld->Size = size;
  FHeld->SpanRows = std::max(0, spanRows);
  if (!data || size < 4 || size > ULONG_MAX) {
    FHeld->Done = true;
    return;
  }
  TJpegHeldSource* held = FHeld.get();
  FThread = std::thread([held] {
    const bool read = ReadHeldSource(held);
    {
      std::lock_guard<std::mutex> lock(held->Lock);
      // Rows and result before the end, for whoever looks without the lock.
      if (read)
        for (int c = 0; c < held->ArrayCount; ++c) held->Reached[c] = RowCount(held, c);
      held->Read = read;
      held->Done = true;
    }
    held->Moved.notify_all();
  });
}

TJpegCoefficientsAhead::~TJpegCoefficientsAhead() {
  {
    std::lock_guard<std::mutex> lock(FHeld->Lock);
    FHeld->Stop = true;
  }
  FHeld->Moved.notify_all();
  if (FThread.joinable()) FThread.join();
  // After a save took a whole read, its decompressor is gone already; that is safe to repeat.
  jpeg_destroy_decompress(&FHeld->Src);
}

TJpegHeldSource* TJpegCoefficientsAhead::Take(const uint8_t* data, uint64_t size) {
  if (FTaken || data != FHeld->Data || size != FHeld->Size) return nullptr;
  TJpegHeldSource* held = FHeld.get();
  std::unique_lock<std::mutex> lock(held->Lock);
  held->Moved.wait(lock, [held] { return held->Done || (held->Realized && held->OneScan); });
  if (held->Done && !held->Read) return nullptr;
  FTaken = true;
  return held;
}
