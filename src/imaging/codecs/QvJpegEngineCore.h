#pragma once
// The lossless engine's work on libjpeg: reading a header, decoding turned and cut pixels, and
// writing a turned, cut and partly recompressed file. Everything here takes plain records and
// pointers: libjpeg reports errors by a jump, so these functions hold no object that has a
// destructor. The engine object (QvJpegEngine.cpp) prepares the records in ordinary C++.

#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <utility>
#include <vector>

// What the engine needs of a JPEG that it can take (see JpegEngineInspect for which ones).
struct TJpegSourceInfo {
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Components = 0;     // 1 (grey) or 3 (YCbCr)
  int32_t HSamp[3] = {};      // sampling factors per component
  int32_t VSamp[3] = {};
  int32_t MaxH = 1, MaxV = 1;  // the largest factors: the MCU is 8·MaxH × 8·MaxV pixels
  bool Progressive = false;
  int32_t QuantSlot[3] = {};  // which table each component uses
  bool HasQuant[4] = {};
  uint16_t Quant[4][64] = {};  // natural (row-major) order
};

// A quarter-turn group element followed by a cut, relative to the source. The turned plane is the
// source padded to whole MCUs, transposed when Transpose, then mirrored (FlipX, FlipY). The result
// is the OutWidth × OutHeight rectangle of that plane whose top left is (PlaneX, PlaneY).
struct TJpegGeometry {
  bool Transpose = false;
  bool FlipX = false;
  bool FlipY = false;
  int32_t PlaneX = 0, PlaneY = 0;
  int32_t OutWidth = 0, OutHeight = 0;
};

// One marker segment to write after SOI, in file order: APPn and COM only.
struct TJpegMarkerOut {
  int32_t Code = 0;  // 0xE0..0xEF, 0xFE
  const uint8_t* Data = nullptr;
  uint32_t Size = 0;  // at most 65533
};

// Pixel rectangles of the result (MCU-aligned but for the right and bottom edge) to recompress
// from the pixels.
struct TJpegPixelRect {
  int32_t Left, Top, Right, Bottom;
};

// A picture at an eighth of its size in each direction (blue, green, red rows, Width × Height).
struct TJpegReduced {
  int32_t Width = 0, Height = 0;
  std::vector<uint8_t> Bgr;
};

// The source's coefficients read on a second thread while the caller does other work, for a
// save that keeps the blocks and follows soon (a caller that read only a few rows of pixels).
// The save takes them instead of reading the source again: for a source of one scan it encodes
// right behind the reader, each block row once the reader has finished it. The thread also takes
// each block's DC term for a thumbnail. Whatever went wrong on the way, the save fails or reads
// the source itself, as without them. The bytes must outlive the object, which waits for its
// thread when it goes (QvJpegEngineAhead.cpp).
struct TJpegHeldSource;
class TJpegCoefficientsAhead {
 public:
  // Throws when no thread can be started. spanRows: the tallest run of pixel rows the caller may
  // change (0: any); a save whose changed blocks fit such runs then finds the blocks in a ring of
  // a few rows that the reader fills as the save goes.
  TJpegCoefficientsAhead(const uint8_t* data, uint64_t size, int32_t spanRows = 0);
  ~TJpegCoefficientsAhead();
  TJpegCoefficientsAhead(const TJpegCoefficientsAhead&) = delete;
  TJpegCoefficientsAhead& operator=(const TJpegCoefficientsAhead&) = delete;
  // For a save of exactly these bytes, once: waits until the read failed (nullptr), ended, or
  // (one scan) has set up the arrays it is filling.
  TJpegHeldSource* Take(const uint8_t* data, uint64_t size);

 private:
  std::unique_ptr<TJpegHeldSource> FHeld;
  std::thread FThread;
  bool FTaken = false;
};

struct TJpegSaveJob {
  const uint8_t* Source = nullptr;
  uint64_t SourceSize = 0;
  TJpegGeometry Geometry;
  bool Reencode = false;          // everything from the pixels (Geometry only gives the size)
  const uint8_t* Pixels = nullptr;  // blue-green-red rows of OutWidth × OutHeight; may be null
  int64_t Stride = 0;               //   when Reencode is false and there are no rects
  const TJpegPixelRect* Rects = nullptr;
  int32_t RectCount = 0;
  const TJpegMarkerOut* Markers = nullptr;
  int32_t MarkerCount = 0;
  bool Progressive = false;
  // For a save that keeps the blocks: called once the source's coefficients are all read and
  // before the markers go into the file (a save that follows a reader ahead writes them in after
  // SOI at its end), with the source (as stored, not turned) at an eighth of its size made from
  // each block's mean. It may set Markers and MarkerCount; what it throws is ignored.
  std::function<void(const TJpegReduced&)> ReducedSource;
  // The source's coefficients read ahead, if any (a save that keeps the blocks uses them).
  TJpegCoefficientsAhead* Ahead = nullptr;
};

// Reads the header; true only for what the engine keeps losslessly: 8-bit Huffman (baseline,
// extended or progressive) with one grey component sampled 1 × 1 or three YCbCr components whose
// factors divide the largest, at most 4.
bool JpegEngineInspect(const uint8_t* data, uint64_t size, TJpegSourceInfo& info);

// Decodes the source through the geometry (turned plane coordinates, PlaneX/PlaneY measured on the
// real picture, i.e. without the padding) into blue-green-red rows. Damage is an error.
bool JpegEngineDecode(const uint8_t* data, uint64_t size, const TJpegGeometry& geometry, uint8_t* firstPixel,
                      int64_t stride);

// The same for the rows of the given spans [first, second) of the source only (a geometry without a
// transpose); the output rows they do not reach are left as they were. Spans may overlap.
bool JpegEngineDecodeRows(const uint8_t* data, uint64_t size, const TJpegGeometry& geometry, uint8_t* firstPixel,
                          int64_t stride, const std::vector<std::pair<int32_t, int32_t>>& sourceRows);

// The source as stored, from the top, in strips of a few rows of blue-green-red pixels:
// take(top, count, rows) has each strip as it is decoded, and stops the decode by answering false.
// The same pixels as JpegEngineDecode without a turn or cut; damage is an error.
bool JpegEngineDecodeStrips(const uint8_t* data, uint64_t size,
                            const std::function<bool(int32_t top, int32_t count, const uint8_t* const* rows)>& take);

// Writes the job's JPEG into out (replaced). False on any libjpeg error or damage in the source.
bool JpegEngineSave(const TJpegSaveJob& job, std::vector<uint8_t>& out);

// ---- metadata segments (QvJpegEngineMarkers.cpp), plain C++ on bounds-checked bytes ----

// One APPn or COM segment before the first scan: its code and its payload (without the length).
struct TJpegSegment {
  uint8_t Code = 0;
  std::vector<uint8_t> Payload;
};

// The APPn and COM segments of a JPEG in file order. False when the marker structure before the
// first scan is broken.
bool ReadJpegSegments(const uint8_t* data, uint64_t size, std::vector<TJpegSegment>& segments);
// True when the entropy-coded data that follows the first scan header runs into an EOI marker
// before the bytes end (a cut-off file does not).
bool JpegReachesEnd(const uint8_t* data, uint64_t size);
// The EXIF orientation (IFD0 tag 274) of the first EXIF segment, 1 when there is none.
uint16_t JpegSegmentsOrientation(const std::vector<TJpegSegment>& segments);

// True when the first EXIF segment links a JPEG thumbnail directory.
bool JpegSegmentsHaveThumbnail(const std::vector<TJpegSegment>& segments);

// How the saved file's metadata must differ from the source's.
struct TJpegMetadataChange {
  bool OrientationOne = false;  // the pixels were turned: the tags say 1
  bool DropThumbnails = false;  // the picture changed: no embedded thumbnail may show the old one
  // When not empty, the new picture's EXIF thumbnail (a small JPEG) that replaces the old one; it
  // is dropped instead when it does not fit into the segment.
  std::vector<uint8_t> Thumbnail;
  int32_t Width = 0, Height = 0;  // the saved size, for the EXIF pixel dimensions (0: keep)
};
// Applies the change to the segments in place (EXIF, XMP, JFIF and JFXX thumbnails).
void ChangeJpegSegments(std::vector<TJpegSegment>& segments, const TJpegMetadataChange& change);
