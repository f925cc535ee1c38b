#pragma once
// The lossless JPEG engine as the codec layer uses it: one object per document. It loads a JPEG,
// follows the document's rotations, flips and crops on the compressed data, takes the edited pixels
// back and writes a JPEG without a full decode and re-encode. A document without an engine object
// (nullptr) sends every file through the decoders.

#include "QvFileOutput.h"
#include "QvTypes.h"

#include <any>
#include <cstdint>
#include <memory>
#include <vector>

#include <QString>
#include <utility>

// Where the engine reads the edited pixels from: the area's first pixel and the image's row stride.
struct TVJPEGPixels {
  uint8_t* FirstPixel = nullptr;
  int32_t Stride = 0;
};

// The nine values handed to SaveToFile; see MakeVJPEGSaveOptions.
struct TVJPEGSaveOptions {
  int32_t Values[9] = {0, 100, 0, 0, -1, -1, -1, 2, 0};
};

class IVJPEG {
 public:
  virtual ~IVJPEG() = default;
  virtual int32_t LoadFromFile(const QString& fileName, int32_t flags) = 0;  // non-zero: loaded
  virtual int32_t IsLoaded() = 0;
  virtual int32_t GetWidth() = 0;
  virtual int32_t GetHeight() = 0;
  virtual int32_t GetBlockWidth() = 0;
  virtual int32_t GetBlockHeight() = 0;
  // Fills 24-bit blue-green-red rows of GetWidth × GetHeight.
  virtual int32_t ReadPixels(uint8_t* firstPixel, int32_t stride, int32_t flags) = 0;
  virtual int32_t SaveToFile(const QString& fileName, const TVJPEGSaveOptions& options) = 0;  // non-zero: saved
  // The same into an open output (empty, read and write) that the caller commits: the file is
  // written once, where it ends up. An engine without its own way writes through the output's
  // descriptor by name.
  virtual int32_t SaveToOutput(TQvFileOutput& output, const TVJPEGSaveOptions& options) {
    return SaveToFile(QStringLiteral("/proc/self/fd/%1").arg(output.Descriptor()), options);
  }
  // ReadPixels for a caller that reads and changes only the given spans of rows [first, second)
  // and saves through the engine without a fresh encoding: rows outside them may be left as they
  // are (zero). The engine then never encodes from these pixels beyond what changed.
  virtual int32_t ReadPixelRows(uint8_t* firstPixel, int32_t stride,
                                const std::vector<std::pair<int32_t, int32_t>>& /*rows*/) {
    return ReadPixels(firstPixel, stride, 0);
  }
  // For a caller that reads no pixels and changes none, only turns and cuts: the next save copies
  // every block, and a rebuilt thumbnail comes from the source's own blocks. Zero when the engine
  // cannot save the pending state that way (the blocks would leave the grid); then the pixels are
  // needed after all.
  virtual int32_t LeavePixelsOut() { return 0; }
  // The file as LoadFromFile read it, while the engine holds it ({nullptr, 0} when it keeps no
  // copy): a caller that read the same file can let its own copy go.
  virtual std::pair<const uint8_t*, uint64_t> LoadedFileBytes() { return {nullptr, 0}; }
  virtual void SetRegion(int32_t left, int32_t top, int32_t right, int32_t bottom) = 0;
  virtual void FlipHorizontal(int32_t flags) = 0;
  virtual void FlipVertical(int32_t flags) = 0;
  virtual void RotateLeft(int32_t flags) = 0;
  virtual void RotateRight(int32_t flags) = 0;
  virtual void WritePixels(const TVJPEGPixels& pixels, int32_t stride, int32_t reserved1, int32_t reserved2) = 0;
  // The rectangles whose pixels a tool changed since the load or the last save, in the coordinates
  // of the pixels WritePixels hands over (the saved area's top left is 0, 0). Blocks they meet are
  // recompressed from those pixels; every other block is copied from the compressed source.
  virtual void SetChangedRects(const std::vector<TRect>& rects) = 0;
  virtual void Close() = 0;
  virtual uint16_t GetOrientation() = 0;  // EXIF orientation of the loaded file
  virtual void GetQualityValues(uint16_t values[2]) = 0;
  // The pending turn, cut and size as a value that only the engine reads, and putting it back: a
  // command state that restores whole images restores the engine with them, so that undoing a
  // crop or a resize leaves the source as losslessly saveable as before. A value taken before
  // the engine took another source (a load, or the file it saved) is refused (false), as is any
  // value of an engine that keeps no such state.
  virtual std::any GetPendingState() { return {}; }
  virtual bool SetPendingState(const std::any& /*state*/) { return false; }
};

// The save options for the engine's two quality values: q is 200 when the first exceeds 1000,
// otherwise the larger of the two.
inline TVJPEGSaveOptions MakeVJPEGSaveOptions(const uint16_t quality[2]) {
  TVJPEGSaveOptions options;
  options.Values[8] = quality[0] > 1000 ? 200 : (quality[0] > quality[1] ? quality[0] : quality[1]);
  return options;
}

// The program's engine on libjpeg-turbo; never nullptr.
std::unique_ptr<IVJPEG> CreateVJPEGObject();
