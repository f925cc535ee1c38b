// The exchange file shared by the filter plug-in and the editor, and the 32-byte header that
// describes its pixel block. Plain C++: the editor and the plug-in both include this unit.
//
// Layout (all integers signed 32-bit little-endian):
//   0   "PSPF"
//   4   TPhotoshopDataInfo (32 bytes)
//   36  RowBytes x Height bytes of pixels, Planes bytes per pixel (red, green, blue, ...)
//   ... optional trailer "EXIF", 32-bit length L, L bytes of metadata
#pragma once

#include <cstdint>
#include <string>

struct TPhotoshopDataInfo {
  std::int32_t HeaderSize = 0;  // always 32
  std::int32_t ImageMode = 0;   // host image mode; 3 is RGB colour
  std::int32_t Left = 0;        // filter area in the host image
  std::int32_t Top = 0;
  std::int32_t Width = 0;     // pixels per row
  std::int32_t Height = 0;    // rows
  std::int32_t RowBytes = 0;  // bytes from one row to the next
  std::int32_t Planes = 0;    // bytes per pixel, interleaved
};
static_assert(sizeof(TPhotoshopDataInfo) == 32);

inline constexpr char ExchangeMagic[4] = {'P', 'S', 'P', 'F'};
inline constexpr char ExchangeTrailerMagic[4] = {'E', 'X', 'I', 'F'};
inline constexpr std::int32_t ExchangeHeaderSize = 32;
inline constexpr std::uint64_t ExchangeHeaderOffset = 4;
inline constexpr std::uint64_t ExchangePixelOffset = 36;
inline constexpr std::int32_t ExchangeRGBMode = 3;
// The editor looks for a trailer only when more than this many bytes follow the pixel block.
inline constexpr std::uint64_t ExchangeTrailerMinimum = 496;

// Reads or writes the header's 32 bytes (little-endian, any alignment).
TPhotoshopDataInfo DecodeDataInfo(const std::uint8_t* Bytes);
void EncodeDataInfo(const TPhotoshopDataInfo& Info, std::uint8_t* Bytes);

// 36 + RowBytes x Height, or 0 when RowBytes or Height is negative.
std::uint64_t ExchangeFileSize(const TPhotoshopDataInfo& Info);

// Row stride of a 3-plane image as the editor writes it: 3 x Width rounded up to 4.
std::int64_t ExchangeStride24(std::int32_t Width);

// Checks a header against the size of the file it came from: header size 32, positive width and
// height, at least three planes, RowBytes >= Width x Planes, every row inside the file. On
// failure Error (when given) says what does not fit.
bool ValidateExchangeHeader(const TPhotoshopDataInfo& Info, std::uint64_t FileSize, std::string* Error = nullptr);

enum class TExchangeParse {
  Ok,
  NotExchange,  // shorter than the magic, or the magic is not "PSPF"
  Invalid,      // the magic is there but the header does not fit the file
};

// A validated exchange file held in memory (a mapped view). Pixels points at offset 36.
struct TExchangeView {
  TPhotoshopDataInfo Header;
  const std::uint8_t* Pixels = nullptr;
  std::uint64_t PixelBytes = 0;  // RowBytes x Height
};

TExchangeParse ParseExchangeFile(const std::uint8_t* Data, std::uint64_t Size, TExchangeView& View,
                                 std::string* Error = nullptr);

// The optional metadata trailer after the pixel block of a parsed file. Returns false, with a
// message, only when a trailer is announced ("EXIF") but its length runs outside the file; a
// file without a trailer gives true with Metadata null.
struct TExchangeTrailer {
  const std::uint8_t* Metadata = nullptr;
  std::uint64_t Size = 0;
};
bool LocateExchangeTrailer(const std::uint8_t* Data, std::uint64_t Size, const TExchangeView& View,
                           TExchangeTrailer& Trailer, std::string* Error = nullptr);

// Copies the pixels of a parsed file into a 24-bit image in blue, green, red order (the editor's
// pixel format); further planes are ignored. Dest holds Height rows of DestStride bytes, and
// DestStride must be at least 3 x Width.
void ExchangeToBGR24(const TExchangeView& View, std::uint8_t* Dest, std::int64_t DestStride);

// True when Path names a regular file that begins with "PSPF". Opens read-only and never creates
// or changes the file, so it is safe on any path the user opens.
bool HasExchangeMagic(const std::string& Path);
