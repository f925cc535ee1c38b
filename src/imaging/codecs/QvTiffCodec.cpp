// TIFF through libtiff, over memory in both directions. Decoding goes band by band (one strip or
// tile row at a time) through libtiff's RGBA converter, which covers RGB, grey, palette, CMYK and
// YCbCr in 8 or 16 bits, stripped or tiled.

#include "QvCodecInternal.h"
#include "QvImageProperties.h"
#include "QvProgress.h"

#include <tiffio.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

struct TMemoryFile {
  const uint8_t* Data = nullptr;  // reading
  std::vector<uint8_t>* Out = nullptr;  // writing
  uint64_t Size = 0;
  uint64_t Position = 0;
  QString FirstError;
};

tmsize_t ReadProc(thandle_t handle, void* buffer, tmsize_t count) {
  auto* file = static_cast<TMemoryFile*>(handle);
  if (count <= 0) return 0;
  const uint8_t* base = file->Out ? file->Out->data() : file->Data;
  const uint64_t size = file->Out ? file->Out->size() : file->Size;
  if (file->Position >= size) return 0;
  const uint64_t n = std::min<uint64_t>(uint64_t(count), size - file->Position);
  std::memcpy(buffer, base + file->Position, n);
  file->Position += n;
  return tmsize_t(n);
}

tmsize_t WriteProc(thandle_t handle, void* buffer, tmsize_t count) {
  auto* file = static_cast<TMemoryFile*>(handle);
  if (!file->Out || count < 0) return -1;
  const uint64_t end = file->Position + uint64_t(count);
  try {
    if (end > file->Out->size()) file->Out->resize(end);
  } catch (const std::bad_alloc&) {
    return -1;
  }
  std::memcpy(file->Out->data() + file->Position, buffer, size_t(count));
  file->Position = end;
  return count;
}

toff_t SeekProc(thandle_t handle, toff_t offset, int whence) {
  auto* file = static_cast<TMemoryFile*>(handle);
  const uint64_t size = file->Out ? file->Out->size() : file->Size;
  uint64_t base = 0;
  if (whence == SEEK_CUR) base = file->Position;
  else if (whence == SEEK_END) base = size;
  const uint64_t target = base + offset;
  if (target < base) return toff_t(-1);
  file->Position = target;
  return target;
}

int CloseProc(thandle_t) { return 0; }
toff_t SizeProc(thandle_t handle) {
  auto* file = static_cast<TMemoryFile*>(handle);
  return file->Out ? file->Out->size() : file->Size;
}
int MapProc(thandle_t handle, void** base, toff_t* size) {
  auto* file = static_cast<TMemoryFile*>(handle);
  if (file->Out) return 0;
  *base = const_cast<uint8_t*>(file->Data);
  *size = file->Size;
  return 1;
}
void UnmapProc(thandle_t, void*, toff_t) {}

int OnTiffError(TIFF*, void* user, const char* module, const char* format, va_list args) {
  auto* file = static_cast<TMemoryFile*>(user);
  if (file && file->FirstError.isEmpty()) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    file->FirstError = QString::fromLocal8Bit(module ? module : "") + QStringLiteral(": ") + QString::fromLocal8Bit(text);
  }
  return 1;  // handled: nothing on stderr
}
int OnTiffWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

class TTiffHandle {
 public:
  TTiffHandle(TMemoryFile& file, const char* mode) {
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    TIFFOpenOptionsSetErrorHandlerExtR(options, OnTiffError, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options, OnTiffWarning, &file);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, tmsize_t(1) << 30);
    Tiff = TIFFClientOpenExt("memory", mode, &file, ReadProc, WriteProc, SeekProc, CloseProc, SizeProc,
                             MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
  }
  ~TTiffHandle() { Close(); }
  void Close() {
    if (Tiff) TIFFClose(Tiff);
    Tiff = nullptr;
  }
  TIFF* Tiff = nullptr;
};

bool HasTiffSignature(const uint8_t* data, uint64_t size) {
  return size >= 8 && ((data[0] == 'I' && data[1] == 'I' && (data[2] == 42 || data[2] == 43) && data[3] == 0) ||
                       (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && (data[3] == 42 || data[3] == 43)));
}

int32_t ToDpi(float value, uint16_t unit) {
  if (!(value > 0) || value > 1e6f) return 0;
  if (unit == RESUNIT_CENTIMETER) return int32_t(std::lround(value * 2.54));
  if (unit == RESUNIT_INCH) return int32_t(std::lround(value));
  return 0;
}

bool ReadHeaderFields(TIFF* tiff, TQvImageHeader& header) {
  uint32_t width = 0, height = 0;
  if (!TIFFGetField(tiff, TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tiff, TIFFTAG_IMAGELENGTH, &height))
    return false;
  // Kept for the refusal, which then says "too large" rather than "damaged".
  header.Width = int32_t(std::min<uint32_t>(width, INT32_MAX));
  header.Height = int32_t(std::min<uint32_t>(height, INT32_MAX));
  if (!CheckImageSize(width, height)) return false;
  uint16_t extraCount = 0;
  uint16_t* extra = nullptr;
  header.SourceFormat = PixelFormat24;
  if (TIFFGetField(tiff, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) && extraCount > 0 && extra &&
      (extra[0] == EXTRASAMPLE_ASSOCALPHA || extra[0] == EXTRASAMPLE_UNASSALPHA))
    header.SourceFormat = PixelFormat32Alpha;
  float resX = 0, resY = 0;
  uint16_t unit = RESUNIT_INCH;
  TIFFGetFieldDefaulted(tiff, TIFFTAG_RESOLUTIONUNIT, &unit);
  if (TIFFGetField(tiff, TIFFTAG_XRESOLUTION, &resX)) header.ResolutionX = ToDpi(resX, unit);
  if (TIFFGetField(tiff, TIFFTAG_YRESOLUTION, &resY)) header.ResolutionY = ToDpi(resY, unit);
  return true;
}

}  // namespace

bool TiffReadHeader(const uint8_t* data, uint64_t size, TQvImageHeader& header) {
  if (!HasTiffSignature(data, size)) return false;
  TMemoryFile file;
  file.Data = data;
  file.Size = size;
  TTiffHandle handle(file, "r");
  return handle.Tiff && ReadHeaderFields(handle.Tiff, header);
}

bool TiffDecode(const uint8_t* data, uint64_t size, TQvRowTarget& target, QString& reason) {
  reason.clear();
  if (!HasTiffSignature(data, size)) return false;
  TMemoryFile file;
  file.Data = data;
  file.Size = size;
  TTiffHandle handle(file, "r");
  TQvImageHeader header;
  if (!handle.Tiff || !ReadHeaderFields(handle.Tiff, header)) {
    if (header.Width > 0 && header.Height > 0) target.Begin(header);  // refuses it as too large
    reason = file.FirstError;
    return false;
  }
  char message[1024] = {};
  TIFFRGBAImage image;
  if (!TIFFRGBAImageOK(handle.Tiff, message) || !TIFFRGBAImageBegin(&image, handle.Tiff, 1, message)) {
    reason = QString::fromLocal8Bit(message);
    return false;
  }
  struct TEnd {
    TIFFRGBAImage& Image;
    ~TEnd() { TIFFRGBAImageEnd(&Image); }
  } end{image};
  // The stored rows are taken as they lie; the orientation tag is applied by the caller, like for
  // every other format, so it must not be half-applied here as well.
  image.orientation = ORIENTATION_TOPLEFT;
  image.req_orientation = ORIENTATION_TOPLEFT;
  uint32_t band = 0;
  if (TIFFIsTiled(handle.Tiff)) TIFFGetField(handle.Tiff, TIFFTAG_TILELENGTH, &band);
  else TIFFGetFieldDefaulted(handle.Tiff, TIFFTAG_ROWSPERSTRIP, &band);
  band = std::clamp<uint32_t>(band, 1, uint32_t(header.Height));
  std::vector<uint32_t> raster;
  try {
    raster.resize(size_t(header.Width) * band);
  } catch (const std::bad_alloc&) {
    reason = QStringLiteral("refused");
    return false;
  }
  if (!target.Begin(header)) {
    reason = QStringLiteral("refused");
    return false;
  }
  for (uint32_t top = 0; top < uint32_t(header.Height); top += band) {
    const uint32_t rows = std::min(band, uint32_t(header.Height) - top);
    image.row_offset = int(top);
    image.col_offset = 0;
    if (!TIFFRGBAImageGet(&image, raster.data(), uint32_t(header.Width), rows) || !file.FirstError.isEmpty()) {
      reason = file.FirstError;
      return false;
    }
    for (uint32_t r = 0; r < rows; ++r) {
      const uint32_t* src = raster.data() + size_t(r) * uint32_t(header.Width);
      uint8_t* dst = target.RowBuffer(int32_t(top + r));
      for (int32_t x = 0; x < header.Width; ++x, dst += 3) {
        dst[ChannelBlue] = uint8_t(TIFFGetB(src[x]));
        dst[ChannelGreen] = uint8_t(TIFFGetG(src[x]));
        dst[ChannelRed] = uint8_t(TIFFGetR(src[x]));
      }
      target.RowDone(int32_t(top + r));
    }
  }
  return true;
}

bool TiffEncode(const TQvPixels& pixels, const TRect& area, int32_t resolutionX, int32_t resolutionY,
                const TQvMetadataBlobs& metadata, std::vector<uint8_t>& out, QString& reason) {
  out.clear();
  reason.clear();
  if (area.IsEmpty() || pixels.Format != PixelFormat24) return false;
  TMemoryFile file;
  file.Out = &out;
  TTiffHandle handle(file, "wm");
  TIFF* tiff = handle.Tiff;
  if (!tiff) {
    reason = file.FirstError;
    return false;
  }
  const uint32_t width = uint32_t(area.Width());
  TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, width);
  TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, uint32_t(area.Height()));
  TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, 8);
  TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, 3);
  TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
  TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
  TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
  TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
  TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, TIFFDefaultStripSize(tiff, 0));
  if (resolutionX > 0 && resolutionY > 0) {
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, float(resolutionX));
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, float(resolutionY));
  }
  if (!metadata.Icc.isEmpty())
    TIFFSetField(tiff, TIFFTAG_ICCPROFILE, uint32_t(metadata.Icc.size()), metadata.Icc.constData());
  if (!metadata.Xmp.isEmpty())
    TIFFSetField(tiff, TIFFTAG_XMLPACKET, uint32_t(metadata.Xmp.size()), metadata.Xmp.constData());
  std::vector<uint8_t> row(size_t(width) * 3);
  for (int32_t y = area.Top; y < area.Bottom; ++y) {
    QvReportProgress(y - area.Top, area.Height());
    const uint8_t* src = pixels.PixelAt(area.Left, y);
    for (uint32_t x = 0; x < width; ++x) {
      row[x * 3] = src[x * 3 + ChannelRed];
      row[x * 3 + 1] = src[x * 3 + ChannelGreen];
      row[x * 3 + 2] = src[x * 3 + ChannelBlue];
    }
    if (TIFFWriteScanline(tiff, row.data(), uint32_t(y - area.Top), 0) < 0) {
      reason = file.FirstError;
      return false;
    }
  }
  if (!TIFFFlush(tiff)) {
    reason = file.FirstError;
    return false;
  }
  handle.Close();
  return file.FirstError.isEmpty();
}
