// Windows bitmaps: a reader for 1, 4, 8, 16, 24 and 32 bits per pixel (plain, RLE4, RLE8 and bit
// fields; bottom-up and top-down) and a 24-bit writer. Every offset is checked against the file's
// length in 64-bit arithmetic before it is read.

#include "QvCodecInternal.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

namespace {

constexpr uint32_t BiRgb = 0, BiRle8 = 1, BiRle4 = 2, BiBitfields = 3, BiAlphaBitfields = 6;
constexpr uint64_t FileHeaderSize = 14;

uint16_t Get16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }
uint32_t Get32(const uint8_t* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16) | (uint32_t(p[3]) << 24); }
void Put16(uint8_t* p, uint32_t v) { p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); }
void Put32(uint8_t* p, uint32_t v) { for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i)); }

struct TChannelMask {
  uint32_t Mask = 0;
  int Shift = 0;
  uint32_t Max = 0;  // largest value after the shift
  void Set(uint32_t mask) {
    Mask = mask;
    Shift = mask ? std::countr_zero(mask) : 0;
    Max = mask ? (mask >> Shift) : 0;
  }
  uint8_t Extract(uint32_t pixel) const {
    if (Max == 0) return 0;
    return uint8_t((uint64_t((pixel & Mask) >> Shift) * 255 + Max / 2) / Max);
  }
};

struct TBmpInfo {
  TQvImageHeader Header;
  bool TopDown = false;
  uint32_t BitCount = 0;
  uint32_t Compression = BiRgb;
  uint64_t PixelOffset = 0;
  uint64_t PaletteOffset = 0;
  uint32_t PaletteEntrySize = 4;
  uint32_t PaletteCount = 0;
  TChannelMask Red, Green, Blue, Alpha;
};

int32_t PpmToDpi(int32_t ppm) { return ppm > 0 ? int32_t(std::lround(ppm * 0.0254)) : 0; }

bool ParseHeader(const uint8_t* data, uint64_t size, TBmpInfo& info) {
  if (size < FileHeaderSize + 12 || data[0] != 'B' || data[1] != 'M') return false;
  info.PixelOffset = Get32(data + 10);
  const uint64_t headerSize = Get32(data + 14);
  if (headerSize < 12 || FileHeaderSize + headerSize > size) return false;
  const uint8_t* h = data + FileHeaderSize;
  int64_t width, height;
  uint32_t planes;
  if (headerSize == 12) {  // the old core header: 16-bit sizes, 3-byte palette entries
    width = Get16(h + 4);
    height = int16_t(Get16(h + 6));
    planes = Get16(h + 8);
    info.BitCount = Get16(h + 10);
    info.PaletteEntrySize = 3;
  } else {
    if (headerSize < 40) return false;
    width = int32_t(Get32(h + 4));
    height = int32_t(Get32(h + 8));
    planes = Get16(h + 12);
    info.BitCount = Get16(h + 14);
    info.Compression = Get32(h + 16);
    info.Header.ResolutionX = PpmToDpi(int32_t(Get32(h + 24)));
    info.Header.ResolutionY = PpmToDpi(int32_t(Get32(h + 28)));
    info.PaletteCount = Get32(h + 32);
  }
  if (planes != 1 || width <= 0 || height == 0) return false;
  info.TopDown = height < 0;
  if (height < 0) height = -height;
  // Kept for the refusal, which then says "too large" rather than "damaged".
  info.Header.Width = int32_t(std::min<int64_t>(width, INT32_MAX));
  info.Header.Height = int32_t(std::min<int64_t>(height, INT32_MAX));
  if (!CheckImageSize(width, height)) return false;

  uint64_t afterHeader = FileHeaderSize + headerSize;
  const uint32_t bits = info.BitCount;
  switch (info.Compression) {
    case BiRgb:
      if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
      if (bits == 16) {
        info.Red.Set(0x7C00);
        info.Green.Set(0x03E0);
        info.Blue.Set(0x001F);
      } else if (bits == 32) {
        info.Red.Set(0x00FF0000);
        info.Green.Set(0x0000FF00);
        info.Blue.Set(0x000000FF);
      }
      break;
    case BiRle8:
      if (bits != 8 || info.TopDown) return false;
      break;
    case BiRle4:
      if (bits != 4 || info.TopDown) return false;
      break;
    case BiBitfields:
    case BiAlphaBitfields: {
      if (bits != 16 && bits != 32) return false;
      const uint64_t maskCount = info.Compression == BiAlphaBitfields ? 4 : 3;
      // Masks follow a 40-byte header; larger headers carry them inside.
      const uint8_t* masks = h + 40;
      if (headerSize == 40) {
        if (afterHeader + maskCount * 4 > size) return false;
        afterHeader += maskCount * 4;
      } else if (headerSize < 40 + maskCount * 4) {
        return false;
      }
      info.Red.Set(Get32(masks));
      info.Green.Set(Get32(masks + 4));
      info.Blue.Set(Get32(masks + 8));
      if (maskCount == 4) info.Alpha.Set(Get32(masks + 12));
      break;
    }
    default:
      return false;  // embedded JPEG or PNG, CMYK variants
  }
  if (headerSize >= 56 && info.Compression != BiRgb) info.Alpha.Set(Get32(h + 52));
  if (info.Alpha.Mask != 0) info.Header.SourceFormat = PixelFormat32Alpha;

  if (bits <= 8) {
    const uint32_t full = 1u << bits;
    if (info.PaletteCount == 0 || info.PaletteCount > full) info.PaletteCount = full;
    info.PaletteOffset = afterHeader;
    // A palette cut short by the pixel offset keeps the entries that fit.
    const uint64_t end = info.PixelOffset > afterHeader ? info.PixelOffset : size;
    const uint64_t room = (end > afterHeader ? end - afterHeader : 0) / info.PaletteEntrySize;
    if (room < info.PaletteCount) info.PaletteCount = uint32_t(room);
    if (info.PaletteCount == 0) return false;
    if (info.PaletteOffset + uint64_t(info.PaletteCount) * info.PaletteEntrySize > size) return false;
  }
  if (info.PixelOffset < afterHeader || info.PixelOffset >= size) return false;
  return true;
}

uint64_t FileRowSize(const TBmpInfo& info) {
  return ((uint64_t(info.Header.Width) * info.BitCount + 31) / 32) * 4;
}

struct TPalette {
  uint8_t Entries[256][3] = {};  // blue, green, red
  uint32_t Count = 0;
};

void LoadPalette(const uint8_t* data, const TBmpInfo& info, TPalette& palette) {
  palette.Count = info.PaletteCount;
  const uint8_t* p = data + info.PaletteOffset;
  for (uint32_t i = 0; i < info.PaletteCount; ++i, p += info.PaletteEntrySize) {
    palette.Entries[i][ChannelBlue] = p[0];
    palette.Entries[i][ChannelGreen] = p[1];
    palette.Entries[i][ChannelRed] = p[2];
  }
}

// Indices past the palette's end show as black.
void PutIndex(const TPalette& palette, uint32_t index, uint8_t* pixel) {
  if (index < palette.Count) std::memcpy(pixel, palette.Entries[index], 3);
  else std::memset(pixel, 0, 3);
}

void ConvertRow(const TBmpInfo& info, const TPalette& palette, const uint8_t* src, uint8_t* dst) {
  const int32_t width = info.Header.Width;
  switch (info.BitCount) {
    case 1:
    case 4:
    case 8: {
      const uint32_t bits = info.BitCount;
      const uint32_t mask = (1u << bits) - 1;
      for (int32_t x = 0; x < width; ++x) {
        const uint64_t bit = uint64_t(x) * bits;
        const uint32_t index = (src[bit / 8] >> (8 - bits - bit % 8)) & mask;
        PutIndex(palette, index, dst + x * 3);
      }
      break;
    }
    case 16:
      for (int32_t x = 0; x < width; ++x) {
        const uint32_t v = Get16(src + x * 2);
        dst[x * 3 + ChannelBlue] = info.Blue.Extract(v);
        dst[x * 3 + ChannelGreen] = info.Green.Extract(v);
        dst[x * 3 + ChannelRed] = info.Red.Extract(v);
      }
      break;
    case 24:
      std::memcpy(dst, src, size_t(width) * 3);
      break;
    case 32:
      if (info.Blue.Mask == 0xFF && info.Green.Mask == 0xFF00 && info.Red.Mask == 0xFF0000) {
        for (int32_t x = 0; x < width; ++x) std::memcpy(dst + x * 3, src + x * 4, 3);
      } else {
        for (int32_t x = 0; x < width; ++x) {
          const uint32_t v = Get32(src + x * 4);
          dst[x * 3 + ChannelBlue] = info.Blue.Extract(v);
          dst[x * 3 + ChannelGreen] = info.Green.Extract(v);
          dst[x * 3 + ChannelRed] = info.Red.Extract(v);
        }
      }
      break;
  }
}

// Run-length data, one row of indices at a time, bottom row first as stored; runs that leave the
// picture are clipped and skipped pixels keep index 0. emitRow(rowFromBottom, indices) sees every
// row once. False when the data ends before its end-of-bitmap code.
template <class TEmit>
bool ExpandRle(const uint8_t* data, uint64_t size, const TBmpInfo& info, TEmit&& emitRow) {
  const uint64_t width = uint64_t(info.Header.Width), height = uint64_t(info.Header.Height);
  std::vector<uint8_t> row(width, 0);
  const bool four = info.Compression == BiRle4;
  uint64_t pos = info.PixelOffset, x = 0, y = 0;
  auto put = [&](uint32_t index) {
    if (x < width && y < height) row[x] = uint8_t(index);
    ++x;
  };
  auto finishRowsBelow = [&](uint64_t next) {
    next = std::min(next, height);
    while (y < next) {
      emitRow(y, row.data());
      std::fill(row.begin(), row.end(), uint8_t(0));
      ++y;
    }
  };
  while (true) {
    if (pos + 2 > size) return false;
    const uint32_t count = data[pos], value = data[pos + 1];
    pos += 2;
    if (count > 0) {
      for (uint32_t i = 0; i < count; ++i) put(four ? ((i & 1) ? (value & 15) : (value >> 4)) : value);
      continue;
    }
    if (value == 0) {  // end of line
      finishRowsBelow(y + 1);
      x = 0;
    } else if (value == 1) {  // end of bitmap
      finishRowsBelow(height);
      return true;
    } else if (value == 2) {  // delta
      if (pos + 2 > size) return false;
      x += data[pos];
      if (data[pos + 1] > 0) finishRowsBelow(y + data[pos + 1]);
      pos += 2;
    } else {  // absolute run of `value` pixels, padded to a 16-bit boundary
      const uint64_t bytes = four ? (value + 1) / 2 : value;
      if (pos + bytes > size) return false;
      for (uint32_t i = 0; i < value; ++i)
        put(four ? ((i & 1) ? (data[pos + i / 2] & 15) : (data[pos + i / 2] >> 4)) : data[pos + i]);
      pos += (bytes + 1) & ~uint64_t(1);
    }
  }
}

}  // namespace

bool BmpReadHeader(const uint8_t* data, uint64_t size, TQvImageHeader& header) {
  TBmpInfo info;
  if (!ParseHeader(data, size, info)) return false;
  header = info.Header;
  return true;
}

bool BmpDecode(const uint8_t* data, uint64_t size, TQvRowTarget& target, QString& reason) {
  reason.clear();
  TBmpInfo info;
  if (!ParseHeader(data, size, info)) {
    if (!CheckImageSize(info.Header.Width, info.Header.Height) && info.Header.Width > 0) target.Begin(info.Header);
    return false;
  }
  TPalette palette;
  if (info.BitCount <= 8) LoadPalette(data, info, palette);
  const int32_t width = info.Header.Width, height = info.Header.Height;

  if (info.Compression == BiRle4 || info.Compression == BiRle8) {
    if (!target.Begin(info.Header)) {
      reason = QStringLiteral("refused");
      return false;
    }
    return ExpandRle(data, size, info, [&](uint64_t rowFromBottom, const uint8_t* indices) {
      const int32_t y = height - 1 - int32_t(rowFromBottom);
      uint8_t* dst = target.RowBuffer(y);
      for (int32_t x = 0; x < width; ++x) PutIndex(palette, indices[x], dst + x * 3);
      target.RowDone(y);
    });
  }

  const uint64_t rowSize = FileRowSize(info);
  // The last row may lack its padding; anything shorter is a truncated file.
  const uint64_t lastRowBytes = (uint64_t(width) * info.BitCount + 7) / 8;
  if (info.PixelOffset + rowSize * uint64_t(height - 1) + lastRowBytes > size) return false;
  if (!target.Begin(info.Header)) {
    reason = QStringLiteral("refused");
    return false;
  }
  for (int32_t y = 0; y < height; ++y) {
    const uint64_t fileRow = info.TopDown ? uint64_t(y) : uint64_t(height - 1 - y);
    ConvertRow(info, palette, data + info.PixelOffset + fileRow * rowSize, target.RowBuffer(y));
    target.RowDone(y);
  }
  return true;
}

uint64_t BmpRowSize(int32_t width) { return (uint64_t(width) * 3 + 3) & ~uint64_t(3); }

bool BmpFileHeader(int32_t width, int32_t height, int32_t resolutionX, int32_t resolutionY,
                   uint8_t (&p)[BmpHeaderSize], QString& reason) {
  reason.clear();
  if (width <= 0 || height <= 0) return false;
  const uint64_t rowSize = BmpRowSize(width);
  const uint64_t imageSize = rowSize * uint64_t(height);
  const uint64_t fileSize = FileHeaderSize + 40 + imageSize;
  if (fileSize > 0xFFFFFFFFu) {
    reason = QStringLiteral("image too large for BMP");
    return false;
  }
  static_assert(BmpHeaderSize == FileHeaderSize + 40);
  std::memset(p, 0, sizeof p);
  p[0] = 'B';
  p[1] = 'M';
  Put32(p + 2, uint32_t(fileSize));
  Put32(p + 10, uint32_t(FileHeaderSize + 40));
  uint8_t* h = p + FileHeaderSize;
  Put32(h, 40);
  Put32(h + 4, uint32_t(width));
  Put32(h + 8, uint32_t(height));
  Put16(h + 12, 1);
  Put16(h + 14, 24);
  Put32(h + 20, uint32_t(imageSize));
  Put32(h + 24, uint32_t(resolutionX > 0 ? std::lround(resolutionX / 0.0254) : 0));
  Put32(h + 28, uint32_t(resolutionY > 0 ? std::lround(resolutionY / 0.0254) : 0));
  return true;
}

bool BmpWrite(const TQvPixels& pixels, const TRect& area, int32_t resolutionX, int32_t resolutionY,
              const std::function<bool(const uint8_t*, size_t)>& write, QString& reason) {
  reason.clear();
  if (area.IsEmpty() || pixels.Format != PixelFormat24) return false;
  const uint64_t width = uint64_t(area.Width()), height = uint64_t(area.Height());
  const uint64_t rowSize = BmpRowSize(area.Width());
  uint8_t p[BmpHeaderSize];
  if (!BmpFileHeader(area.Width(), area.Height(), resolutionX, resolutionY, p, reason)) return false;
  if (!write(p, sizeof p)) return false;
  // The rows go out bottom-up in chunks of about a megabyte: the file never exists in memory
  // beside the image.
  const uint64_t rowsPerChunk = std::max<uint64_t>(1, (uint64_t(1) << 20) / rowSize);
  std::vector<uint8_t> chunk(size_t(std::min(rowsPerChunk, height) * rowSize), 0);
  for (uint64_t done = 0; done < height;) {
    const uint64_t rows = std::min(rowsPerChunk, height - done);
    for (uint64_t i = 0; i < rows; ++i) {
      const int32_t y = area.Top + int32_t(height - 1 - (done + i));
      std::memcpy(chunk.data() + i * rowSize, pixels.PixelAt(area.Left, y), width * 3);
    }
    if (!write(chunk.data(), size_t(rows * rowSize))) return false;
    done += rows;
  }
  return true;
}
