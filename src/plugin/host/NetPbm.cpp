#include "NetPbm.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <fcntl.h>
#include <unistd.h>

namespace {

// Input files larger than this are refused before they are read.
constexpr std::uint64_t MaximumFileSize = std::uint64_t(1) << 32;

class TTokenizer {
public:
  explicit TTokenizer(std::string_view bytes) : FBytes(bytes) {}

  // Skips white space and comments, then reads a non-negative decimal number.
  bool Number(std::int64_t& value) {
    SkipSpace();
    std::size_t start = FPos;
    value = 0;
    while (FPos < FBytes.size() && FBytes[FPos] >= '0' && FBytes[FPos] <= '9') {
      if (value > 1000000000) return false;
      value = value * 10 + (FBytes[FPos++] - '0');
    }
    return FPos > start;
  }

  std::string_view Word() {
    SkipSpace();
    const std::size_t start = FPos;
    while (FPos < FBytes.size() && !IsSpace(FBytes[FPos])) ++FPos;
    return FBytes.substr(start, FPos - start);
  }

  // The one white-space character that ends a P6 header.
  bool SingleSpace() {
    if (FPos >= FBytes.size() || !IsSpace(FBytes[FPos])) return false;
    ++FPos;
    return true;
  }

  // The rest of the current line (PAM header lines).
  std::string_view RestOfLine() {
    const std::size_t end = FBytes.find('\n', FPos);
    const std::size_t stop = end == std::string_view::npos ? FBytes.size() : end;
    std::string_view line = FBytes.substr(FPos, stop - FPos);
    FPos = end == std::string_view::npos ? FBytes.size() : end + 1;
    return line;
  }

  bool AtEnd() const { return FPos >= FBytes.size(); }
  std::size_t Position() const { return FPos; }
  void SkipLineEnd() {
    if (FPos < FBytes.size() && FBytes[FPos] == '\n') ++FPos;
  }

private:
  static bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }
  void SkipSpace() {
    while (FPos < FBytes.size()) {
      if (IsSpace(FBytes[FPos])) {
        ++FPos;
      } else if (FBytes[FPos] == '#') {
        while (FPos < FBytes.size() && FBytes[FPos] != '\n') ++FPos;
      } else {
        break;
      }
    }
  }

  std::string_view FBytes;
  std::size_t FPos = 0;
};

bool Fail(std::string& error, const std::string& text) {
  error = text;
  return false;
}

bool TakePixels(std::string_view bytes, std::size_t offset, std::int64_t width, std::int64_t height,
                std::int64_t depth, THostImage& image, std::string& error) {
  if (width < 1 || height < 1 || width > MaximumHostSide || height > MaximumHostSide)
    return Fail(error, "image size " + std::to_string(width) + " x " + std::to_string(height) +
                           " is outside 1 to " + std::to_string(MaximumHostSide));
  const std::uint64_t needed = std::uint64_t(width) * std::uint64_t(height) * std::uint64_t(depth);
  if (offset > bytes.size() || bytes.size() - offset < needed)
    return Fail(error, "the file holds " + std::to_string(bytes.size() - std::min(offset, bytes.size())) +
                           " pixel bytes; " + std::to_string(needed) + " are needed");
  image.Width = std::int32_t(width);
  image.Height = std::int32_t(height);
  image.Planes = std::int32_t(depth);
  image.RowBytes = width * depth;
  image.Pixels.assign(bytes.begin() + std::ptrdiff_t(offset), bytes.begin() + std::ptrdiff_t(offset + needed));
  return true;
}

bool ParsePam(TTokenizer& tokens, std::string_view bytes, THostImage& image, std::string& error) {
  tokens.SkipLineEnd();
  std::int64_t width = -1, height = -1, depth = -1, maxval = -1;
  for (;;) {
    if (tokens.AtEnd()) return Fail(error, "the PAM header has no ENDHDR");
    const std::string_view key = tokens.Word();
    if (key == "ENDHDR") {
      tokens.RestOfLine();
      break;
    }
    std::int64_t* target = key == "WIDTH" ? &width : key == "HEIGHT" ? &height : key == "DEPTH" ? &depth
                                                   : key == "MAXVAL" ? &maxval : nullptr;
    if (target) {
      if (!tokens.Number(*target)) return Fail(error, "the PAM header has a bad " + std::string(key));
    }
    tokens.RestOfLine();  // TUPLTYPE and anything else is not needed
  }
  if (maxval != 255) return Fail(error, "only 8-bit samples (MAXVAL 255) are supported");
  if (depth != 3 && depth != 4) return Fail(error, "only 3 or 4 planes are supported");
  return TakePixels(bytes, tokens.Position(), width, height, depth, image, error);
}

}  // namespace

bool ParseNetPbm(std::string_view Bytes, THostImage& Image, std::string& Error) {
  if (Bytes.size() < 2 || Bytes[0] != 'P' || (Bytes[1] != '6' && Bytes[1] != '7'))
    return Fail(Error, "not a binary PPM (P6) or PAM (P7) file");
  TTokenizer tokens(Bytes.substr(2));
  if (Bytes[1] == '7') {
    THostImage image;
    if (!ParsePam(tokens, Bytes.substr(2), image, Error)) return false;
    Image = std::move(image);
    return true;
  }
  std::int64_t width = 0, height = 0, maxval = 0;
  if (!tokens.Number(width) || !tokens.Number(height) || !tokens.Number(maxval) || !tokens.SingleSpace())
    return Fail(Error, "the PPM header is malformed");
  if (maxval != 255) return Fail(Error, "only 8-bit samples (maximum value 255) are supported");
  return TakePixels(Bytes.substr(2), tokens.Position(), width, height, 3, Image, Error);
}

bool ReadNetPbm(const std::string& Path, THostImage& Image, std::string& Error) {
  std::ifstream file(Path, std::ios::binary | std::ios::ate);
  if (!file) return Fail(Error, "cannot open \"" + Path + "\"");
  const std::streamoff size = file.tellg();
  if (size < 0 || std::uint64_t(size) > MaximumFileSize) return Fail(Error, "\"" + Path + "\" is too large");
  std::string bytes(std::size_t(size), '\0');
  file.seekg(0);
  if (!file.read(bytes.data(), size)) return Fail(Error, "cannot read \"" + Path + "\"");
  if (!ParseNetPbm(bytes, Image, Error)) {
    Error = "\"" + Path + "\": " + Error;
    return false;
  }
  return true;
}

std::string FormatNetPbm(const THostImage& Image) {
  std::string text;
  if (Image.Planes == 3) {
    text = "P6\n" + std::to_string(Image.Width) + " " + std::to_string(Image.Height) + "\n255\n";
  } else {
    text = "P7\nWIDTH " + std::to_string(Image.Width) + "\nHEIGHT " + std::to_string(Image.Height) +
           "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  }
  const auto rowBytes = std::size_t(Image.Width) * std::size_t(Image.Planes);
  for (std::size_t y = 0; y < std::size_t(Image.Height); ++y) {
    const auto* row = reinterpret_cast<const char*>(Image.Pixels.data() + y * std::size_t(Image.RowBytes));
    text.append(row, rowBytes);
  }
  return text;
}

bool WriteNetPbm(const std::string& Path, const THostImage& Image, std::string& Error) {
  const std::string text = FormatNetPbm(Image);
  std::string temporary = Path + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return Fail(Error, "cannot write beside \"" + Path + "\": " + std::strerror(errno));
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) break;
    done += std::size_t(wrote);
  }
  const bool written = done == text.size() && ::fsync(fd) == 0;
  const int saved = errno;
  ::close(fd);
  if (!written || ::rename(temporary.c_str(), Path.c_str()) != 0) {
    ::unlink(temporary.c_str());
    return Fail(Error, "cannot write \"" + Path + "\": " + std::strerror(written ? errno : saved));
  }
  return true;
}

THostImage ConvertHostImage(const THostImage& Image, std::int32_t Planes, std::int64_t RowPadding) {
  THostImage result;
  result.Width = Image.Width;
  result.Height = Image.Height;
  result.Planes = Planes;
  result.RowBytes = std::int64_t(Image.Width) * Planes + RowPadding;
  result.Pixels.assign(std::size_t(result.RowBytes) * std::size_t(Image.Height), 0);
  for (std::size_t y = 0; y < std::size_t(Image.Height); ++y) {
    const std::uint8_t* source = Image.Pixels.data() + y * std::size_t(Image.RowBytes);
    std::uint8_t* target = result.Pixels.data() + y * std::size_t(result.RowBytes);
    for (std::int32_t x = 0; x < Image.Width; ++x, source += Image.Planes, target += Planes) {
      for (std::int32_t plane = 0; plane < Planes; ++plane)
        target[plane] = plane < Image.Planes ? source[plane] : 255;
    }
  }
  return result;
}
