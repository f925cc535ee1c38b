#pragma once
// The editor's half of a plug-in session's exchange file: recognising it when any file is opened,
// reading its pixels (and its optional metadata trailer) into the document, and writing the
// retouched image back for the plug-in. The file layout and its checked readers live in
// PhotoshopDataInfo, shared with the plug-in.

#include "QvImageCodecs.h"
#include "QvImageProperties.h"

#include <QString>

#include <cstdint>
#include <vector>

class TQvGraphicsDocument;
class TQvGraphicsFormats;

// The bytes that follow the APP1 segment of a wrapped metadata trailer: the rest of a baseline
// 8 × 8 three-component JPEG image.
inline constexpr std::size_t ExchangeJpegTailSize = 249;
extern const std::uint8_t ExchangeJpegTail[ExchangeJpegTailSize];

// The most metadata one APP1 segment can carry: its 16-bit length counts itself and "Exif\0\0".
inline constexpr std::uint64_t MaxWrappedExifSize = 65535 - 8;

// A complete in-memory JPEG around a metadata trailer: start of image, APP1 "Exif\0\0" with the
// payload, then the fixed tail. Empty when the payload does not fit one segment.
std::vector<std::uint8_t> WrapExifInJpeg(const std::uint8_t* Payload, std::uint64_t Size);

// Decodes the wrapped trailer with the codec layer and, when that succeeds, fills Properties as
// the opening of that JPEG file would. False (Properties untouched) when the stream does not
// decode.
bool ReadExchangeMetadata(const std::uint8_t* Payload, std::uint64_t Size, TQvImageProperties& Properties);

// NotExchangeFile for anything that is not an RGB exchange file (the codecs get it next; the file
// is only read, never created or changed). Loaded when the pixels, the original and the metadata
// are in Document. Failed, with Error for the user, when the file is an exchange file that does
// not fit its own header or cannot be held in memory; the document is then as it was.
TQvExchangeLoad LoadExchange(const QString& FileName, TQvGraphicsDocument* Document, QString& Error);

// Writes Document's current image to FileName as an exchange result: 3 planes, rows padded to 4
// bytes, no trailer; the file ends up exactly 36 + stride × height bytes long. The new content is
// written beside the file and renamed over it, so a failure leaves the old file as it was. False
// with Error when nothing was written.
bool SaveExchange(const QString& FileName, TQvGraphicsDocument* Document, QString& Error);

// Makes Formats recognise exchange files on load and write them for format id -1.
void InstallExchangeFormat(TQvGraphicsFormats& Formats);
