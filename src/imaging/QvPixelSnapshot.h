#pragma once
// Pixel memory that other images can share until they write to it.
//
// A large image block lives in an in-memory file. Freezing the block turns it into a private
// view of that file in place (its address and contents stay) and seals the file so nothing can
// change it any more; every further view of the frozen file starts with the same pixels and gets
// its own copy of a page only when it first writes there. The document keeps its original and
// its backup as such views of the decoded picture, so opening a photo costs one image of memory
// instead of three, and a red-eye click copies only the pages of the eye.
//
// Every block, frozen or not, and every view is given back with QvFreePages.

#include "QvBitmap.h"

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <thread>

// A zero-filled block of at least size bytes held in an in-memory file, writable; nullptr when
// the system has no such files or refuses the memory (callers then take QvAllocPages).
void* QvAllocSharedPages(size_t size);
// Whether block came from QvAllocSharedPages and has not been frozen yet.
bool QvIsSharedBlock(const void* block);
// Called by QvFreePages: unmaps block and closes its file when it is a shared block or a view;
// false (nothing done) for any other memory.
bool QvReleaseMappedBlock(void* block, size_t size);

// Makes the allocations of pixel memory (pages, shared blocks and views) fail while Fail returns
// true for the size asked; an empty function lets them succeed again. For tests of what an
// operation does when memory runs out part-way.
void QvSetAllocationFailure(std::function<bool(size_t size)> Fail);
// Whether an allocation of size bytes is to fail now (consults the function above).
bool QvAllocationFails(size_t size);

// Fills an unfrozen block from QvAllocSharedPages (rows of stride bytes) with source's pixels
// (its top left at 0, 0) through the block's file: the system then fills fresh pages with the rows
// directly instead of clearing each page before a copy overwrites it. False (the block perhaps
// part written) for any other memory or when the file refuses the write; the caller then copies.
bool QvFillSharedBlock(void* block, int32_t stride, const TQvPixels& source);

// Gives rect's rows of pixels their own writable pages now, in one call, instead of one fault per
// page as the writes reach them: for work that is about to write all of a large area (a decode, a
// whole-image tone change). Small areas and systems without the call are left to fault.
void QvPrepareForWriting(const TQvPixels& pixels, const TRect& rect);
// As QvPrepareForWriting, but on another core and from the top down while the caller writes the
// rows in that order (a decode, whose own core is busy with the codec): the page faults then cost
// the writer nothing. A row the writer reaches first simply faults as usual. Stops and is waited
// for when destroyed or on Finish, so the pixels must outlive it; on one core it prepares
// everything at once, as QvPrepareForWriting.
class TQvPrepareAhead {
 public:
  TQvPrepareAhead(const TQvPixels& pixels, const TRect& rect);
  ~TQvPrepareAhead() { Finish(); }
  TQvPrepareAhead(const TQvPrepareAhead&) = delete;
  TQvPrepareAhead& operator=(const TQvPrepareAhead&) = delete;
  void Finish();

 private:
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

// For work that is about to write every byte of every row of pixels: a view's pages are replaced
// by fresh memory instead of each being copied from the shared file on its first write. False
// (nothing changed) for any other memory or when fresh memory cannot be had; the caller then
// simply writes.
bool QvDiscardForOverwrite(const TQvPixels& pixels);

class TQvPixelSnapshot {
 public:
  ~TQvPixelSnapshot();
  TQvPixelSnapshot(const TQvPixelSnapshot&) = delete;
  TQvPixelSnapshot& operator=(const TQvPixelSnapshot&) = delete;

  // Freezes a block of size bytes from QvAllocSharedPages: from now on the block is a private
  // view of the frozen pixels (same address, same contents, still writable). nullptr when block
  // is not such a block (or was frozen before); the block is then left exactly as it was.
  static std::shared_ptr<const TQvPixelSnapshot> Freeze(void* block, size_t size);

  // A new private view of the frozen pixels, size() bytes, writable; nullptr on failure.
  // Release it with QvFreePages(view, Size()).
  void* MapView() const;
  size_t Size() const { return FSize; }

 private:
  TQvPixelSnapshot(int Fd, size_t Size) : FFd(Fd), FSize(Size) {}
  int FFd;
  size_t FSize;
};
