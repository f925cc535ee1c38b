#include "PhotoshopDataInfo.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::int32_t ReadInt32(const std::uint8_t* p) {
  const std::uint32_t u = std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
                          std::uint32_t(p[3]) << 24;
  return static_cast<std::int32_t>(u);
}

void WriteInt32(std::int32_t value, std::uint8_t* p) {
  const auto u = static_cast<std::uint32_t>(value);
  p[0] = std::uint8_t(u);
  p[1] = std::uint8_t(u >> 8);
  p[2] = std::uint8_t(u >> 16);
  p[3] = std::uint8_t(u >> 24);
}

bool Fail(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

}  // namespace

TPhotoshopDataInfo DecodeDataInfo(const std::uint8_t* Bytes) {
  TPhotoshopDataInfo info;
  info.HeaderSize = ReadInt32(Bytes + 0);
  info.ImageMode = ReadInt32(Bytes + 4);
  info.Left = ReadInt32(Bytes + 8);
  info.Top = ReadInt32(Bytes + 12);
  info.Width = ReadInt32(Bytes + 16);
  info.Height = ReadInt32(Bytes + 20);
  info.RowBytes = ReadInt32(Bytes + 24);
  info.Planes = ReadInt32(Bytes + 28);
  return info;
}

void EncodeDataInfo(const TPhotoshopDataInfo& Info, std::uint8_t* Bytes) {
  WriteInt32(Info.HeaderSize, Bytes + 0);
  WriteInt32(Info.ImageMode, Bytes + 4);
  WriteInt32(Info.Left, Bytes + 8);
  WriteInt32(Info.Top, Bytes + 12);
  WriteInt32(Info.Width, Bytes + 16);
  WriteInt32(Info.Height, Bytes + 20);
  WriteInt32(Info.RowBytes, Bytes + 24);
  WriteInt32(Info.Planes, Bytes + 28);
}

std::uint64_t ExchangeFileSize(const TPhotoshopDataInfo& Info) {
  if (Info.RowBytes < 0 || Info.Height < 0) return 0;
  // Both factors are below 2^31, so the product fits in 62 bits.
  return ExchangePixelOffset + std::uint64_t(Info.RowBytes) * std::uint64_t(Info.Height);
}

std::int64_t ExchangeStride24(std::int32_t Width) {
  if (Width <= 0) return 0;
  return (std::int64_t(Width) * 3 + 3) / 4 * 4;
}

bool ValidateExchangeHeader(const TPhotoshopDataInfo& Info, std::uint64_t FileSize, std::string* Error) {
  if (Info.HeaderSize != ExchangeHeaderSize)
    return Fail(Error, "header size is " + std::to_string(Info.HeaderSize) + ", not 32");
  if (Info.Width <= 0 || Info.Height <= 0)
    return Fail(Error, "image size " + std::to_string(Info.Width) + " x " + std::to_string(Info.Height) +
                           " is not positive");
  if (Info.Planes < 3) return Fail(Error, std::to_string(Info.Planes) + " planes; at least 3 are needed");
  const std::int64_t minimumRow = std::int64_t(Info.Width) * Info.Planes;
  if (std::int64_t(Info.RowBytes) < minimumRow)
    return Fail(Error, "row bytes " + std::to_string(Info.RowBytes) + " are fewer than width x planes (" +
                           std::to_string(minimumRow) + ")");
  const std::uint64_t needed = ExchangeFileSize(Info);
  if (FileSize < needed)
    return Fail(Error, "the pixel rows need " + std::to_string(needed) + " bytes but the file has " +
                           std::to_string(FileSize));
  return true;
}

TExchangeParse ParseExchangeFile(const std::uint8_t* Data, std::uint64_t Size, TExchangeView& View,
                                 std::string* Error) {
  View = TExchangeView{};
  if (Data == nullptr || Size < sizeof ExchangeMagic || std::memcmp(Data, ExchangeMagic, sizeof ExchangeMagic) != 0) {
    if (Error) *Error = "not an exchange file";
    return TExchangeParse::NotExchange;
  }
  if (Size < ExchangePixelOffset) {
    if (Error) *Error = "the file ends inside the header (" + std::to_string(Size) + " bytes)";
    return TExchangeParse::Invalid;
  }
  const TPhotoshopDataInfo info = DecodeDataInfo(Data + ExchangeHeaderOffset);
  if (!ValidateExchangeHeader(info, Size, Error)) return TExchangeParse::Invalid;
  View.Header = info;
  View.Pixels = Data + ExchangePixelOffset;
  View.PixelBytes = ExchangeFileSize(info) - ExchangePixelOffset;
  return TExchangeParse::Ok;
}

bool LocateExchangeTrailer(const std::uint8_t* Data, std::uint64_t Size, const TExchangeView& View,
                           TExchangeTrailer& Trailer, std::string* Error) {
  Trailer = TExchangeTrailer{};
  const std::uint64_t end = ExchangePixelOffset + View.PixelBytes;
  if (Size < end || Size - end <= ExchangeTrailerMinimum) return true;
  const std::uint8_t* p = Data + end;
  if (std::memcmp(p, ExchangeTrailerMagic, sizeof ExchangeTrailerMagic) != 0) return true;
  const std::int32_t length = ReadInt32(p + 4);
  const std::uint64_t available = Size - end - 8;
  if (length < 0 || std::uint64_t(length) > available)
    return Fail(Error, "the metadata length " + std::to_string(length) + " runs past the end of the file (" +
                           std::to_string(available) + " bytes left)");
  Trailer.Metadata = p + 8;
  Trailer.Size = std::uint64_t(length);
  return true;
}

void ExchangeToBGR24(const TExchangeView& View, std::uint8_t* Dest, std::int64_t DestStride) {
  const TPhotoshopDataInfo& h = View.Header;
  for (std::int64_t y = 0; y < h.Height; ++y) {
    const std::uint8_t* source = View.Pixels + y * std::int64_t(h.RowBytes);
    std::uint8_t* target = Dest + y * DestStride;
    for (std::int64_t x = 0; x < h.Width; ++x, source += h.Planes, target += 3) {
      const std::uint8_t red = source[0], green = source[1], blue = source[2];
      target[0] = blue;
      target[1] = green;
      target[2] = red;
    }
  }
}

bool HasExchangeMagic(const std::string& Path) {
  // O_NONBLOCK keeps a FIFO or device from blocking the probe; it is then refused as not regular.
  const int fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  bool result = false;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 4) {
    char magic[4];
    ssize_t got = 0;
    do {
      got = ::pread(fd, magic, sizeof magic, 0);
    } while (got < 0 && errno == EINTR);
    result = got == sizeof magic && std::memcmp(magic, ExchangeMagic, sizeof magic) == 0;
  }
  ::close(fd);
  return result;
}
