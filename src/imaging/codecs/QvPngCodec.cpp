// PNG through libpng. libpng's error callback must not return; it throws here, and the exception
// leaves libpng's frames the way a jump would (libpng keeps no state of ours on the stack), so the
// structures are freed by the guard below as usual.

#include "QvCodecInternal.h"
#include "QvImageProperties.h"
#include "QvProgress.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <string>

namespace {

struct TPngError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

[[noreturn]] void OnPngError(png_structp, png_const_charp message) { throw TPngError(message ? message : "PNG error"); }
void OnPngWarning(png_structp, png_const_charp) {}

struct TMemoryReader {
  const uint8_t* Data;
  uint64_t Size;
  uint64_t Position;
};

void ReadFromMemory(png_structp png, png_bytep out, size_t count) {
  auto* reader = static_cast<TMemoryReader*>(png_get_io_ptr(png));
  if (count > reader->Size - reader->Position) png_error(png, "unexpected end of file");
  std::memcpy(out, reader->Data + reader->Position, count);
  reader->Position += count;
}

void WriteToVector(png_structp png, png_bytep data, size_t count) {
  static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png))->insert(
      static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png))->end(), data, data + count);
}
void FlushNothing(png_structp) {}

class TReadGuard {
 public:
  TReadGuard() {
    Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    if (Png) Info = png_create_info_struct(Png);
  }
  ~TReadGuard() { png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr); }
  png_structp Png = nullptr;
  png_infop Info = nullptr;
};

bool HasPngSignature(const uint8_t* data, uint64_t size) { return size >= 8 && png_sig_cmp(data, 0, 8) == 0; }

// Reads up to the image data and sets the transforms to 8-bit blue-green-red.
void ReadInfo(TReadGuard& guard, TMemoryReader& reader, TQvImageHeader& header, bool transforms) {
  png_set_read_fn(guard.Png, &reader, ReadFromMemory);
  // The size is judged by the row target, which says "too large" the same way for every format.
  png_set_user_limits(guard.Png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
  png_read_info(guard.Png, guard.Info);
  const png_uint_32 width = png_get_image_width(guard.Png, guard.Info);
  const png_uint_32 height = png_get_image_height(guard.Png, guard.Info);
  const int colorType = png_get_color_type(guard.Png, guard.Info);
  header.Width = int32_t(std::min<png_uint_32>(width, PNG_UINT_31_MAX));
  header.Height = int32_t(std::min<png_uint_32>(height, PNG_UINT_31_MAX));
  const bool alpha = (colorType & PNG_COLOR_MASK_ALPHA) || png_get_valid(guard.Png, guard.Info, PNG_INFO_tRNS);
  header.SourceFormat = alpha ? PixelFormat32Alpha : PixelFormat24;
  png_uint_32 resX = 0, resY = 0;
  int unit = 0;
  if (png_get_pHYs(guard.Png, guard.Info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER) {
    header.ResolutionX = int32_t(std::lround(resX * 0.0254));
    header.ResolutionY = int32_t(std::lround(resY * 0.0254));
  }
  if (!transforms) return;
  png_set_expand(guard.Png);     // palette and low-bit grey to 8 bits, tRNS to alpha
  png_set_scale_16(guard.Png);   // 16 bits to 8, rounded
  png_set_strip_alpha(guard.Png);  // the program's images have no alpha; colours are kept as stored
  png_set_gray_to_rgb(guard.Png);
  png_set_bgr(guard.Png);
}

}  // namespace

bool PngReadHeader(const uint8_t* data, uint64_t size, TQvImageHeader& header) {
  if (!HasPngSignature(data, size)) return false;
  try {
    TReadGuard guard;
    if (!guard.Info) return false;
    TMemoryReader reader{data, size, 0};
    ReadInfo(guard, reader, header, false);
    return CheckImageSize(header.Width, header.Height);
  } catch (const std::exception&) {
    return false;
  }
}

bool PngDecode(const uint8_t* data, uint64_t size, TQvRowTarget& target, QString& reason) {
  reason.clear();
  if (!HasPngSignature(data, size)) return false;
  try {
    TReadGuard guard;
    if (!guard.Info) return false;
    TMemoryReader reader{data, size, 0};
    TQvImageHeader header;
    ReadInfo(guard, reader, header, true);
    if (!CheckImageSize(header.Width, header.Height)) {
      target.Begin(header);  // refuses it, as too large
      reason = QStringLiteral("image too large");
      return false;
    }
    const int passes = png_set_interlace_handling(guard.Png);
    png_read_update_info(guard.Png, guard.Info);
    if (png_get_rowbytes(guard.Png, guard.Info) != size_t(header.Width) * 3) png_error(guard.Png, "unexpected row layout");
    if (!target.Begin(header)) {
      reason = QStringLiteral("refused");
      return false;
    }
    if (passes == 1 || target.KeepsRows()) {
      for (int pass = 0; pass < passes; ++pass) {
        const bool last = pass == passes - 1;
        for (int32_t y = 0; y < header.Height; ++y) {
          png_read_row(guard.Png, target.RowBuffer(y), nullptr);
          if (last) target.RowDone(y);
        }
      }
    } else {
      // Interlaced rows are complete only after the last pass: hold the whole picture.
      std::vector<uint8_t> all(size_t(header.Width) * 3 * size_t(header.Height));
      std::vector<png_bytep> rows(size_t(header.Height));
      for (int32_t y = 0; y < header.Height; ++y) rows[size_t(y)] = all.data() + size_t(y) * header.Width * 3;
      png_read_image(guard.Png, rows.data());
      for (int32_t y = 0; y < header.Height; ++y) {
        std::memcpy(target.RowBuffer(y), rows[size_t(y)], size_t(header.Width) * 3);
        target.RowDone(y);
      }
    }
    png_read_end(guard.Png, nullptr);
    return true;
  } catch (const std::exception& e) {
    reason = QString::fromUtf8(e.what());
    return false;
  }
}

bool PngEncode(const TQvPixels& pixels, const TRect& area, int32_t resolutionX, int32_t resolutionY,
               const TQvMetadataBlobs& metadata, std::vector<uint8_t>& out, QString& reason) {
  out.clear();
  reason.clear();
  if (area.IsEmpty() || pixels.Format != PixelFormat24) return false;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  struct TWriteGuard {
    png_structp& Png;
    png_infop& Info;
    ~TWriteGuard() { png_destroy_write_struct(&Png, &Info); }
  } guard{png, info};
  if (!info) return false;
  try {
    // A profile libpng finds fault with is left out with a warning instead of failing the save.
    png_set_benign_errors(png, 1);
    out.reserve(size_t(area.Width()) * size_t(area.Height()));
    png_set_write_fn(png, &out, WriteToVector, FlushNothing);
    png_set_IHDR(png, info, png_uint_32(area.Width()), png_uint_32(area.Height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (resolutionX > 0 && resolutionY > 0)
      png_set_pHYs(png, info, png_uint_32(std::lround(resolutionX / 0.0254)),
                   png_uint_32(std::lround(resolutionY / 0.0254)), PNG_RESOLUTION_METER);
    if (!metadata.Icc.isEmpty())
      png_set_iCCP(png, info, "ICC profile", PNG_COMPRESSION_TYPE_BASE,
                   reinterpret_cast<png_const_bytep>(metadata.Icc.constData()), png_uint_32(metadata.Icc.size()));
    // libpng writes a set eXIf chunk after the image data, where readers that stop at the first
    // IDAT never see it; as a chunk placed before the image data it comes with the other metadata.
    const std::vector<uint8_t>& exifBlock = metadata.ExifWhole.empty() ? metadata.Exif : metadata.ExifWhole;
    png_unknown_chunk exif{};
    if (!exifBlock.empty() && exifBlock.size() < 0x7FFFFFFF) {
      std::memcpy(exif.name, "eXIf", 5);
      exif.data = const_cast<png_bytep>(exifBlock.data());
      exif.size = exifBlock.size();
      exif.location = PNG_HAVE_PLTE;
      png_set_unknown_chunks(png, info, &exif, 1);
    }
    std::string xmpKey = "XML:com.adobe.xmp";
    png_text xmp{};
    if (!metadata.Xmp.isEmpty()) {
      xmp.compression = PNG_ITXT_COMPRESSION_NONE;
      xmp.key = xmpKey.data();
      xmp.text = const_cast<char*>(metadata.Xmp.constData());
      xmp.itxt_length = size_t(metadata.Xmp.size());
      png_set_text(png, info, &xmp, 1);
    }
    png_write_info(png, info);
    png_set_bgr(png);
    for (int32_t y = area.Top; y < area.Bottom; ++y) {
      QvReportProgress(y - area.Top, area.Height());
      png_write_row(png, pixels.PixelAt(area.Left, y));
    }
    png_write_end(png, info);
    return true;
  } catch (const std::exception& e) {
    reason = QString::fromUtf8(e.what());
    out.clear();
    return false;
  }
}
