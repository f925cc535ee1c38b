#include "QvPixelSnapshot.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include "QvParallel.h"

#include <algorithm>
#include <cerrno>
#include <system_error>
#include <utility>
#include <mutex>
#include <unordered_map>

namespace {

struct TSharedBlocks {
  std::mutex Lock;
  // Start address of each shared block and view: the file of a block not frozen yet, -1 for a
  // view, OwnPages for a former view whose pages were all replaced by fresh ones.
  std::unordered_map<const void*, int> Files;
  std::function<bool(size_t)> Fail;
};

TSharedBlocks& Shared() {
  static TSharedBlocks* Blocks = new TSharedBlocks;  // outlives every static image
  return *Blocks;
}

constexpr int OwnPages = -2;

size_t RoundToPages(size_t size) {
  const size_t page = size_t(sysconf(_SC_PAGESIZE));
  return (size + page - 1) / page * page;
}

}  // namespace

void QvSetAllocationFailure(std::function<bool(size_t size)> Fail) {
  TSharedBlocks& S = Shared();
  std::lock_guard<std::mutex> Guard(S.Lock);
  S.Fail = std::move(Fail);
}

bool QvAllocationFails(size_t size) {
  TSharedBlocks& S = Shared();
  std::function<bool(size_t)> Fail;
  {
    std::lock_guard<std::mutex> Guard(S.Lock);
    Fail = S.Fail;
  }
  return Fail && Fail(size);
}

void* QvAllocSharedPages(size_t size) {
  if (size == 0 || QvAllocationFails(size)) return nullptr;
  const size_t length = RoundToPages(size);
  const int fd = memfd_create("ocuvane-pixels", MFD_CLOEXEC | MFD_ALLOW_SEALING);
  if (fd < 0) return nullptr;
  if (ftruncate(fd, off_t(length)) != 0) {
    close(fd);
    return nullptr;
  }
  void* block = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
  if (block == MAP_FAILED) {
    close(fd);
    return nullptr;
  }
  TSharedBlocks& S = Shared();
  std::lock_guard<std::mutex> Guard(S.Lock);
  S.Files[block] = fd;
  return block;
}

bool QvIsSharedBlock(const void* block) {
  TSharedBlocks& S = Shared();
  std::lock_guard<std::mutex> Guard(S.Lock);
  const auto It = S.Files.find(block);
  return block && It != S.Files.end() && It->second >= 0;
}

bool QvReleaseMappedBlock(void* block, size_t size) {
  if (!block) return false;
  TSharedBlocks& S = Shared();
  int fd = -1;
  {
    std::lock_guard<std::mutex> Guard(S.Lock);
    const auto It = S.Files.find(block);
    if (It == S.Files.end()) return false;
    fd = It->second;
    S.Files.erase(It);
  }
  munmap(block, RoundToPages(size));
  if (fd >= 0) close(fd);
  return true;
}

bool QvFillSharedBlock(void* block, int32_t stride, const TQvPixels& source) {
  if (!block || !source.Bits || source.Left != 0 || source.Top != 0 || source.Height <= 0 || stride <= 0) return false;
  int fd = -1;
  {
    TSharedBlocks& S = Shared();
    std::lock_guard<std::mutex> Guard(S.Lock);
    const auto It = S.Files.find(block);
    if (It == S.Files.end() || It->second < 0) return false;
    fd = It->second;
  }
  const size_t rowBytes = size_t(source.Width) * size_t(source.BytesPerPixel);
  if (rowBytes > size_t(stride) || rowBytes > size_t(source.Stride)) return false;
  // Rows laid out alike go in one run; otherwise row by row.
  const bool oneRun = source.Stride == stride;
  const int32_t runs = oneRun ? 1 : source.Height;
  const size_t runBytes = oneRun ? size_t(stride) * size_t(source.Height) : rowBytes;
  for (int32_t r = 0; r < runs; ++r) {
    const auto* from = static_cast<const uint8_t*>(source.PixelAt(0, r));
    off_t at = off_t(size_t(r) * size_t(stride));
    for (size_t done = 0; done < runBytes;) {
      const ssize_t wrote = ::pwrite(fd, from + done, std::min(runBytes - done, size_t(1) << 30), at);
      if (wrote < 0 && errno == EINTR) continue;
      if (wrote <= 0) return false;
      done += size_t(wrote);
      at += off_t(wrote);
    }
  }
  return true;
}

bool QvDiscardForOverwrite(const TQvPixels& pixels) {
  if (!pixels.Bits || pixels.Height <= 0) return false;
  const size_t used = size_t(pixels.Stride) * size_t(pixels.Height);
  TSharedBlocks& S = Shared();
  std::lock_guard<std::mutex> Guard(S.Lock);
  const auto It = S.Files.find(pixels.Bits);
  // Only a view: an unfrozen block must stay in its file to be shared later, and one whose pages
  // are all its own already has nothing to gain.
  if (It == S.Files.end() || It->second != -1) return false;
  const size_t length = RoundToPages(used);
  // Fresh pages are made elsewhere first and then moved over the view in one step, so that a
  // refusal at either point leaves the view as it was.
  void* fresh = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (fresh == MAP_FAILED) return false;
  if (mremap(fresh, length, length, MREMAP_MAYMOVE | MREMAP_FIXED, pixels.Bits) == MAP_FAILED) {
    munmap(fresh, length);
    return false;
  }
  // No large pages here: the block is written once, in order, right away, which small pages serve
  // as well, and a fresh large page must be cleared whole first. On a virtual machine that gives
  // freed memory back to its host that clearing can cost ten times the small pages' faults
  // (measured: 72 MB in 11 to 207 ms against a steady 25 ms).
  It->second = OwnPages;
  return true;
}

namespace {

// The whole pages inside rect's rows, or an empty range when they are too few to be worth a call
// (or the system has no such call).
std::pair<uintptr_t, uintptr_t> PagesToPrepare(const TQvPixels& pixels, const TRect& rect) {
#ifdef MADV_POPULATE_WRITE
  const TRect r = IntersectRect(rect, pixels.BoundsRect());
  if (r.IsEmpty() || !pixels.Bits) return {0, 0};
  const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
  const uintptr_t first = reinterpret_cast<uintptr_t>(pixels.PixelAt(pixels.Left, r.Top));
  const uintptr_t last = reinterpret_cast<uintptr_t>(pixels.PixelAt(pixels.Left, r.Bottom - 1)) + size_t(pixels.Stride);
  if (last - first < (uintptr_t(1) << 20)) return {0, 0};
  // Only whole pages inside the rows: the pages at either end may hold pixels of other rows,
  // which a write fault handles just as well.
  const uintptr_t begin = (first + page - 1) & ~(page - 1);
  const uintptr_t end = last & ~(page - 1);
  return end > begin ? std::pair{begin, end} : std::pair<uintptr_t, uintptr_t>{0, 0};
#else
  (void)pixels;
  (void)rect;
  return {0, 0};
#endif
}

void PreparePages(uintptr_t begin, uintptr_t end) {
#ifdef MADV_POPULATE_WRITE
  if (end > begin) madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
  (void)begin;
  (void)end;
#endif
}

}  // namespace

void QvPrepareForWriting(const TQvPixels& pixels, const TRect& rect) {
  const auto [begin, end] = PagesToPrepare(pixels, rect);
  PreparePages(begin, end);
}

TQvPrepareAhead::TQvPrepareAhead(const TQvPixels& pixels, const TRect& rect) {
  const auto [begin, end] = PagesToPrepare(pixels, rect);
  if (end <= begin) return;
  if (QvThreadCount(2) < 2) {
    PreparePages(begin, end);
    return;
  }
  try {
    FThread = std::thread([this, begin = begin, end = end] {
      // A few megabytes at a time, so that a writer that ends early is not kept waiting long.
      constexpr uintptr_t kStep = uintptr_t(4) << 20;
      for (uintptr_t at = begin; at < end && !FStop.load(std::memory_order_relaxed); at += kStep)
        PreparePages(at, std::min(end, at + kStep));
    });
  } catch (const std::system_error&) {
    PreparePages(begin, end);
  }
}

void TQvPrepareAhead::Finish() {
  FStop.store(true, std::memory_order_relaxed);
  if (FThread.joinable()) FThread.join();
}

TQvPixelSnapshot::~TQvPixelSnapshot() { close(FFd); }

std::shared_ptr<const TQvPixelSnapshot> TQvPixelSnapshot::Freeze(void* block, size_t size) {
  if (!block || size == 0) return nullptr;
  TSharedBlocks& S = Shared();
  std::lock_guard<std::mutex> Guard(S.Lock);
  const auto It = S.Files.find(block);
  if (It == S.Files.end() || It->second < 0) return nullptr;
  const int fd = It->second;
  const size_t length = RoundToPages(size);
  // The pixels live in the file, not in the mapping: swapping the shared mapping for a private
  // one at the same address keeps every byte, and should the swap fail the shared one is put
  // back over the same file.
  void* view = mmap(block, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_FIXED, fd, 0);
  if (view == MAP_FAILED) {
    mmap(block, length, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, fd, 0);
    return nullptr;
  }
  // With no shared writable mapping left the file can be sealed; from here on the views can
  // trust that their unwritten pages never change. A system that cannot seal still works: this
  // program never writes the file again.
  fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
  It->second = -1;  // a view from now on; the snapshot owns the file
  return std::shared_ptr<const TQvPixelSnapshot>(new TQvPixelSnapshot(fd, length));
}

void* TQvPixelSnapshot::MapView() const {
  if (QvAllocationFails(FSize)) return nullptr;
  void* view = mmap(nullptr, FSize, PROT_READ | PROT_WRITE, MAP_PRIVATE, FFd, 0);
  if (view == MAP_FAILED) return nullptr;
  TSharedBlocks& S = Shared();
  std::lock_guard<std::mutex> Guard(S.Lock);
  S.Files[view] = -1;
  return view;
}
