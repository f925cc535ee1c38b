// Reading an image file without trusting its length: the format comes from the first bytes, the
// most its picture can need from its header, and nothing past that is ever read. A 4 GiB file
// that begins like a JPEG costs a few small reads, not 4 GiB of memory.

#include "QvCodecInternal.h"
#include "QvImageCodecs.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint64_t MiB = uint64_t(1) << 20;
// What a decoder is given when the header cannot be read: enough for it to say what is wrong.
constexpr uint64_t UnreadableHeaderBytes = MiB;
// Metadata (profiles, text, previews) a file may carry beside its picture.
constexpr uint64_t MetadataAllowance = 32 * MiB;
// No decoder here addresses more (TIFF offsets are 32-bit).
constexpr uint64_t MaxImageFileBytes = uint64_t(1) << 32;
constexpr uint64_t QviHeaderBytes = 16;

// A regular file opened for reading; pread only, so its position never matters.
class TFileReader {
 public:
  ~TFileReader() {
    if (FFd >= 0) ::close(FFd);
  }
  bool Open(const QString& fileName, QString& error) {
    FFd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    struct stat info {};
    if (FFd < 0 || ::fstat(FFd, &info) != 0) {
      error = QString::fromLocal8Bit(std::strerror(errno));
      return false;
    }
    // A FIFO or a device would block or never end.
    if (!S_ISREG(info.st_mode)) {
      error = QString::fromLocal8Bit(std::strerror(S_ISDIR(info.st_mode) ? EISDIR : EINVAL));
      return false;
    }
    FSize = uint64_t(info.st_size);
    return true;
  }
  uint64_t Size() const { return FSize; }
  // Reads up to count bytes at offset; the number read (fewer at the end of the file).
  uint64_t ReadAt(uint64_t offset, uint8_t* out, uint64_t count) const {
    uint64_t done = 0;
    while (done < count) {
      const ssize_t n = ::pread(FFd, out + done, size_t(std::min<uint64_t>(count - done, 1u << 30)), off_t(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      done += uint64_t(n);
    }
    return done;
  }

 private:
  int FFd = -1;
  uint64_t FSize = 0;
};

// The file's bytes at an offset, with a QVI file's first bytes shown revealed.
class THeaderView {
 public:
  THeaderView(const TFileReader& file, const uint8_t* head, uint64_t headSize)
      : FFile(file), FHead(head), FHeadSize(headSize) {}
  bool Read(uint64_t offset, uint8_t* out, uint64_t count) const {
    if (offset + count > FFile.Size()) return false;
    for (; count > 0 && offset < FHeadSize; --count) *out++ = FHead[offset++];
    return count == 0 || FFile.ReadAt(offset, out, count) == count;
  }

 private:
  const TFileReader& FFile;
  const uint8_t* FHead;
  uint64_t FHeadSize;
};

uint32_t Big16(const uint8_t* p) { return uint32_t(p[0]) << 8 | p[1]; }
uint32_t Big32(const uint8_t* p) { return Big16(p) << 16 | Big16(p + 2); }
uint32_t Little16(const uint8_t* p) { return uint32_t(p[1]) << 8 | p[0]; }
uint32_t Little32(const uint8_t* p) { return Little16(p + 2) << 16 | Little16(p); }

// Sides beyond the decoders' limit are refused anyway; clamping keeps the products in range.
uint64_t ClampSide(uint64_t side) { return std::min<uint64_t>(side, uint64_t(MaxImageSide) + 1); }

bool IsStartOfFrame(uint8_t code) { return code >= 0xC0 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC; }

// Walks the markers to the frame header by their lengths, reading four bytes a marker.
uint64_t JpegBound(const THeaderView& view, uint64_t size) {
  uint64_t pos = 2;
  for (int markers = 0; markers < 100000; ++markers) {
    uint8_t m[4];
    if (!view.Read(pos, m, 2) || m[0] != 0xFF) return 0;
    const uint8_t code = m[1];
    if (code == 0xFF) {  // fill byte
      ++pos;
      continue;
    }
    if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) {
      pos += 2;
      continue;
    }
    if (code == 0xD8 || code == 0xD9 || code == 0xDA || !view.Read(pos, m, 4)) return 0;
    const uint32_t length = Big16(m + 2);
    if (length < 2) return 0;
    if (IsStartOfFrame(code)) {
      uint8_t frame[6];
      if (length < 8 || !view.Read(pos + 4, frame, 6)) return 0;
      const uint64_t height = ClampSide(Big16(frame + 1)), width = ClampSide(Big16(frame + 3));
      const uint64_t components = std::max<uint32_t>(frame[5], 1);
      // A height of 0 is given later (DNL): the picture may run to the end of the file.
      if (height == 0) return size;
      // Even a progressive scan of noise stays well under 16 bytes a sample.
      return pos + MiB + width * height * components * 16;
    }
    pos += 2 + length;
  }
  return 0;
}

uint64_t PngBound(const THeaderView& view) {
  uint8_t h[33];
  if (!view.Read(0, h, sizeof h) || std::memcmp(h + 12, "IHDR", 4) != 0) return 0;
  const uint64_t width = ClampSide(Big32(h + 16)), height = ClampSide(Big32(h + 20));
  static const uint8_t channelsOf[7] = {1, 0, 3, 1, 2, 0, 4};
  const uint64_t channels = h[25] < 7 ? channelsOf[h[25]] : 0;
  if (channels == 0) return 0;
  const uint64_t rowBytes = (width * channels * h[24] + 7) / 8 + 1;
  // Interlacing adds filter bytes, deflate and chunking a little; twice the raw rows is ample.
  return MetadataAllowance + 2 * (rowBytes + 8) * height;
}

uint64_t BmpBound(const THeaderView& view) {
  uint8_t h[26];
  if (!view.Read(0, h, sizeof h)) return 0;
  uint64_t width = 0, height = 0;
  if (Little32(h + 14) == 12) {
    width = Little16(h + 18);
    height = Little16(h + 20);
  } else {
    const int32_t w = int32_t(Little32(h + 18)), h32 = int32_t(Little32(h + 22));
    width = uint64_t(w < 0 ? -int64_t(w) : w);
    height = uint64_t(h32 < 0 ? -int64_t(h32) : h32);
  }
  width = ClampSide(width);
  height = ClampSide(height);
  // Palette and masks lie in the first megabyte; the rows take at most 4 bytes a pixel, and
  // run-length rows at most 2 a pixel plus their end codes.
  return MiB + 2 * (4 * width + 4) * height;
}

// How many of the file's bytes its format can need; the header's own fault is left to the
// decoder, which is given enough of the file to name it.
uint64_t ImageFileBound(TQvFileKind kind, const THeaderView& view, uint64_t size) {
  uint64_t bound = 0;
  switch (kind) {
    case TQvFileKind::Jpeg: bound = JpegBound(view, size); break;
    case TQvFileKind::Png: bound = PngBound(view); break;
    case TQvFileKind::Bmp: bound = BmpBound(view); break;
    case TQvFileKind::Tiff: bound = MaxImageFileBytes; break;
    case TQvFileKind::Unknown: bound = QviHeaderBytes; break;
  }
  if (bound == 0) bound = UnreadableHeaderBytes;
  return std::min({bound, size, MaxImageFileBytes});
}

}  // namespace

bool ReadImageFile(const QString& fileName, uint64_t maxBytes, const std::function<uint8_t*(uint64_t)>& allocate,
                   uint64_t& readBytes, QString& error) {
  readBytes = 0;
  TFileReader file;
  if (!file.Open(fileName, error)) return false;
  const uint64_t size = file.Size();
  if (size == 0) return true;
  uint8_t head[QviHeaderBytes + 1] = {};
  const uint64_t headSize = file.ReadAt(0, head, sizeof head);
  RevealHeader(head, headSize);
  const THeaderView view(file, head, std::min(headSize, QviHeaderBytes));
  const uint64_t want = std::min(ImageFileBound(SniffFileKind(head, headSize), view, size), maxBytes);
  uint8_t* out = nullptr;
  try {
    out = allocate(want);
  } catch (const std::bad_alloc&) {
    out = nullptr;
  }
  if (!out) {
    error = QString::fromLocal8Bit(std::strerror(ENOMEM));
    return false;
  }
  readBytes = file.ReadAt(0, out, want);
  return true;
}

bool ReadImageFile(const QString& fileName, QByteArray& bytes, QString& error) {
  bytes.clear();
  uint64_t got = 0;
  const bool ok = ReadImageFile(
      fileName, MaxImageFileBytes,
      [&](uint64_t count) {
        bytes.resize(qsizetype(count));
        return reinterpret_cast<uint8_t*>(bytes.data());
      },
      got, error);
  bytes.truncate(qsizetype(got));
  return ok;
}

bool ReadImageFile(const QString& fileName, uint64_t maxBytes, std::vector<uint8_t>& bytes) {
  bytes.clear();
  uint64_t got = 0;
  QString error;
  const bool ok = ReadImageFile(
      fileName, maxBytes,
      [&](uint64_t count) {
        bytes.resize(size_t(count));
        return bytes.data();
      },
      got, error);
  bytes.resize(size_t(got));
  return ok;
}

bool ReadFileHead(const QString& fileName, uint64_t maxBytes, QByteArray& bytes) {
  bytes.clear();
  TFileReader file;
  QString error;
  if (!file.Open(fileName, error)) return false;
  bytes.resize(qsizetype(std::min(maxBytes, file.Size())));
  bytes.truncate(qsizetype(file.ReadAt(0, reinterpret_cast<uint8_t*>(bytes.data()), uint64_t(bytes.size()))));
  return true;
}
