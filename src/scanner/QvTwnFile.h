// The transfer file an acquired image is written to, and the file formats of the transfer.
#pragma once

#include "QvScanImage.h"

#include <QString>

// Transfer file formats by their classic numbers.
namespace QvTwnFileFormat {
inline constexpr int Tiff = 0;
inline constexpr int Pict = 1;
inline constexpr int Bmp = 2;
inline constexpr int Xbm = 3;
inline constexpr int Jpeg = 4;
inline constexpr int FlashPix = 5;
inline constexpr int TiffMulti = 6;
inline constexpr int Png = 7;
inline constexpr int Jpeg8 = 8;
inline constexpr int Jpeg9 = 9;
}  // namespace QvTwnFileFormat

// "tif", "pct", "bmp", "xbm", "jpg", "fpx", "png" (empty for an unknown number).
QString TransferFileExtension(int FileFormat);
// The format a file name's extension stands for (".tif", ".bmp"..., any case), -1 when none.
int TransferFileFormatOf(const QString& FileName);

// Creates a new, uniquely named file "twn" + 8 lower-case hex digits + "." + Extension in Folder
// (the user's temporary folder when empty), exclusively and readable by the user alone, so no
// other process can take the name or read the picture. Returns the open descriptor and Path, or -1
// with Error.
int CreateTransferFile(const QString& Folder, const QString& Extension, QString& Path, TQvScanMessage& Error);
