// Binary PPM (P6, three planes) and PAM (P7, three or four planes) with 8-bit samples: the
// image files of ocuvane-filterhost, which stays free of the editor's codecs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct THostImage {
  std::int32_t Width = 0;
  std::int32_t Height = 0;
  std::int32_t Planes = 0;   // 3 (red, green, blue) or 4 (and alpha)
  std::int64_t RowBytes = 0; // >= Width x Planes
  std::vector<std::uint8_t> Pixels;
};

// The host's rectangles are 16-bit, so no side may exceed this.
inline constexpr std::int32_t MaximumHostSide = 32767;

// Parses a P6 or P7 file held in memory into rows of exactly Width x Planes bytes.
bool ParseNetPbm(std::string_view Bytes, THostImage& Image, std::string& Error);
bool ReadNetPbm(const std::string& Path, THostImage& Image, std::string& Error);

// P6 for three planes, P7 (TUPLTYPE RGB_ALPHA) for four. Written to a temporary file beside
// Path and renamed over it, so a failure leaves no half-written file.
std::string FormatNetPbm(const THostImage& Image);
bool WriteNetPbm(const std::string& Path, const THostImage& Image, std::string& Error);

// The same pixels with another plane count (a new fourth plane is 255) and row padding.
THostImage ConvertHostImage(const THostImage& Image, std::int32_t Planes, std::int64_t RowPadding);
