// The metadata segments of a JPEG that the lossless engine copies into its saved file, and the
// few places where they must change with the picture: the orientation tags (EXIF IFD0 and IFD1,
// XMP), the EXIF pixel dimensions, and embedded thumbnails (EXIF IFD1, JFIF, JFXX). Every offset
// read from the file is checked in 64-bit arithmetic before it is used.

#include "QvJpegEngineCore.h"

#include <cstddef>
#include <cstring>
#include <string_view>

namespace {

constexpr uint8_t MarkerSos = 0xDA;
constexpr uint8_t MarkerEoi = 0xD9;
constexpr uint8_t MarkerSoi = 0xD8;
constexpr uint8_t MarkerCom = 0xFE;
constexpr uint8_t MarkerApp0 = 0xE0;
constexpr uint8_t MarkerApp1 = 0xE1;

constexpr char ExifId[6] = {'E', 'x', 'i', 'f', 0, 0};
constexpr uint64_t MaxSegmentPayload = 65533;
constexpr char XmpId[] = "http://ns.adobe.com/xap/1.0/";  // followed by its zero

bool IsStandalone(uint8_t code) { return code == 0x01 || (code >= 0xD0 && code <= 0xD7); }

bool StartsWith(const std::vector<uint8_t>& payload, const void* prefix, size_t size) {
  return payload.size() >= size && std::memcmp(payload.data(), prefix, size) == 0;
}

bool IsExif(const TJpegSegment& segment) {
  return segment.Code == MarkerApp1 && StartsWith(segment.Payload, ExifId, sizeof ExifId);
}

// A TIFF structure inside an EXIF payload, read and patched in place.
class TTiffView {
 public:
  TTiffView(uint8_t* data, uint64_t size) : FData(data), FSize(size) {
    if (size < 8) return;
    if (data[0] == 'I' && data[1] == 'I') FLittle = true;
    else if (data[0] == 'M' && data[1] == 'M') FLittle = false;
    else return;
    FValid = Get16(2) == 42;
  }
  bool Valid() const { return FValid; }
  uint64_t Size() const { return FSize; }

  bool Fits(uint64_t offset, uint64_t length) const { return offset <= FSize && length <= FSize - offset; }
  uint32_t Get16(uint64_t at) const {
    if (!Fits(at, 2)) return 0;
    return FLittle ? uint32_t(FData[at]) | uint32_t(FData[at + 1]) << 8 : uint32_t(FData[at]) << 8 | FData[at + 1];
  }
  uint32_t Get32(uint64_t at) const {
    if (!Fits(at, 4)) return 0;
    return FLittle ? uint32_t(Get16(at)) | uint32_t(Get16(at + 2)) << 16 : uint32_t(Get16(at)) << 16 | Get16(at + 2);
  }
  void Put16(uint64_t at, uint32_t value) {
    if (!Fits(at, 2)) return;
    FData[at + (FLittle ? 0 : 1)] = uint8_t(value);
    FData[at + (FLittle ? 1 : 0)] = uint8_t(value >> 8);
  }
  void Put32(uint64_t at, uint32_t value) {
    if (!Fits(at, 4)) return;
    Put16(at + (FLittle ? 0 : 2), value & 0xFFFF);
    Put16(at + (FLittle ? 2 : 0), value >> 16);
  }
  // Entry count of the directory at offset, 0 when it does not fit.
  uint32_t Entries(uint64_t offset) const {
    if (offset < 8 || !Fits(offset, 2)) return 0;
    const uint32_t count = Get16(offset);
    return Fits(offset + 2, uint64_t(count) * 12 + 4) ? count : 0;
  }
  uint64_t Entry(uint64_t directory, uint32_t index) const { return directory + 2 + uint64_t(index) * 12; }
  uint64_t NextLink(uint64_t directory) const { return directory + 2 + uint64_t(Get16(directory)) * 12; }
  // Entry of tag in the directory, or 0.
  uint64_t Find(uint64_t directory, uint32_t tag) const {
    const uint32_t count = Entries(directory);
    for (uint32_t i = 0; i < count; ++i)
      if (Get16(Entry(directory, i)) == tag) return Entry(directory, i);
    return 0;
  }
  // Sets an inline SHORT or LONG value of count 1.
  void SetInteger(uint64_t entry, uint32_t value) {
    if (!entry || Get32(entry + 4) != 1) return;
    if (Get16(entry + 2) == 3 && value <= 0xFFFF) Put16(entry + 8, value);
    else if (Get16(entry + 2) == 4) Put32(entry + 8, value);
  }
  uint8_t* Data() { return FData; }

 private:
  uint8_t* FData;
  uint64_t FSize;
  bool FLittle = true;
  bool FValid = false;
};

constexpr uint32_t TagOrientation = 274;
constexpr uint32_t TagExifPointer = 34665;
constexpr uint32_t TagPixelWidth = 0xA002;
constexpr uint32_t TagPixelHeight = 0xA003;
constexpr uint32_t TagThumbnailOffset = 513;
constexpr uint32_t TagThumbnailLength = 514;

void ChangeExif(TJpegSegment& segment, const TJpegMetadataChange& change) {
  std::vector<uint8_t>& payload = segment.Payload;
  TTiffView tiff(payload.data() + sizeof ExifId, payload.size() - sizeof ExifId);
  if (!tiff.Valid()) return;
  const uint64_t ifd0 = tiff.Get32(4);
  if (tiff.Entries(ifd0) == 0) return;
  if (change.OrientationOne) tiff.SetInteger(tiff.Find(ifd0, TagOrientation), 1);
  if (change.Width > 0 && change.Height > 0) {
    const uint64_t exifPointer = tiff.Find(ifd0, TagExifPointer);
    const uint64_t exifIfd = exifPointer ? tiff.Get32(exifPointer + 8) : 0;
    if (exifIfd && tiff.Entries(exifIfd) > 0) {
      tiff.SetInteger(tiff.Find(exifIfd, TagPixelWidth), uint32_t(change.Width));
      tiff.SetInteger(tiff.Find(exifIfd, TagPixelHeight), uint32_t(change.Height));
    }
  }
  const uint64_t link = tiff.NextLink(ifd0);
  const uint64_t ifd1 = tiff.Get32(link);
  if (ifd1 == 0 || tiff.Entries(ifd1) == 0) return;
  if (!change.DropThumbnails) {
    if (change.OrientationOne) tiff.SetInteger(tiff.Find(ifd1, TagOrientation), 1);
    return;
  }
  const uint64_t offsetEntry = tiff.Find(ifd1, TagThumbnailOffset);
  const uint64_t lengthEntry = tiff.Find(ifd1, TagThumbnailLength);
  const uint64_t offset = offsetEntry ? tiff.Get32(offsetEntry + 8) : 0;
  const uint64_t length = lengthEntry ? tiff.Get32(lengthEntry + 8) : 0;
  const bool located = offsetEntry && lengthEntry && offset >= 8 && tiff.Fits(offset, length);
  if (located) std::memset(tiff.Data() + offset, 0, size_t(length));
  if (offsetEntry && lengthEntry && tiff.Get16(offsetEntry + 2) == 4 && tiff.Get16(lengthEntry + 2) == 4 &&
      tiff.Get32(offsetEntry + 4) == 1 && tiff.Get32(lengthEntry + 4) == 1 && located && !change.Thumbnail.empty()) {
    // The new thumbnail takes the old one's place when it ends the block (as cameras write it),
    // else goes to the end of the block; the old bytes stay blanked either way.
    if (change.OrientationOne) tiff.SetInteger(tiff.Find(ifd1, TagOrientation), 1);
    const uint64_t at = offset + length == tiff.Size() ? offset : (tiff.Size() + 1) / 2 * 2;
    const uint64_t total = sizeof ExifId + at + change.Thumbnail.size();
    if (total <= MaxSegmentPayload && at <= 0xFFFFFFFFu) {
      tiff.Put32(offsetEntry + 8, uint32_t(at));
      tiff.Put32(lengthEntry + 8, uint32_t(change.Thumbnail.size()));
      payload.resize(size_t(sizeof ExifId + at), 0);
      payload.insert(payload.end(), change.Thumbnail.begin(), change.Thumbnail.end());
      return;
    }
  }
  // No new thumbnail: the directory is unlinked and the old picture blanked, so nothing shows it.
  tiff.Put32(link, 0);
  if (located && offset + length == tiff.Size()) payload.resize(size_t(sizeof ExifId + offset));
}

// Sets the XMP orientation to 1 where it is written as one digit, so the packet keeps its size.
void ChangeXmpOrientation(std::vector<uint8_t>& payload) {
  static const char* const forms[] = {"tiff:Orientation=\"", "tiff:Orientation='", "<tiff:Orientation>"};
  std::string_view text(reinterpret_cast<const char*>(payload.data()), payload.size());
  for (const char* form : forms) {
    const std::string_view key(form);
    for (size_t at = text.find(key); at != std::string_view::npos; at = text.find(key, at + 1)) {
      const size_t digit = at + key.size();
      if (digit + 1 < payload.size() && payload[digit] >= '0' && payload[digit] <= '9' &&
          !(payload[digit + 1] >= '0' && payload[digit + 1] <= '9'))
        payload[digit] = '1';
    }
  }
}

}  // namespace

bool ReadJpegSegments(const uint8_t* data, uint64_t size, std::vector<TJpegSegment>& segments) {
  segments.clear();
  if (!data || size < 4 || data[0] != 0xFF || data[1] != MarkerSoi) return false;
  uint64_t pos = 2;
  while (pos + 2 <= size) {
    if (data[pos] != 0xFF) return false;
    const uint8_t code = data[pos + 1];
    if (code == 0xFF) {
      ++pos;
      continue;
    }
    if (code == MarkerSos) return true;
    if (code == MarkerEoi || code == MarkerSoi) return false;
    if (IsStandalone(code)) {
      pos += 2;
      continue;
    }
    if (pos + 4 > size) return false;
    const uint64_t length = uint64_t(data[pos + 2]) << 8 | data[pos + 3];
    if (length < 2 || length > size - pos - 2) return false;
    if ((code >= MarkerApp0 && code <= 0xEF) || code == MarkerCom) {
      TJpegSegment segment;
      segment.Code = code;
      segment.Payload.assign(data + pos + 4, data + pos + 2 + length);
      segments.push_back(std::move(segment));
    }
    pos += 2 + length;
  }
  return false;
}

bool JpegReachesEnd(const uint8_t* data, uint64_t size) {
  if (!data || size < 4) return false;
  uint64_t pos = 2;
  bool inScan = false;
  while (pos + 2 <= size) {
    if (inScan) {
      const void* found = std::memchr(data + pos, 0xFF, size_t(size - pos));
      if (!found) return false;
      pos = uint64_t(static_cast<const uint8_t*>(found) - data);
      if (pos + 2 > size) return false;
      const uint8_t next = data[pos + 1];
      if (next == 0x00 || next == 0xFF || IsStandalone(next)) {
        pos += next == 0xFF ? 1 : 2;
        continue;
      }
      inScan = false;
      continue;
    }
    if (data[pos] != 0xFF) return false;
    const uint8_t code = data[pos + 1];
    if (code == 0xFF) {
      ++pos;
      continue;
    }
    if (code == MarkerEoi) return true;
    if (code == MarkerSoi) return false;
    if (IsStandalone(code)) {
      pos += 2;
      continue;
    }
    if (pos + 4 > size) return false;
    const uint64_t length = uint64_t(data[pos + 2]) << 8 | data[pos + 3];
    if (length < 2 || length > size - pos - 2) return false;
    pos += 2 + length;
    if (code == MarkerSos) inScan = true;
  }
  return false;
}

uint16_t JpegSegmentsOrientation(const std::vector<TJpegSegment>& segments) {
  for (const TJpegSegment& segment : segments) {
    if (!IsExif(segment)) continue;
    std::vector<uint8_t> copy(segment.Payload.begin() + sizeof ExifId, segment.Payload.end());
    TTiffView tiff(copy.data(), copy.size());
    if (!tiff.Valid()) return 1;
    const uint64_t ifd0 = tiff.Get32(4);
    const uint64_t entry = tiff.Find(ifd0, TagOrientation);
    if (!entry || tiff.Get16(entry + 2) != 3 || tiff.Get32(entry + 4) < 1) return 1;
    return uint16_t(tiff.Get16(entry + 8));
  }
  return 1;
}

bool JpegSegmentsHaveThumbnail(const std::vector<TJpegSegment>& segments) {
  for (const TJpegSegment& segment : segments) {
    if (!IsExif(segment)) continue;
    std::vector<uint8_t> copy(segment.Payload.begin() + sizeof ExifId, segment.Payload.end());
    TTiffView tiff(copy.data(), copy.size());
    if (!tiff.Valid()) return false;
    const uint64_t ifd0 = tiff.Get32(4);
    if (tiff.Entries(ifd0) == 0) return false;
    const uint64_t ifd1 = tiff.Get32(tiff.NextLink(ifd0));
    return ifd1 != 0 && tiff.Find(ifd1, TagThumbnailOffset) != 0;
  }
  return false;
}

void ChangeJpegSegments(std::vector<TJpegSegment>& segments, const TJpegMetadataChange& change) {
  for (size_t i = 0; i < segments.size();) {
    TJpegSegment& segment = segments[i];
    if (IsExif(segment)) {
      ChangeExif(segment, change);
    } else if (segment.Code == MarkerApp1 && change.OrientationOne && StartsWith(segment.Payload, XmpId, sizeof XmpId)) {
      ChangeXmpOrientation(segment.Payload);
    } else if (segment.Code == MarkerApp0 && change.DropThumbnails) {
      if (StartsWith(segment.Payload, "JFXX", 5)) {  // a thumbnail and nothing else
        segments.erase(segments.begin() + std::ptrdiff_t(i));
        continue;
      }
      if (StartsWith(segment.Payload, "JFIF", 5) && segment.Payload.size() >= 14) {
        segment.Payload.resize(14);
        segment.Payload[12] = 0;
        segment.Payload[13] = 0;
      }
    }
    ++i;
  }
}
