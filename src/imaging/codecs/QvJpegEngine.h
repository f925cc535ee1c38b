#pragma once
// The program's lossless JPEG engine on libjpeg-turbo.
//
// Between saves it holds the compressed bytes and a little state: the pending quarter-turn group
// element (transpose, then mirrors), the cut in turned coordinates, the edited pixels' address and
// the changed rectangles. Turns and cuts are composed, not carried out, so any sequence of them
// costs nothing until the pixels are read or the file is written, and then one pass.
//
// The save is lossless when the cut's top left falls on the MCU grid of the turned source (padded
// to whole MCUs, so partial edge blocks that a mirror moves to the left or top count where they
// really lie). Then every MCU outside the changed rectangles keeps its coefficients and the MCUs
// they meet are recompressed from the pixels with the source's tables and sampling. Otherwise
// (grid not met, a resize, a cut that moved the grid) the whole picture is re-encoded from the
// pixels with the source's tables and sampling, at the document's size: never trimmed.
//
// The saved metadata is the source's, except that the orientation tags say 1 once the engine has
// turned the pixels, the EXIF pixel dimensions give the saved size, and an embedded thumbnail is
// rebuilt from the saved picture (or removed) whenever the picture changed.
//
// A caller that only works near a few points reads just the rows around them (ReadPixelRows):
// the decoder skips the others, the save copies their blocks, and nothing is ever encoded from
// the rows left out.

#include "QvJpegEngineCore.h"
#include "QvVJPEG.h"

#include <cstdint>
#include <memory>
#include <vector>

class TQvJpegEngine : public IVJPEG {
 public:
  int32_t LoadFromFile(const QString& fileName, int32_t flags) override;
  int32_t IsLoaded() override { return FLoaded ? 1 : 0; }
  int32_t GetWidth() override;
  int32_t GetHeight() override;
  int32_t GetBlockWidth() override;
  int32_t GetBlockHeight() override;
  int32_t ReadPixels(uint8_t* firstPixel, int32_t stride, int32_t flags) override;
  int32_t SaveToFile(const QString& fileName, const TVJPEGSaveOptions& options) override;
  int32_t SaveToOutput(TQvFileOutput& output, const TVJPEGSaveOptions& options) override;
  int32_t ReadPixelRows(uint8_t* firstPixel, int32_t stride,
                        const std::vector<std::pair<int32_t, int32_t>>& rows) override;
  int32_t LeavePixelsOut() override;
  std::pair<const uint8_t*, uint64_t> LoadedFileBytes() override;
  void SetRegion(int32_t left, int32_t top, int32_t right, int32_t bottom) override;
  void FlipHorizontal(int32_t flags) override;
  void FlipVertical(int32_t flags) override;
  void RotateLeft(int32_t flags) override;
  void RotateRight(int32_t flags) override;
  void WritePixels(const TVJPEGPixels& pixels, int32_t stride, int32_t reserved1, int32_t reserved2) override;
  void SetChangedRects(const std::vector<TRect>& rects) override;
  void Close() override;
  uint16_t GetOrientation() override { return FLoaded ? FOrientation : 1; }
  void GetQualityValues(uint16_t values[2]) override;
  std::any GetPendingState() override;
  bool SetPendingState(const std::any& state) override;

  // Whether the next save can keep the source's coefficients (false: re-encode from the pixels).
  bool SaveIsLossless() const;

 private:
  // Takes a JPEG as the source; false when it cannot. The end-marker scan is skipped for bytes the
  // engine wrote itself.
  bool Adopt(std::vector<uint8_t> bytes, bool ownOutput = false);
  void ResetState();
  int32_t TurnedWidth() const;   // the turned source's real size
  int32_t TurnedHeight() const;
  TJpegGeometry PlaneGeometry() const;  // the cut in padded plane coordinates
  void Transpose();
  // The JPEG the next save writes; false when it cannot be made.
  bool Encode(const TVJPEGSaveOptions& options, std::vector<uint8_t>& out);
  TJpegGeometry ReadGeometry() const;  // the cut as ReadPixels decodes it
  std::vector<uint8_t> SavedThumbnail(const TJpegGeometry& geometry) const;
  std::vector<uint8_t> ThumbnailFromReduced(const TJpegGeometry& geometry, const TJpegReduced& reduced) const;
  std::vector<TJpegPixelRect> ChangedMcuRects(const TJpegGeometry& geometry, int32_t mcuWidth, int32_t mcuHeight) const;

  // What GetPendingState hands out.
  struct TPending {
    uint64_t Source = 0;
    bool Transposed = false, FlipX = false, FlipY = false, Turned = false;
    TRect Region;
    bool Resized = false;
    int32_t ResizedWidth = 0, ResizedHeight = 0;
  };

  bool FLoaded = false;
  uint64_t FSource = 0;  // which source the pending state refers to; new for every one taken
  std::vector<uint8_t> FBytes;
  TJpegSourceInfo FInfo;
  uint16_t FOrientation = 1;
  // The pending turn: the source transposed when FTransposed, then mirrored.
  bool FTransposed = false, FFlipX = false, FFlipY = false;
  bool FTurned = false;  // any turn or mirror since the source was taken
  TRect FRegion;         // the cut, in the turned source's real coordinates
  bool FResized = false; // the document's pixels no longer match the source's blocks
  int32_t FResizedWidth = 0, FResizedHeight = 0;
  const uint8_t* FPixels = nullptr;
  int64_t FPixelStride = 0;
  std::vector<TRect> FChangedRects;
  // The pixels were read in part (ReadPixelRows) or not at all (LeavePixelsOut): only changed
  // blocks may come from them, and an embedded thumbnail comes from the source's DC coefficients.
  bool FPartialPixels = false;
  // A partial read starts reading the coefficients for the save on another thread. Last, so it
  // is gone (its thread joined) before the bytes it reads.
  std::unique_ptr<TJpegCoefficientsAhead> FAhead;
};
