#pragma once
// The codec layer: image files to the program's 24-bit rows and back, with the file's property
// items (EXIF tags, ICC profile, XMP packet) carried from opening to saving.
//
// The document formats object calls LoadImageFile and SaveImageFile; the open dialog calls
// DescribeImageFile and CreateThumbnail (the latter on its preview thread). Nothing here shows a
// message: failures come back as false plus a text the caller may show.

#include "QvImageProperties.h"
#include "QvLTBitmap.h"
#include "QvTypes.h"

#include <QImage>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class IVJPEG;
class QPainter;

// The document's format id: the index into the format table.
namespace QvFormatId {
inline constexpr int32_t Jpeg = 0;
inline constexpr int32_t Tiff = 1;
inline constexpr int32_t Png = 2;
inline constexpr int32_t Bmp = 3;
inline constexpr int32_t Qvi = 4;
inline constexpr int32_t PluginImage = -1;
}  // namespace QvFormatId

// JPEG quality of QVI files; a plain JPEG save asks the user.
inline constexpr int32_t QviQuality = 100;
inline constexpr int32_t DefaultJpegQuality = 80;

// What a plug-in exchange-file loader answers.
enum class TQvExchangeLoad { NotExchangeFile, Loaded, Failed };

// The document side of a load. The exchange loader fills the document itself.
struct TQvLoadTarget {
  TQvLTBitmap* Image = nullptr;              // the current image; laid out afresh by the load
  TQvImageProperties* Properties = nullptr;  // cleared and filled by the load
  TQvPixelFormat SourceFormat = 0;           // out: PixelFormat24, or PixelFormat32Alpha for alpha
  IVJPEG* Engine = nullptr;                  // the document's lossless engine; nullptr when none
  std::function<TQvExchangeLoad(const QString& fileName, QString& error)> ExchangeLoader;
  // When not empty, the caller reads and changes only these spans of rows [first, second) of the
  // upright image and saves through the engine without a fresh encoding; the engine may then
  // decode just those (IVJPEG::ReadPixelRows) and leave the other rows zero. Other loads ignore it.
  std::vector<std::pair<int32_t, int32_t>> Rows;
};

// The document side of a save.
struct TQvSaveSource {
  const TQvPixels* Pixels = nullptr;         // the whole current image (PixelFormat24)
  TRect Area;                                // the part to save; empty means the whole image
  TQvImageProperties* Properties = nullptr;  // thumbnail items are dropped from it by the save
  IVJPEG* Engine = nullptr;
  // The rectangles of the image that tools changed since the load or the last engine save (image
  // coordinates); the engine recompresses only the blocks they meet.
  std::vector<TRect> ChangedRects;
  // Asks the user for the JPEG quality (the options dialog). False when cancelled; the callee keeps
  // the quality it last confirmed. Without it, DefaultJpegQuality is used.
  std::function<bool(int32_t& quality)> AskJpegQuality;
  // Told once the save is certain to be attempted (the tools' DocumentSaving).
  std::function<void()> DocumentSaving;
  // Writes a plug-in session image (format id -1) back for the host.
  std::function<bool(const QString& fileName, QString& error)> ExchangeSaver;
};

// Fills target.Image and target.Properties from fileName and sets formatId. The file on disk is
// never written. On failure error holds a message and the image is left empty.
bool LoadImageFile(TQvLoadTarget& target, const QString& fileName, int32_t& formatId, QString& error);

// The same for an image already in memory (JPEG, TIFF, PNG or BMP), without the engine or the
// exchange loader.
bool LoadImageBytes(TQvLoadTarget& target, const uint8_t* data, uint64_t size, int32_t& formatId, QString& error);

// Writes formatId's encoding of the source's area to fileName through an unnamed file in the
// same folder (TQvFileOutput), so a failure or a kill leaves the old file as it was and nothing
// else behind; special files are refused. False with an empty error means the
// user cancelled the quality question (nothing was written and nobody was told of a save).
bool SaveImageFile(TQvSaveSource& source, const QString& fileName, int32_t formatId, QString& error);

// Turns or mirrors a JPEG into another JPEG through the engine alone, its pixels never decoded:
// upright by its orientation tag first, as a load would, then `transform`. Only done when the
// result keeps every block; false leaves out as it was (not a JPEG, blocks off the grid, a
// damaged file, a failed write), and the caller goes the way of a full load, which tells why.
bool TransformJpegWithoutPixels(IVJPEG& engine, const QString& in, const QString& out,
                                const std::function<void(IVJPEG& engine)>& transform);

// Writes the JPEG file in as a BMP file out strip by strip as it decodes, the picture never whole
// in memory: the same file a load and a save make. Only for a JPEG that a load takes through the
// engine as it is stored (no orientation tag to apply); false leaves out as it was (any other
// file, damage, a failed write), and the caller goes the way of a full load, which tells why.
bool ConvertJpegToBmp(const QString& in, const QString& out);

// Index of the encoder for an exact, case-sensitive MIME type ("image/jpeg", "image/tiff",
// "image/png", "image/bmp"), or -1.
int FindEncoder(const QString& mimeType);

// QVI keeps a complete JPEG whose first 16 bytes are complemented. Both work on bytes in memory
// and do nothing unless there are more than 16: RevealHeader complements them when the result is
// a JPEG header, HideHeader when they are one. True when they changed the bytes.
bool IsJpegHeader(const uint8_t* header16);
bool RevealHeader(uint8_t* data, uint64_t size);
bool HideHeader(uint8_t* data, uint64_t size);

// Text for the open dialog: format, size, date, orientation, camera; one "label: value" a line,
// joined by "\n". Empty when the file cannot be read as an image.
QString DescribeImageFile(const QString& fileName);

// A thumbnail of the file fitted into the box (aspect kept), turned upright by its orientation.
class TQvImageThumbnail {
 public:
  explicit TQvImageThumbnail(QImage image) : FImage(std::move(image)) {}
  const QImage& Image() const { return FImage; }

 private:
  QImage FImage;  // Format_BGR888
};

std::unique_ptr<TQvImageThumbnail> CreateThumbnail(const QString& fileName, int32_t boxWidth,
                                                   int32_t boxHeight);

// Draws the thumbnail unscaled, centred in targetRect; paintedRect is where it went.
bool PaintThumbnail(const TQvImageThumbnail& thumbnail, QPainter* dc, const TRect& targetRect,
                    TRect& paintedRect);
