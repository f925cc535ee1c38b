// Property items to and from Exiv2. Exiv2 names a tag by its directory ("Image" for IFD0, "Photo"
// for the Exif directory, "GPSInfo", "Thumbnail" for IFD1); the item list numbers IFD0, Exif and
// GPS tags by their tag number and moves the thumbnail directory to $5020.. so its tags do not
// collide with the main image's.

#include "QvImageProperties.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

namespace {

struct TThumbnailTag {
  uint16_t Tag;  // in IFD1
  uint32_t Id;   // in the item list
};

// IFD1 tags of the embedded thumbnail and their item ids.
constexpr TThumbnailTag ThumbnailTags[] = {
    {256, 0x5020}, {257, 0x5021}, {258, 0x5022}, {259, 0x5023}, {262, 0x5024}, {270, 0x5025},
    {271, 0x5026}, {272, 0x5027}, {273, 0x5028}, {274, 0x5029}, {277, 0x502A}, {278, 0x502B},
    {279, 0x502C}, {282, 0x502D}, {283, 0x502E}, {284, 0x502F}, {296, 0x5030}, {301, 0x5031},
    {305, 0x5032}, {306, 0x5033}, {315, 0x5034}, {318, 0x5035}, {319, 0x5036}, {529, 0x5037},
    {530, 0x5038}, {531, 0x5039}, {532, 0x503A}, {33432, 0x503B},
};

// IFD0 tags that describe how a TIFF file lays out its pixels, and directory pointers: they belong
// to the file they came from, not to the photo, and would be wrong in any file written from it.
bool IsStructuralTag(uint16_t tag) {
  switch (tag) {
    case 254: case 255: case 256: case 257: case 258: case 259: case 262: case 266: case 273:
    case 277: case 278: case 279: case 284: case 317: case 320: case 322: case 323: case 324:
    case 325: case 330: case 338: case 339: case 347: case 513: case 514: case 34665: case 34853:
      return true;
    default:
      return false;
  }
}

const std::set<uint16_t>& PhotoTags() {
  static const std::set<uint16_t> tags = [] {
    std::set<uint16_t> result;
    for (const Exiv2::TagInfo* info = Exiv2::ExifTags::tagList("Photo"); info && info->tag_ != 0xFFFF; ++info)
      result.insert(info->tag_);
    return result;
  }();
  return tags;
}

void InitializeExiv2() {
  static std::once_flag once;
  std::call_once(once, [] {
    Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
    Exiv2::XmpParser::initialize();
    PhotoTags();
  });
}

bool IsTiffType(uint32_t type) { return type >= 1 && type <= 12; }

void StoreDatum(TQvCustomProperties& properties, uint32_t id, const Exiv2::Exifdatum& datum) {
  const long size = datum.size();
  if (size <= 0 || !IsTiffType(uint32_t(datum.typeId()))) return;
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  datum.copy(bytes.data(), Exiv2::littleEndian);
  properties.SetValue(id, uint32_t(datum.typeId()), uint32_t(size), bytes.data());
}

void StoreExif(TQvCustomProperties& properties, const Exiv2::ExifData& exif) {
  for (const Exiv2::Exifdatum& datum : exif) {
    uint32_t id = 0;
    if (ExifKeyToPropertyId(datum.groupName(), datum.tag(), id)) StoreDatum(properties, id, datum);
  }
  Exiv2::ExifThumbC thumbnail(exif);
  const Exiv2::DataBuf bytes = thumbnail.copy();
  if (bytes.size_ > 0)
    properties.SetValue(QvPropertyTag::ThumbnailData, QvPropertyTypeCode::Byte, uint32_t(bytes.size_), bytes.pData_);
}

uint32_t Get32BE(const uint8_t* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }

// The payload of a PNG file's eXIf chunk; Exiv2 does not read it.
bool FindPngExif(const uint8_t* data, uint64_t size, const uint8_t*& exif, uint64_t& exifSize) {
  uint64_t pos = 8;
  while (pos + 12 <= size) {
    const uint64_t length = Get32BE(data + pos);
    if (length > size - pos - 12) return false;
    if (std::memcmp(data + pos + 4, "eXIf", 4) == 0) {
      exif = data + pos + 8;
      exifSize = length;
      return true;
    }
    if (std::memcmp(data + pos + 4, "IDAT", 4) == 0) return false;
    pos += 12 + length;
  }
  return false;
}

Exiv2::Value::AutoPtr ItemValue(const TQvPropertyItem& item) {
  const uint32_t type = item.DataType & 0xFFFF;
  if (!IsTiffType(type) || item.Size == 0 || item.Size > 0x7FFFFFFF) return Exiv2::Value::AutoPtr();
  const long unit = Exiv2::TypeInfo::typeSize(Exiv2::TypeId(type));
  if (unit <= 0 || item.Size % uint32_t(unit) != 0) return Exiv2::Value::AutoPtr();
  Exiv2::Value::AutoPtr value = Exiv2::Value::create(Exiv2::TypeId(type));
  if (value->read(static_cast<const Exiv2::byte*>(item.Data), long(item.Size), Exiv2::littleEndian) != 0)
    return Exiv2::Value::AutoPtr();
  return value;
}

// Every item that has an EXIF home, as Exiv2 data.
void BuildExifData(const TQvCustomProperties& properties, Exiv2::ExifData& exif) {
  for (int i = 0; i < properties.Count(); ++i) {
    const TQvPropertyItem* item = properties.Items(i);
    std::string group;
    uint16_t tag = 0;
    if (!item || !PropertyIdToExifKey(item->Key, group, tag)) continue;
    Exiv2::Value::AutoPtr value = ItemValue(*item);
    if (!value.get()) continue;
    const Exiv2::ExifKey key(tag, group);
    Exiv2::ExifData::iterator old = exif.findKey(key);
    if (old != exif.end()) exif.erase(old);
    exif.add(key, value.get());
  }
}

QByteArray ItemBytes(const TQvCustomProperties& properties, uint32_t tag) {
  const int index = FindPropertyItem(properties, tag);
  const TQvPropertyItem* item = index >= 0 ? properties.Items(index) : nullptr;
  if (!item || !item->Data || item->Size == 0) return QByteArray();
  return QByteArray(static_cast<const char*>(item->Data), qsizetype(item->Size));
}

}  // namespace

int FindPropertyItem(const TQvCustomProperties& properties, uint32_t tag) { return properties.IndexOfKey(tag); }

QString ReadAsciiProperty(const TQvCustomProperties& properties, uint32_t tag) {
  const int index = FindPropertyItem(properties, tag);
  const TQvPropertyItem* item = index >= 0 ? properties.Items(index) : nullptr;
  if (!item || !item->Data || item->Size == 0) return QString();
  const char* text = static_cast<const char*>(item->Data);
  const void* zero = std::memchr(text, 0, item->Size);
  const size_t length = zero ? size_t(static_cast<const char*>(zero) - text) : size_t(item->Size);
  return QString::fromLatin1(text, qsizetype(length)).trimmed();
}

int ReadOrientationProperty(const TQvCustomProperties& properties) {
  const int index = FindPropertyItem(properties, QvPropertyTag::Orientation);
  const TQvPropertyItem* item = index >= 0 ? properties.Items(index) : nullptr;
  if (!item || !item->Data || item->Size == 0) return -1;
  return *static_cast<const uint8_t*>(item->Data);
}

void ResetOrientationProperty(TQvCustomProperties& properties) {
  if (FindPropertyItem(properties, QvPropertyTag::Orientation) < 0) return;
  const uint8_t one[2] = {1, 0};  // SHORT 1, little-endian
  properties.SetValue(QvPropertyTag::Orientation, QvPropertyTypeCode::Short, 2, one);
}

void RemoveThumbnailProperties(TQvCustomProperties& properties) {
  for (uint32_t id = QvPropertyTag::ThumbnailFormat; id <= QvPropertyTag::ThumbnailLast; ++id)
    if (id != QvPropertyTag::ColorTransferFunction) properties.Delete(id);
}

bool PropertyIdToExifKey(uint32_t id, std::string& group, uint16_t& tag) {
  if (id <= 0x1F) {
    group = "GPSInfo";
    tag = uint16_t(id);
    return true;
  }
  for (const TThumbnailTag& entry : ThumbnailTags) {
    if (entry.Id == id) {
      group = "Thumbnail";
      tag = entry.Tag;
      return true;
    }
  }
  if (id > 0xFFFF || (id >= 0x5000 && id <= 0x5FFF)) return false;  // the list's own ids
  if (id == QvPropertyTag::XmpPacket || id == QvPropertyTag::IccProfile) return false;
  tag = uint16_t(id);
  if (IsStructuralTag(tag)) return false;
  InitializeExiv2();
  group = PhotoTags().count(tag) ? "Photo" : "Image";
  return true;
}

bool ExifKeyToPropertyId(const std::string& group, uint16_t tag, uint32_t& id) {
  if (group == "Image") {
    if (IsStructuralTag(tag) || (tag >= 0x5000 && tag <= 0x5FFF)) return false;
    id = tag;
    return true;
  }
  if (group == "Photo") {
    if (tag == 40965) return false;  // pointer to the interoperability directory
    id = tag;
    return true;
  }
  if (group == "GPSInfo") {
    if (tag > 0x1F) return false;
    id = tag;
    return true;
  }
  if (group == "Thumbnail") {
    for (const TThumbnailTag& entry : ThumbnailTags) {
      if (entry.Tag == tag) {
        id = entry.Id;
        return true;
      }
    }
  }
  return false;
}

void ReadImageProperties(TQvImageProperties& properties, const uint8_t* data, uint64_t size,
                         int32_t resolutionX, int32_t resolutionY) {
  properties.Clear();
  properties.FResolutionX = RecordedResolution(resolutionX);
  properties.FResolutionY = RecordedResolution(resolutionY);
  if (size < 8 || size > uint64_t(0x7FFFFFFF)) return;
  InitializeExiv2();
  try {
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(data, long(size));
    if (!image.get()) return;
    try {
      image->readMetadata();
    } catch (const std::exception&) {
      // One bad block (say a malformed ICC profile) must not cost the photo its other metadata.
    }
    StoreExif(properties, image->exifData());
    if (image->exifData().empty() && image->imageType() == Exiv2::ImageType::png) {
      const uint8_t* exif = nullptr;
      uint64_t exifSize = 0;
      if (FindPngExif(data, size, exif, exifSize)) {
        Exiv2::ExifData parsed;
        Exiv2::IptcData iptc;
        Exiv2::XmpData xmp;
        Exiv2::ExifParser::decode(parsed, exif, uint32_t(exifSize));
        StoreExif(properties, parsed);
      }
    }
    Exiv2::DataBuf* icc = image->iccProfile();
    if (icc && icc->size_ > 0)
      properties.SetValue(QvPropertyTag::IccProfile, QvPropertyTypeCode::Undefined, uint32_t(icc->size_), icc->pData_);
    const std::string& xmp = image->xmpPacket();
    if (!xmp.empty())
      properties.SetValue(QvPropertyTag::XmpPacket, QvPropertyTypeCode::Byte, uint32_t(xmp.size()), xmp.data());
  } catch (const std::exception&) {
    // Damaged metadata leaves whatever was read before it; the pixels decide whether the file opens.
  }
}

namespace {
// The most EXIF one JPEG segment holds: 65,535 less the length field and "Exif\0\0".
constexpr size_t JpegExifLimit = 65527;
}  // namespace

TQvMetadataBlobs BuildMetadataBlobs(const TQvCustomProperties& properties) {
  TQvMetadataBlobs blobs;
  blobs.Icc = ItemBytes(properties, QvPropertyTag::IccProfile);
  blobs.Xmp = ItemBytes(properties, QvPropertyTag::XmpPacket);
  InitializeExiv2();
  try {
    Exiv2::ExifData exif;
    BuildExifData(properties, exif);
    if (!exif.empty()) {
      blobs.HasExifItems = true;
      // Exiv2 drops large items (previews, long comments, maker notes) until the block fits one
      // JPEG segment; a PNG takes the whole block.
      Exiv2::Blob blob;
      Exiv2::ExifParser::encode(blob, Exiv2::littleEndian, exif);
      blobs.Exif.assign(blob.begin(), blob.end());
      Exiv2::MemIo whole;
      Exiv2::TiffParser::encode(whole, nullptr, 0, Exiv2::littleEndian, exif, Exiv2::IptcData(), Exiv2::XmpData());
      if (whole.size() > JpegExifLimit && whole.open() == 0) {
        const Exiv2::DataBuf bytes = whole.read(long(whole.size()));
        blobs.ExifWhole.assign(bytes.pData_, bytes.pData_ + bytes.size_);
      }
    }
  } catch (const std::exception&) {
    blobs.Exif.clear();
  }
  return blobs;
}

bool WriteTiffExif(const TQvCustomProperties& properties, std::vector<uint8_t>& tiff, QString& reason) {
  InitializeExiv2();
  try {
    Exiv2::ExifData items;
    BuildExifData(properties, items);
    if (items.empty()) return true;
    Exiv2::Image::AutoPtr image = Exiv2::ImageFactory::open(tiff.data(), long(tiff.size()));
    image->readMetadata();
    Exiv2::ExifData& exif = image->exifData();
    for (const Exiv2::Exifdatum& datum : items) {
      if (datum.groupName() == "Image" && exif.findKey(Exiv2::ExifKey(datum.key())) != exif.end()) continue;
      exif.add(datum);
    }
    image->writeXmpFromPacket(true);
    image->writeMetadata();
    Exiv2::BasicIo& io = image->io();
    if (io.open() != 0) return false;
    const long size = long(io.size());
    Exiv2::DataBuf bytes = io.read(size);
    io.close();
    if (bytes.size_ != size) return false;
    tiff.assign(bytes.pData_, bytes.pData_ + bytes.size_);
    return true;
  } catch (const std::exception& e) {
    reason = QString::fromUtf8(e.what());
    return false;
  }
}

QByteArray ReadEmbeddedJpegThumbnail(const uint8_t* data, uint64_t size) {
  if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) return QByteArray();
  uint64_t pos = 2;
  while (pos + 4 <= size) {
    if (data[pos] != 0xFF) return QByteArray();
    const uint8_t marker = data[pos + 1];
    if (marker == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (marker == 0xDA || marker == 0xD9) return QByteArray();  // image data: no EXIF before it
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
      pos += 2;
      continue;
    }
    const uint64_t length = (uint64_t(data[pos + 2]) << 8) | data[pos + 3];
    if (length < 2 || pos + 2 + length > size) return QByteArray();
    const uint8_t* payload = data + pos + 4;
    const uint64_t payloadSize = length - 2;
    if (marker == 0xE1 && payloadSize > 6 && std::memcmp(payload, "Exif\0\0", 6) == 0) {
      InitializeExiv2();
      try {
        Exiv2::ExifData exif;
        Exiv2::ExifParser::decode(exif, payload + 6, uint32_t(payloadSize - 6));
        Exiv2::ExifThumbC thumbnail(exif);
        const Exiv2::DataBuf bytes = thumbnail.copy();
        return QByteArray(reinterpret_cast<const char*>(bytes.pData_), qsizetype(bytes.size_));
      } catch (const std::exception&) {
        return QByteArray();
      }
    }
    pos += 2 + length;
  }
  return QByteArray();
}
