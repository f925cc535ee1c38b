// The lossless JPEG engine object: the composed turn and cut, the changed MCUs, and the hand-over
// to the libjpeg work in QvJpegEngineCore.cpp.

#include "QvJpegEngine.h"

#include "QvCodecInternal.h"

#include <QFile>

#include <turbojpeg.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>

namespace {

constexpr uint8_t StandardLuma[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
constexpr uint8_t StandardChroma[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// The quality 1..100 whose scaled standard table (as libjpeg scales it for baseline files) lies
// nearest to the table; a turned file's transposed table is compared with the transposed standard.
uint16_t EstimateQuality(const uint16_t* table, const uint8_t* standard) {
  int64_t best = INT64_MAX;
  uint16_t quality = 0;
  for (int q = 1; q <= 100; ++q) {
    const int64_t scale = q < 50 ? 5000 / q : 200 - 2 * q;
    int64_t plain = 0, transposed = 0;
    for (int k = 0; k < 64; ++k) {
      const int64_t expected = std::clamp<int64_t>((standard[k] * scale + 50) / 100, 1, 255);
      plain += std::llabs(expected - table[k]);
      transposed += std::llabs(expected - table[(k % 8) * 8 + k / 8]);
    }
    const int64_t distance = std::min(plain, transposed);
    if (distance <= best) {  // ties go to the higher quality
      best = distance;
      quality = uint16_t(q);
    }
  }
  return quality;
}

// The engine holds the file while it has it; no more of it than the JPEG can need is read.
bool ReadFileBytes(const QString& fileName, std::vector<uint8_t>& bytes) {
  return ReadImageFile(fileName, uint64_t(1) << 31, bytes) && bytes.size() >= 4;
}

// A camera-style thumbnail of a width × height picture (fitted into 160 × 120), each pixel the
// mean of 2 × 2 samples spread over its share of the picture; Sample(x, y) gives the picture's
// pixel. Empty when it cannot be made.
template <typename TSample>
std::vector<uint8_t> MakeThumbnail(int32_t width, int32_t height, const TSample& Sample) {
  std::vector<uint8_t> jpeg;
  if (width <= 0 || height <= 0) return jpeg;
  const double fit = std::min(160.0 / width, 120.0 / height);
  const int32_t tw = std::clamp(int32_t(width * fit + 0.5), 1, 160), th = std::clamp(int32_t(height * fit + 0.5), 1, 120);
  std::vector<uint8_t> small(size_t(tw) * th * 3);
  for (int32_t ty = 0; ty < th; ++ty) {
    for (int32_t tx = 0; tx < tw; ++tx) {
      int sums[3] = {0, 0, 0};
      for (int sy = 0; sy < 2; ++sy) {
        const int64_t y = std::min<int64_t>(height - 1, (int64_t(ty) * 4 + 1 + sy * 2) * height / (int64_t(th) * 4));
        for (int sx = 0; sx < 2; ++sx) {
          const int64_t x = std::min<int64_t>(width - 1, (int64_t(tx) * 4 + 1 + sx * 2) * width / (int64_t(tw) * 4));
          const uint8_t* p = Sample(x, y);
          for (int k = 0; k < 3; ++k) sums[k] += p[k];
        }
      }
      for (int k = 0; k < 3; ++k) small[(size_t(ty) * tw + tx) * 3 + k] = uint8_t((sums[k] + 2) / 4);
    }
  }
  tjhandle handle = tjInitCompress();
  if (!handle) return jpeg;
  unsigned char* out = nullptr;
  unsigned long size = 0;
  if (tjCompress2(handle, small.data(), tw, tw * 3, th, TJPF_BGR, &out, &size, TJSAMP_420, 80, 0) == 0 && out)
    jpeg.assign(out, out + size);
  tjFree(out);
  tjDestroy(handle);
  return jpeg;
}

int32_t RoundUp(int32_t value, int32_t unit) { return (value + unit - 1) / unit * unit; }

// The height of the tallest run of rows that the spans [first, second) cover together.
int32_t TallestSpan(std::vector<std::pair<int32_t, int32_t>> spans) {
  std::sort(spans.begin(), spans.end());
  int32_t tallest = 0, top = 0, bottom = INT32_MIN;
  for (const auto& [first, second] : spans) {
    if (first > bottom) top = first;
    bottom = std::max(bottom, second);
    tallest = std::max(tallest, bottom - top);
  }
  return tallest;
}

}  // namespace

std::unique_ptr<IVJPEG> CreateVJPEGObject() { return std::make_unique<TQvJpegEngine>(); }

// ---- source ----

bool TQvJpegEngine::Adopt(std::vector<uint8_t> bytes, bool ownOutput) {
  TJpegSourceInfo info;
  std::vector<TJpegSegment> segments;
  if (!JpegEngineInspect(bytes.data(), bytes.size(), info) || !CheckImageSize(info.Width, info.Height) ||
      !ReadJpegSegments(bytes.data(), bytes.size(), segments) ||
      (!ownOutput && !JpegReachesEnd(bytes.data(), bytes.size())))
    return false;
  FAhead.reset();
  FBytes = std::move(bytes);
  FInfo = info;
  FOrientation = JpegSegmentsOrientation(segments);
  FLoaded = true;
  // Unique across every engine of the process, so no state of an earlier source ever matches.
  static std::atomic<uint64_t> Sources{0};
  FSource = ++Sources;
  ResetState();
  return true;
}

void TQvJpegEngine::ResetState() {
  FTransposed = FFlipX = FFlipY = FTurned = false;
  FRegion = TRect{0, 0, FInfo.Width, FInfo.Height};
  FResized = false;
  FResizedWidth = FResizedHeight = 0;
  FPixels = nullptr;
  FPixelStride = 0;
  FChangedRects.clear();
}

int32_t TQvJpegEngine::LoadFromFile(const QString& fileName, int32_t) {
  Close();
  std::vector<uint8_t> bytes;
  if (!ReadFileBytes(fileName, bytes)) return 0;
  return Adopt(std::move(bytes)) ? 1 : 0;
}

void TQvJpegEngine::Close() {
  FAhead.reset();
  FLoaded = false;
  FPartialPixels = false;
  std::vector<uint8_t>().swap(FBytes);
  FInfo = TJpegSourceInfo{};
  FOrientation = 1;
  ResetState();
}

// ---- size and geometry ----

int32_t TQvJpegEngine::TurnedWidth() const { return FTransposed ? FInfo.Height : FInfo.Width; }
int32_t TQvJpegEngine::TurnedHeight() const { return FTransposed ? FInfo.Width : FInfo.Height; }

int32_t TQvJpegEngine::GetWidth() {
  if (!FLoaded) return 0;
  return FResized ? FResizedWidth : FRegion.Width();
}

int32_t TQvJpegEngine::GetHeight() {
  if (!FLoaded) return 0;
  return FResized ? FResizedHeight : FRegion.Height();
}

int32_t TQvJpegEngine::GetBlockWidth() { return 8 * (FTransposed ? FInfo.MaxV : FInfo.MaxH); }
int32_t TQvJpegEngine::GetBlockHeight() { return 8 * (FTransposed ? FInfo.MaxH : FInfo.MaxV); }

TJpegGeometry TQvJpegEngine::PlaneGeometry() const {
  // The source padded to whole MCUs; a mirror moves the padding to the left or top.
  const int32_t paddedWidth = RoundUp(FInfo.Width, 8 * FInfo.MaxH);
  const int32_t paddedHeight = RoundUp(FInfo.Height, 8 * FInfo.MaxV);
  const int32_t planeWidth = FTransposed ? paddedHeight : paddedWidth;
  const int32_t planeHeight = FTransposed ? paddedWidth : paddedHeight;
  TJpegGeometry geometry;
  geometry.Transpose = FTransposed;
  geometry.FlipX = FFlipX;
  geometry.FlipY = FFlipY;
  geometry.PlaneX = FRegion.Left + (FFlipX ? planeWidth - TurnedWidth() : 0);
  geometry.PlaneY = FRegion.Top + (FFlipY ? planeHeight - TurnedHeight() : 0);
  geometry.OutWidth = FRegion.Width();
  geometry.OutHeight = FRegion.Height();
  return geometry;
}

bool TQvJpegEngine::SaveIsLossless() const {
  if (!FLoaded || FResized) return false;
  const TJpegGeometry geometry = PlaneGeometry();
  const int32_t mcuWidth = 8 * (FTransposed ? FInfo.MaxV : FInfo.MaxH);
  const int32_t mcuHeight = 8 * (FTransposed ? FInfo.MaxH : FInfo.MaxV);
  return geometry.PlaneX % mcuWidth == 0 && geometry.PlaneY % mcuHeight == 0;
}

void TQvJpegEngine::SetRegion(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  if (!FLoaded) return;
  const int32_t width = GetWidth(), height = GetHeight();
  if (left == 0 && top == 0 && right == width && bottom == height) return;
  if (right <= left || bottom <= top) return;
  if (FResized) {
    FResizedWidth = right - left;
    FResizedHeight = bottom - top;
  } else if (left >= 0 && top >= 0 && right <= width && bottom <= height) {
    FRegion = TRect{FRegion.Left + left, FRegion.Top + top, FRegion.Left + right, FRegion.Top + bottom};
  } else {
    // Not a part of the engine's picture: the document's pixels were resized (or replaced).
    FResized = true;
    FResizedWidth = right - left;
    FResizedHeight = bottom - top;
  }
}

void TQvJpegEngine::FlipHorizontal(int32_t) {
  if (!FLoaded) return;
  const int32_t width = TurnedWidth();
  FRegion = TRect{width - FRegion.Right, FRegion.Top, width - FRegion.Left, FRegion.Bottom};
  FFlipX = !FFlipX;
  FTurned = true;
}

void TQvJpegEngine::FlipVertical(int32_t) {
  if (!FLoaded) return;
  const int32_t height = TurnedHeight();
  FRegion = TRect{FRegion.Left, height - FRegion.Bottom, FRegion.Right, height - FRegion.Top};
  FFlipY = !FFlipY;
  FTurned = true;
}

void TQvJpegEngine::Transpose() {
  FRegion = TRect{FRegion.Top, FRegion.Left, FRegion.Bottom, FRegion.Right};
  std::swap(FFlipX, FFlipY);
  FTransposed = !FTransposed;
  std::swap(FResizedWidth, FResizedHeight);
}

void TQvJpegEngine::RotateRight(int32_t) {
  if (!FLoaded) return;
  Transpose();
  FlipHorizontal(0);
}

void TQvJpegEngine::RotateLeft(int32_t) {
  if (!FLoaded) return;
  Transpose();
  FlipVertical(0);
}

std::any TQvJpegEngine::GetPendingState() {
  if (!FLoaded) return {};
  return TPending{FSource, FTransposed, FFlipX, FFlipY, FTurned, FRegion, FResized, FResizedWidth, FResizedHeight};
}

bool TQvJpegEngine::SetPendingState(const std::any& state) {
  const auto* pending = std::any_cast<TPending>(&state);
  if (!FLoaded || !pending || pending->Source != FSource) return false;
  FTransposed = pending->Transposed;
  FFlipX = pending->FlipX;
  FFlipY = pending->FlipY;
  FTurned = pending->Turned;
  FRegion = pending->Region;
  FResized = pending->Resized;
  FResizedWidth = pending->ResizedWidth;
  FResizedHeight = pending->ResizedHeight;
  return true;
}

// ---- pixels ----

TJpegGeometry TQvJpegEngine::ReadGeometry() const {
  TJpegGeometry geometry;
  geometry.Transpose = FTransposed;
  geometry.FlipX = FFlipX;
  geometry.FlipY = FFlipY;
  geometry.PlaneX = FRegion.Left;
  geometry.PlaneY = FRegion.Top;
  geometry.OutWidth = FRegion.Width();
  geometry.OutHeight = FRegion.Height();
  return geometry;
}

int32_t TQvJpegEngine::ReadPixels(uint8_t* firstPixel, int32_t stride, int32_t) {
  if (!FLoaded || FResized || !firstPixel) return 0;
  if (!JpegEngineDecode(FBytes.data(), FBytes.size(), ReadGeometry(), firstPixel, stride)) return 0;
  FPartialPixels = false;
  return 1;
}

int32_t TQvJpegEngine::ReadPixelRows(uint8_t* firstPixel, int32_t stride,
                                     const std::vector<std::pair<int32_t, int32_t>>& rows) {
  // A turned source spreads every output row over all source rows, and a save that cannot keep the
  // blocks encodes every pixel: both need the whole picture.
  if (rows.empty() || FTransposed || !SaveIsLossless()) return ReadPixels(firstPixel, stride, 0);
  if (!FLoaded || FResized || !firstPixel) return 0;
  const TJpegGeometry geometry = ReadGeometry();
  std::vector<std::pair<int32_t, int32_t>> sourceRows;
  for (const auto& [top, bottom] : rows) {
    const int32_t t = std::clamp(top, 0, geometry.OutHeight), b = std::clamp(bottom, 0, geometry.OutHeight);
    if (b <= t) continue;
    if (FFlipY) sourceRows.emplace_back(FInfo.Height - (geometry.PlaneY + b), FInfo.Height - (geometry.PlaneY + t));
    else sourceRows.emplace_back(geometry.PlaneY + t, geometry.PlaneY + b);
  }
  // The save that follows keeps the blocks and reads all of them: on the other core, meanwhile.
  // When it can write them as they are read (nothing turned or cut), a ring of a few rows is
  // enough for short spans.
  if (!FAhead) {
    const bool inPlace = !FFlipX && !FFlipY && geometry.PlaneX == 0 && geometry.PlaneY == 0 &&
                         geometry.OutWidth == FInfo.Width && geometry.OutHeight == FInfo.Height;
    try {
      FAhead = std::make_unique<TJpegCoefficientsAhead>(FBytes.data(), FBytes.size(),
                                                        inPlace ? TallestSpan(sourceRows) : 0);
    } catch (...) {
      FAhead.reset();  // no thread: the save reads them itself
    }
  }
  if (!JpegEngineDecodeRows(FBytes.data(), FBytes.size(), geometry, firstPixel, stride, sourceRows)) {
    FAhead.reset();
    return 0;
  }
  FPartialPixels = true;
  return 1;
}

int32_t TQvJpegEngine::LeavePixelsOut() {
  if (!FLoaded || !SaveIsLossless()) return 0;
  FPixels = nullptr;
  FPixelStride = 0;
  FChangedRects.clear();
  FPartialPixels = true;
  return 1;
}

std::pair<const uint8_t*, uint64_t> TQvJpegEngine::LoadedFileBytes() {
  if (!FLoaded || FBytes.empty()) return {nullptr, 0};
  return {FBytes.data(), uint64_t(FBytes.size())};
}

void TQvJpegEngine::WritePixels(const TVJPEGPixels& pixels, int32_t stride, int32_t, int32_t) {
  FPixels = pixels.FirstPixel;
  FPixelStride = stride != 0 ? stride : pixels.Stride;
}

void TQvJpegEngine::SetChangedRects(const std::vector<TRect>& rects) { FChangedRects = rects; }

// The MCUs that the changed rectangles meet, as few disjoint rectangles: runs of MCUs along each
// MCU row, joined downwards while a run repeats exactly.
std::vector<TJpegPixelRect> TQvJpegEngine::ChangedMcuRects(const TJpegGeometry& geometry, int32_t mcuWidth,
                                                           int32_t mcuHeight) const {
  std::vector<TJpegPixelRect> result;
  const TRect bounds{0, 0, geometry.OutWidth, geometry.OutHeight};
  const int32_t columns = (geometry.OutWidth + mcuWidth - 1) / mcuWidth;
  const int32_t rows = (geometry.OutHeight + mcuHeight - 1) / mcuHeight;
  std::vector<uint8_t> met;
  for (const TRect& changed : FChangedRects) {
    const TRect r = IntersectRect(changed, bounds);
    if (r.IsEmpty()) continue;
    if (met.empty()) met.assign(size_t(columns) * size_t(rows), 0);
    for (int32_t y = r.Top / mcuHeight; y < (r.Bottom + mcuHeight - 1) / mcuHeight; ++y)
      std::fill_n(met.begin() + ptrdiff_t(size_t(y) * columns + size_t(r.Left / mcuWidth)),
                  (r.Right + mcuWidth - 1) / mcuWidth - r.Left / mcuWidth, uint8_t(1));
  }
  if (met.empty()) return result;
  std::vector<size_t> open;  // rects of `result` that end on the previous MCU row
  for (int32_t y = 0; y < rows; ++y) {
    std::vector<size_t> next;
    const uint8_t* row = met.data() + size_t(y) * columns;
    for (int32_t x = 0; x < columns;) {
      if (!row[x]) {
        ++x;
        continue;
      }
      int32_t end = x;
      while (end < columns && row[end]) ++end;
      const int32_t left = x * mcuWidth, right = std::min(end * mcuWidth, geometry.OutWidth);
      const int32_t bottom = std::min((y + 1) * mcuHeight, geometry.OutHeight);
      auto same = std::find_if(open.begin(), open.end(), [&](size_t i) {
        return result[i].Left == left && result[i].Right == right;
      });
      if (same != open.end()) {
        result[*same].Bottom = bottom;
        next.push_back(*same);
      } else {
        result.push_back(TJpegPixelRect{left, y * mcuHeight, right, bottom});
        next.push_back(result.size() - 1);
      }
      x = end;
    }
    open.swap(next);
  }
  return result;
}

// ---- save ----

bool TQvJpegEngine::Encode(const TVJPEGSaveOptions& options, std::vector<uint8_t>& out) {
  if (!FLoaded) return false;
  // The codec layer retries a failed save with the eighth value 0: then everything is re-encoded.
  const bool lossless = SaveIsLossless() && options.Values[7] != 0;
  TJpegGeometry geometry = PlaneGeometry();
  if (!lossless) {
    geometry.PlaneX = geometry.PlaneY = 0;
    geometry.OutWidth = GetWidth();
    geometry.OutHeight = GetHeight();
    // Pixels read in part cannot stand for the whole picture.
    if (!FPixels || FPartialPixels) return false;
  }
  const int32_t mcuWidth = GetBlockWidth(), mcuHeight = GetBlockHeight();
  std::vector<TJpegPixelRect> rects;
  if (lossless) rects = ChangedMcuRects(geometry, mcuWidth, mcuHeight);
  if (!rects.empty() && !FPixels) return false;

  const bool cut = FRegion != TRect{0, 0, TurnedWidth(), TurnedHeight()};
  const bool pictureChanged = FTurned || cut || FResized || !FChangedRects.empty();
  if (lossless && !pictureChanged && !FTransposed && !FFlipX && !FFlipY) {
    out = FBytes;  // nothing to change: the source as it is
  } else {
    std::vector<TJpegSegment> segments;
    ReadJpegSegments(FBytes.data(), FBytes.size(), segments);
    TJpegMetadataChange change;
    change.OrientationOne = FTurned;
    change.DropThumbnails = pictureChanged;
    if (FTransposed || cut || FResized) {
      change.Width = geometry.OutWidth;
      change.Height = geometry.OutHeight;
    }
    const bool newThumbnail = pictureChanged && (FPixels || FPartialPixels) && JpegSegmentsHaveThumbnail(segments);
    std::vector<TJpegMarkerOut> markers;
    // Each time from the segments as read: a change is not made twice.
    const std::vector<TJpegSegment> read = segments;
    const auto makeMarkers = [&] {
      segments = read;
      ChangeJpegSegments(segments, change);
      markers.clear();
      for (const TJpegSegment& segment : segments)
        markers.push_back(TJpegMarkerOut{segment.Code, segment.Payload.data(), uint32_t(segment.Payload.size())});
    };

    TJpegSaveJob job;
    job.Source = FBytes.data();
    job.SourceSize = FBytes.size();
    job.Geometry = geometry;
    // Every MCU changed (a resize, a whole new picture): one plain encode does the same job.
    const bool allChanged = rects.size() == 1 && rects[0].Left == 0 && rects[0].Top == 0 &&
                            rects[0].Right == geometry.OutWidth && rects[0].Bottom == geometry.OutHeight;
    job.Reencode = !lossless || allChanged;
    if (job.Reencode && FPartialPixels) return false;
    job.Pixels = FPixels;
    job.Stride = FPixelStride;
    job.Rects = rects.data();
    job.RectCount = int32_t(rects.size());
    // Pixels read in part make the thumbnail from the source's blocks as the save reads them
    // (the few corrected blocks do not show at that scale); whole pixels make it at once.
    if (newThumbnail && FPartialPixels && !job.Reencode) {
      job.ReducedSource = [&](const TJpegReduced& reduced) {
        change.Thumbnail = ThumbnailFromReduced(geometry, reduced);
        makeMarkers();
        job.Markers = markers.data();
        job.MarkerCount = int32_t(markers.size());
      };
    } else if (newThumbnail) {
      change.Thumbnail = SavedThumbnail(geometry);
    }
    makeMarkers();
    job.Markers = markers.data();
    job.MarkerCount = int32_t(markers.size());
    job.Progressive = FInfo.Progressive;
    job.Ahead = FAhead.get();
    const bool saved = JpegEngineSave(job, out);
    if (!job.Reencode) FAhead.reset();  // taken, or of no use to a second try
    if (!saved) return false;
  }
  return true;
}

// The new embedded thumbnail from the document's pixels.
std::vector<uint8_t> TQvJpegEngine::SavedThumbnail(const TJpegGeometry& geometry) const {
  return MakeThumbnail(geometry.OutWidth, geometry.OutHeight, [this](int64_t x, int64_t y) {
    return FPixels + y * FPixelStride + x * 3;
  });
}

// The new embedded thumbnail from the source at an eighth of its size, turned and cut as the
// saved picture is.
std::vector<uint8_t> TQvJpegEngine::ThumbnailFromReduced(const TJpegGeometry& geometry,
                                                         const TJpegReduced& reduced) const {
  if (reduced.Bgr.empty()) return {};
  return MakeThumbnail(geometry.OutWidth, geometry.OutHeight, [&](int64_t x, int64_t y) {
    const int64_t tx = FRegion.Left + x, ty = FRegion.Top + y;
    const int64_t x1 = FFlipX ? TurnedWidth() - 1 - tx : tx, y1 = FFlipY ? TurnedHeight() - 1 - ty : ty;
    const int64_t sx = std::clamp<int64_t>((FTransposed ? y1 : x1) / 8, 0, reduced.Width - 1);
    const int64_t sy = std::clamp<int64_t>((FTransposed ? x1 : y1) / 8, 0, reduced.Height - 1);
    return reduced.Bgr.data() + (sy * reduced.Width + sx) * 3;
  });
}

int32_t TQvJpegEngine::SaveToOutput(TQvFileOutput& output, const TVJPEGSaveOptions& options) {
  std::vector<uint8_t> out;
  if (!Encode(options, out) || !output.Write(out.data(), out.size())) return 0;
  // The saved file is the new source: the next save starts from what this one wrote. The
  // document's pixels stay what they were, read in part or whole.
  const bool partial = FPartialPixels;
  if (!Adopt(std::move(out), true)) Close();
  FPartialPixels = partial && FLoaded;
  return 1;
}

int32_t TQvJpegEngine::SaveToFile(const QString& fileName, const TVJPEGSaveOptions& options) {
  if (!FLoaded) return 0;
  TQvFileOutput output(fileName);
  return output.Open() && SaveToOutput(output, options) != 0 && output.Commit() ? 1 : 0;
}

void TQvJpegEngine::GetQualityValues(uint16_t values[2]) {
  values[0] = values[1] = 0;
  if (!FLoaded || FInfo.Components < 1) return;
  values[0] = EstimateQuality(FInfo.Quant[FInfo.QuantSlot[0]], StandardLuma);
  values[1] = FInfo.Components == 3 ? EstimateQuality(FInfo.Quant[FInfo.QuantSlot[1]], StandardChroma) : values[0];
}
