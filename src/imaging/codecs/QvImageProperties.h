#pragma once
// Property items of an image file: one (tag, type, bytes) entry per EXIF tag, numbered the way the
// program has always numbered them (IFD0, Exif and GPS tags by their tag number, the thumbnail
// directory at $5012..$503B), plus the ICC profile (tag 34675) and the XMP packet (tag 700).
// Values are little-endian; the type codes are the TIFF ones (1 byte, 2 ASCII, 3 short, 4 long,
// 5 rational, 7 undefined, 9 slong, 10 srational).

#include "QvProperties.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

namespace QvPropertyTag {
inline constexpr uint32_t Make = 271;
inline constexpr uint32_t Model = 272;
inline constexpr uint32_t Orientation = 274;
inline constexpr uint32_t XResolution = 282;
inline constexpr uint32_t YResolution = 283;
inline constexpr uint32_t ResolutionUnit = 296;
inline constexpr uint32_t DateTime = 306;
inline constexpr uint32_t XmpPacket = 700;
inline constexpr uint32_t IccProfile = 34675;
inline constexpr uint32_t ThumbnailFormat = 0x5012;
inline constexpr uint32_t ColorTransferFunction = 0x501A;  // not part of the thumbnail
inline constexpr uint32_t ThumbnailData = 0x501B;
inline constexpr uint32_t ThumbnailLast = 0x503B;
}  // namespace QvPropertyTag

namespace QvPropertyTypeCode {
inline constexpr uint32_t Byte = 1;
inline constexpr uint32_t Ascii = 2;
inline constexpr uint32_t Short = 3;
inline constexpr uint32_t Long = 4;
inline constexpr uint32_t Rational = 5;
inline constexpr uint32_t Undefined = 7;
inline constexpr uint32_t SLong = 9;
inline constexpr uint32_t SRational = 10;
}  // namespace QvPropertyTypeCode

// The document's property list: the items plus the resolution of the last file read.
class TQvImageProperties : public TQvCustomProperties {
 public:
  int32_t FResolutionX = 0;  // dots per inch, rounded
  int32_t FResolutionY = 0;
};

// Index of the item with that tag, or -1.
int FindPropertyItem(const TQvCustomProperties& properties, uint32_t tag);
// An ASCII item's text: its stored bytes up to the first zero, never beyond its length.
QString ReadAsciiProperty(const TQvCustomProperties& properties, uint32_t tag);
// First value byte of the orientation item, or -1 when there is none.
int ReadOrientationProperty(const TQvCustomProperties& properties);
// Sets the orientation item to 1 when there is one.
void ResetOrientationProperty(TQvCustomProperties& properties);

// Drops the embedded thumbnail's items ($5012..$5019, $501B..$503B); $501A stays.
void RemoveThumbnailProperties(TQvCustomProperties& properties);

// Where an item lives in an Exiv2 key ("Exif.<group>.<tag>"); false for items that have no EXIF
// home (ICC, XMP, the colour transfer function, unknown private tags).
bool PropertyIdToExifKey(uint32_t id, std::string& group, uint16_t& tag);
// The item id of an Exiv2 datum; false for data the list does not keep (directory pointers,
// image-structure tags of TIFF, maker-note internals).
bool ExifKeyToPropertyId(const std::string& group, uint16_t tag, uint32_t& id);

// The resolution a load records for a file's own (dots per inch, 0 when unknown): a file without one
// counts as a screen image.
inline int32_t RecordedResolution(int32_t dpi) { return dpi > 0 ? dpi : 96; }

// Clears properties and fills them from the metadata of an image file held in memory (JPEG, PNG or
// TIFF); resolution in dots per inch, 0 when unknown. Metadata that cannot be parsed is skipped:
// a photo with a damaged EXIF block still opens.
void ReadImageProperties(TQvImageProperties& properties, const uint8_t* data, uint64_t size,
                         int32_t resolutionX, int32_t resolutionY);

// The metadata to write with a saved image.
struct TQvMetadataBlobs {
  std::vector<uint8_t> Exif;  // TIFF-structured EXIF block (no "Exif\0\0" prefix); empty if none
  // Every item, for formats without JPEG's 64 KB segment: set only when Exif had to leave large
  // items out to fit one JPEG segment.
  std::vector<uint8_t> ExifWhole;
  QByteArray Icc;
  QByteArray Xmp;
  bool HasExifItems = false;
};
TQvMetadataBlobs BuildMetadataBlobs(const TQvCustomProperties& properties);

// Adds the items' EXIF tags to a TIFF file in memory (ICC and XMP are written by the encoder).
// False with a reason when Exiv2 refuses.
bool WriteTiffExif(const TQvCustomProperties& properties, std::vector<uint8_t>& tiff, QString& reason);

// The embedded EXIF thumbnail of a JPEG file's APP1 block, or empty. Reads only the markers before
// the first scan.
QByteArray ReadEmbeddedJpegThumbnail(const uint8_t* data, uint64_t size);
